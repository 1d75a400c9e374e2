// The command line that drives the running program, both ends.
#pragma once

#include <windows.h>

#include <optional>

class Program;

// The running program's side: a WM_COPYDATA sent to the main window by `sender`, the window a
// /stats reply goes to. Returns the answer of common/window_contract.h, 0 for anything that is
// not one of its commands.
LRESULT onRemoteCommand(Program& program, HWND window, WPARAM sender,
                        const COPYDATASTRUCT* message);

// The command line's own side: with arguments, asks the running program (or prints the switches)
// and returns the process's exit code; nullopt without any, or with /takeover, when the program
// runs as ever.
std::optional<int> runCommandLine(const wchar_t* commandLine);

// /takeover: asks the running instance, if any, to end, as /quit does, and tells whether one
// was asked.
bool askRunningToQuit();
