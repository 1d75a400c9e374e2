// The menu's actions that reach beyond the program's own settings.
#pragma once

#include <windows.h>

#include "common/texts.h"

// The Run value under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER names this executable.
bool isAutostartRegistered();
// Deletes the value from both, or writes it after asking when run from a temporary folder: for
// every user when elevated, else for the current user. A change that did not happen is told.
void toggleAutostart(HWND window, Language language);

// Opens the settings file in the text editor and returns at once; a thread of its own waits for
// the editor to close and then applies the file.
void editSettings(HWND window);

// Modal: returns once the box is closed.
void showAbout(HWND window, Language language);
