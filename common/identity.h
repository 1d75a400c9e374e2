// The program's name as the desktop sees it: window class and title, tray tip and the caption of
// every message box. Another instance is found by this name.
#pragma once

#include "common/version.h"

constexpr wchar_t kAppName[] = L"Clickmend v" CLICKMEND_VERSION;

// The switch health window's class; its title is "鼠标健康".
constexpr wchar_t kSwitchHealthClass[] = L"ClickmendHealth";
// The box of its test pad (测试区) that the user clicks in.
constexpr wchar_t kTestPadClass[] = L"ClickmendTestPad";
