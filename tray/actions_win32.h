// The menu's actions that reach beyond the program's own settings.
#pragma once

#include <windows.h>

// The Run value under HKEY_LOCAL_MACHINE names this executable.
bool isAutostartRegistered();
// Deletes the value, or writes it after asking when run from a temporary folder. Writing needs
// administrative rights; without them nothing changes and nothing is said.
void toggleAutostart(HWND window);

// Opens the settings file in the text editor and returns at once; a thread of its own waits for
// the editor to close and then applies the file.
void editSettings(HWND window);

void showAbout(HWND window);
