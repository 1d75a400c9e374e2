// What the program's windows and threads may be sent, and what the main window answers: shared
// by the program, its own command line and the end-to-end tests. Plain numbers, so that portable
// code and host tests read them too; common/win32_values_win32.cpp checks the two bases against
// windows.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace window_contract {

// The bases of private message numbers: WM_APP for the program's own messages, WM_USER for the
// tray icon's callback, which the shell sends the main window.
constexpr std::uint32_t kAppMessageBase = 0x8000;
constexpr std::uint32_t kUserMessageBase = 0x0400;

// Posted to the main window when a gesture finishes: wParam is a ticket for takeGestureCommand.
// The command then runs on the main thread.
constexpr std::uint32_t kRunGestureCommandMessage = kAppMessageBase + 1;
// Posted to the main window when the settings file may have changed (the editor closed): the
// window reads it again and applies it.
constexpr std::uint32_t kSettingsChangedMessage = kAppMessageBase + 2;
// Posted to the main window each time the hook thread installed the hook again.
constexpr std::uint32_t kHookReinstalledMessage = kAppMessageBase + 3;
// Posted to the main window the first time a start is refused (common/process_win32.h): the
// window says so in a balloon.
constexpr std::uint32_t kStartRefusedMessage = kAppMessageBase + 4;
// Posted to the window that asked for a fit of the switch health when it is done: wParam is the
// ticket that takes it (health/fit_worker.h).
constexpr std::uint32_t kFitDoneMessage = kAppMessageBase + 5;
// Posted to the main window by the hook thread: the raw input named a device for the first time
// (wParam its slot in InputDevices, input/input_source.h), which the main window names; and
// mouse input arrived (one at a time: the next once the main window has taken it).
constexpr std::uint32_t kDeviceSeenMessage = kAppMessageBase + 6;
constexpr std::uint32_t kInputSeenMessage = kAppMessageBase + 7;
// Posted to the main window when what Windows calls a device was read
// (input/device_description_win32.h).
constexpr std::uint32_t kDeviceNamedMessage = kAppMessageBase + 8;
// The tray icon's callback; lParam is the mouse or notification message.
constexpr std::uint32_t kTrayCallbackMessage = kUserMessageBase;

// Posted to the hook thread: put a fresh hook in place of the current one; let go of every held
// release now.
constexpr std::uint32_t kReinstallHookMessage = kAppMessageBase + 10;
constexpr std::uint32_t kReleaseHeldMessage = kAppMessageBase + 11;

// Properties of the main window, read by tools and the end-to-end tests: how often the hook was
// installed, and (1) once the raw input that watches it arrived.
constexpr wchar_t kHookInstallsProperty[] = L"Clickmend.HookInstalls";
constexpr wchar_t kRawInputProperty[] = L"Clickmend.RawInput";

// The mutex a starting instance takes before anything else, in its session's namespace: two
// starts at once (autostart and a hand start) cannot both pass the check for the window.
constexpr wchar_t kInstanceMutexName[] = L"Local\\Clickmend.Instance";

// WM_COPYDATA's dwData for a command sent to the main window ("ClkC"); anything else is ignored.
constexpr std::uint32_t kCommandCopyData = 0x436C6B43;
// WM_COPYDATA's dwData for the text the main window sends back to the sender's window ("ClkR").
constexpr std::uint32_t kReplyCopyData = 0x436C6B52;
// A command is its name in ASCII, without terminator ("pause"); longer data is refused unread.
constexpr std::size_t kMaxCommandBytes = 16;
// The longest reply text a sender accepts: the diagnosis is the longest, a few kilobytes.
constexpr std::size_t kMaxReplyBytes = 16384;

// The result of SendMessage for a command: 0 (what any window answers to what it does not
// know) means refused; pause, resume and toggle answer with the state they leave.
constexpr std::intptr_t kAnswerDone = 1;
constexpr std::intptr_t kAnswerRunning = 2;
constexpr std::intptr_t kAnswerPaused = 3;

}  // namespace window_contract

// WM_COMMAND's wParam for each item of the tray menu; the end-to-end tests send them too. Within
// the 16 bits a menu item's identifier keeps.
namespace menu_command {
constexpr std::uint32_t clickRepair = 0x8001;
constexpr std::uint32_t releaseRepair = 0x8002;
constexpr std::uint32_t scrollRepair = 0x8003;
constexpr std::uint32_t leftButton = 0x8004;
constexpr std::uint32_t rightButton = 0x8005;
constexpr std::uint32_t wheelPassThrough = 0x8006;
constexpr std::uint32_t volumeControl = 0x8007;
constexpr std::uint32_t gestures = 0x8008;
constexpr std::uint32_t hideIcon = 0x8009;
constexpr std::uint32_t middleButton = 0x800A;
constexpr std::uint32_t xButton1 = 0x800B;
constexpr std::uint32_t xButton2 = 0x800C;
constexpr std::uint32_t exit = 0x8064;
constexpr std::uint32_t about = 0x8065;
constexpr std::uint32_t autostart = 0x8066;
constexpr std::uint32_t editSettings = 0x8067;
constexpr std::uint32_t switchHealth = 0x8068;
constexpr std::uint32_t pause = 0x8069;
constexpr std::uint32_t options = 0x806A;
constexpr std::uint32_t restartElevated = 0x806B;
}  // namespace menu_command
