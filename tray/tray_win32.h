// The tray icon, its menu and the menu's commands.
#pragma once

#include <windows.h>

#include "settings/settings.h"

void addTrayIcon(HWND window);
void removeTrayIcon(HWND window);
void showTrayMenu(HWND window, const Settings& settings);
void onMenuCommand(HWND window, WPARAM identifier, Settings& settings);
