// Choosing a program for the options window's lists: a file in the system's open dialog, or
// the program of a window open now.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// An exe chosen in the system's open dialog (comdlg32, from the system folder), its files
// filtered under `filterName`; nullopt when none was chosen or there is no such dialog.
std::optional<std::wstring> browseForProgram(HWND owner, const wchar_t* filterName);
// The programs with a visible window now, by file name, in a menu at the bottom left of `at`;
// the one chosen, or nullopt.
std::optional<std::wstring> pickProgramWithWindow(HWND owner, const RECT& at);
