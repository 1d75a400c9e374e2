// The running program: its process-wide records and the routine that re-applies the settings.
#pragma once

#include <windows.h>

#include <optional>

#include "input/input_filter.h"
#include "settings/settings.h"

// Reloads the settings file (and writes the persisted keys back), opens or releases the debug
// console and adds the tray icon when it is to be shown. Runs on the main thread.
void applySettings(HWND window);

// The record the hook, the menu and the settings editor share.
Settings& programSettings();
// The hook's own record; only its `bypass` is written elsewhere, here on the main thread.
FilterState& programFilterState();

// Paused, the hook lets every event pass untouched (held releases go first), so gestures and
// volume control rest too, and the tray icon is greyed. Never saved: a start is never paused.
void setPaused(HWND window, bool paused);
bool isPaused();
// The rule of the program in the foreground (input/program_rule.h); a pause goes before it.
void setProgramRule(Bypass rule);

// Follows the foreground window from now on (on the main thread), and gives the hook the rule of
// its program whenever the window, its size or the settings change.
void followForeground();
// The foreground event is not sent in every case (a window restored from the taskbar, Wine):
// called for each mouse input the main window sees, it follows a change the event missed.
void checkForeground();
// A window that covers its whole monitor has the foreground, as 全屏暂停 judges it.
bool foregroundIsFullScreen();
// The settings were applied: the list and 全屏暂停 are read again.
void recheckForeground();
void stopFollowingForeground();

// The running program's side of the command line: a WM_COPYDATA sent to the main window by
// `sender`, the window a /stats reply goes to. Returns the answer of common/window_contract.h,
// 0 for anything that is not one of its commands.
LRESULT onRemoteCommand(HWND window, WPARAM sender, const COPYDATASTRUCT* message);

// The command line's own side: with arguments, asks the running program (or prints the switches)
// and returns the process's exit code; nullopt without any, when the program runs as ever.
std::optional<int> runCommandLine(const wchar_t* commandLine);

// Asks for WM_WTSSESSION_CHANGE (an unlock or a reconnect may have cost the hook its place), or
// stops asking. Without wtsapi32 in the system folder the program goes on without it.
void watchSessionChanges(HWND window, bool watch);
