// The options window: every setting of the settings file in five pages, written line by line
// when the user presses 确定 or 应用 (tray/options.h). One at a time, on the main thread.
#pragma once

#include <windows.h>

#include <string>

#include "common/texts.h"

class SwitchHealth;
struct InputDevices;

// Opens the window, or brings the open one to the front. `mainWindow` is told through
// kSettingsChangedMessage when the window wrote the file, and loses its tray icon through
// `removeIcon` when 显示图标 was switched off; `health` (which outlives the window) offers its fit.
void openOptionsWindow(HWND mainWindow, Language language, SwitchHealth& health,
                       void (*removeIcon)(HWND mainWindow));
// The message loop's turn for the window's keys (Tab, Enter, Esc): true when it took `message`.
bool optionsWindowMessage(MSG* message);
// A gesture drawn while the window is in front on its 鼠标手势 page: its directions fill the
// gesture field instead of running what they are bound to. False when the window did not take it.
bool takeDrawnGesture(const std::wstring& text);
// The devices the 输入来源 page lists (the hook thread's record, which outlives the window); set
// once at start.
void listDevicesInOptions(const InputDevices& devices);
