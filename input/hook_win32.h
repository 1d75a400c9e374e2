// The system-wide low-level mouse hook and the desktop side of the input filter.
#pragma once

#include <windows.h>

#include <cstdint>

#include "input/input_filter.h"

// Message posted to `commandWindow` when a gesture finishes: wParam is a slot for
// takeGestureCommand. The command then runs on the main thread after the hook returned.
constexpr UINT kRunGestureCommandMessage = WM_APP + 1;

// The desktop's implementation of what the filter needs; build the InputFilter over it.
InputPlatform& desktopInputPlatform();

// Installs the hook over `filter`; gesture commands are posted to `commandWindow`.
bool installMouseHook(HINSTANCE instance, InputFilter& filter, HWND commandWindow);
// Replaces the hook with a fresh one (the system may have dropped the old one silently).
bool reinstallMouseHook();
void removeMouseHook();
// Tick of the last call of the hook procedure; 0 before the first.
std::uint32_t lastHookCallTick();

// The gesture text queued under `slot` (empty when the slot was reused or is unknown).
const wchar_t* takeGestureCommand(WPARAM slot);
