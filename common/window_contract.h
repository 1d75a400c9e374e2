// What another process may send the main window, and what it answers: shared by the program,
// its own command line and the end-to-end tests. Plain numbers, so that portable code reads them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace window_contract {

// WM_COPYDATA's dwData for a command sent to the main window ("ClkC"); anything else is ignored.
constexpr std::uint32_t kCommandCopyData = 0x436C6B43;
// WM_COPYDATA's dwData for the text the main window sends back to the sender's window ("ClkR").
constexpr std::uint32_t kReplyCopyData = 0x436C6B52;
// A command is its name in ASCII, without terminator ("pause"); longer data is refused unread.
constexpr std::size_t kMaxCommandBytes = 16;
// The longest reply text a sender accepts.
constexpr std::size_t kMaxReplyBytes = 4096;

// The result of SendMessage for a command: 0 (what any window answers to what it does not
// know) means refused; pause, resume and toggle answer with the state they leave.
constexpr std::intptr_t kAnswerDone = 1;
constexpr std::intptr_t kAnswerRunning = 2;
constexpr std::intptr_t kAnswerPaused = 3;

}  // namespace window_contract
