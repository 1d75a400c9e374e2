// The autostart entry on this desktop, as the menu shows and switches it.
#pragma once

#include <windows.h>

#include "common/texts.h"

// The Run value under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER names this executable.
bool isAutostartRegistered();
// Deletes the value from both, or writes it after asking when run from a temporary folder: for
// every user when elevated, else for the current user. A change that did not happen is told.
void toggleAutostart(HWND window, Language language);
