// The system-wide low-level mouse hook, on a thread of its own, and the desktop side of the input
// filter.
//
// The whole desktop's mouse input waits for the hook's answer, and the system drops a hook that
// answers too slowly. So the hook thread does nothing but the hook: it installs it, decides,
// lets held releases go when their time comes and installs it again when asked. Everything slow
// (files, other programs, dialogs, the console) stays on the main thread, and the two threads
// talk by posted messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include "input/click_record.h"
#include "input/hook_watchdog.h"
#include "input/input_filter.h"
#include "input/input_source.h"
#include "input/pad_feed.h"
#include "input/switch_counter.h"

// Input the program sends itself carries this in dwExtraInfo; the hook lets it pass unexamined.
constexpr ULONG_PTR kOwnInputMarker = 0x436C6B4D;  // "ClkM"

// The performance counter in microseconds: the clock the hook times each event by.
std::uint64_t performanceCounterUs();

// The desktop's implementation of what the filter needs; build the InputFilter over it.
InputPlatform& desktopInputPlatform();

// Starts the hook thread over `filter` and waits until it installed the hook; false (and no thread
// left running) when the hook could not be installed. Gesture commands and re-install reports are
// posted to `commandWindow` (common/window_contract.h).
// Presses, releases and notches are counted into `health`, and the buttons' presses and releases
// appended to `record`, when given; with `sources`, each event's source is told first and only
// the repaired sources are counted and recorded. While it is open, every press and release goes
// to `pad` with its source. The hook thread reads the raw input: it tells the sources apart and
// witnesses a hook the system dropped, which the thread then installs again
// (kHookReinstalledMessage); mouse input is noted to `commandWindow` by kInputSeenMessage.
bool startMouseHook(HINSTANCE instance, InputFilter& filter, HWND commandWindow,
                    SwitchCounter* health = nullptr, ClickRecord* record = nullptr,
                    SourceTracker* sources = nullptr, PadFeed* pad = nullptr);
// The main window took kInputSeenMessage: the next mouse input may send another.
void inputSeenTaken();
// Asks the hook thread to put a fresh hook in place of the current one (the system may have
// dropped it silently). The filter's state and a gesture in progress carry over, except what
// applications were shown of each button, which is unknown again.
void requestHookReinstall();
// Asks the hook thread to let go of every held release now (the filter was switched or re-read).
void requestHeldReleases();
// Removes the hook, lets go of held releases and ends the hook thread.
void stopMouseHook();

// How many times a hook was installed since start.
unsigned mouseHookInstalls();
// How far the hook procedure has got (its calls and the latest event's time stamp); the
// watchdog on the main thread compares it with the raw input it receives.
HookProgress mouseHookProgress();

// Reads whether the session is a remote one (模拟输入's default follows it) into `devices`.
// Called at start and when the session changes, never per event.
void readRemoteSession(InputDevices& devices);

// Sends a move of our own that moves nothing (a probe) and waits up to `waitMs` for the hook to
// see it: the time that took, in the performance counter's counts; nullopt when it did not come
// in time (the system dropped the hook, or another program's hook swallowed the probe). One
// thread at a time.
std::optional<std::int64_t> probeHook(DWORD waitMs);

// Reads whether the system itself sends the wheel to the window under the cursor. Called at
// start and when the system's settings change, never per event.
void readWheelRouting();

// The gesture text queued under `ticket` (empty when the slot was reused, taken or is unknown).
std::wstring takeGestureCommand(WPARAM ticket);
