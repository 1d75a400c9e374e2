// The system-wide low-level mouse hook and the desktop side of the input filter.
#pragma once

#include <windows.h>

#include <cstdint>

#include "input/hook_watchdog.h"
#include "input/input_filter.h"

// Message posted to `commandWindow` when a gesture finishes: wParam is a slot for
// takeGestureCommand. The command then runs on the main thread after the hook returned.
constexpr UINT kRunGestureCommandMessage = WM_APP + 1;

// The desktop's implementation of what the filter needs; build the InputFilter over it.
InputPlatform& desktopInputPlatform();

// Installs the hook over `filter`; gesture commands are posted to `commandWindow`, and every
// call of the hook procedure is reported to `watchdog`.
bool installMouseHook(HINSTANCE instance, InputFilter& filter, HookWatchdog& watchdog,
                      HWND commandWindow);
// Replaces the hook with a fresh one (the system may have dropped the old one silently). The
// filter's state and a gesture in progress carry over. Never call it from the hook procedure.
bool reinstallMouseHook();
// How many times a hook was installed since start.
unsigned mouseHookInstalls();
void removeMouseHook();

// The gesture text queued under `slot` (empty when the slot was reused or is unknown).
const wchar_t* takeGestureCommand(WPARAM slot);
