// The tray icon, its menu and the menu's commands.
#pragma once

#include <windows.h>

#include <string>

class SwitchHealth;

#include "settings/settings.h"
#include "tray/menu.h"

// Main thread. Each hands the shell a record of its own, filled whole for that call. A paused
// program shows the greyed icon and says so in the tip, in `language`.
void addTrayIcon(HWND window, bool paused, Language language);
void showTrayIconPaused(HWND window, bool paused, Language language);
void removeTrayIcon(HWND window);
// A notification balloon from the icon; clicking it sends NIN_BALLOONUSERCLICK to the callback.
void showTrayBalloon(HWND window, const wchar_t* title, const std::wstring& text);

// Builds the menu from `settings` and the autostart entry, shows it at the cursor until a
// choice is made or it is dismissed, and destroys it. The choice arrives as WM_COMMAND. The
// menu, like every window a user reads, is drawn at its monitor's DPI (common/dpi_win32.h).
void showTrayMenu(HWND window, const Settings& settings, bool paused);
// Carries out the command and returns its action, for the caller to do what is its own
// (TrayAction::togglePause, TrayAction::restartElevated).
TrayAction onMenuCommand(HWND window, WPARAM identifier, Settings& settings, SwitchHealth& health);
