// The running program: its process-wide records and the routine that re-applies the settings.
#pragma once

#include <windows.h>

#include "settings/settings.h"

// Reloads the settings file (and writes the persisted keys back), opens or releases the debug
// console and adds the tray icon when it is to be shown. Runs on the main thread.
void applySettings(HWND window);

// The record the hook, the menu and the settings editor share.
Settings& programSettings();

// Asks for WM_WTSSESSION_CHANGE (an unlock or a reconnect may have cost the hook its place), or
// stops asking. Without wtsapi32 in the system folder the program goes on without it.
void watchSessionChanges(HWND window, bool watch);
