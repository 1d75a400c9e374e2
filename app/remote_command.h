// The menu's commands from a command line: `clickmend.exe /pause` asks the running program, and
// the message that carries the command from the one process to the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

enum class RemoteCommand : std::uint8_t {
  pause,
  resume,
  toggle,
  reload,
  quit,
  stats,
  options,
  diagnose
};

// What a start does: run as ever, run in place of the instance running now (/takeover, how the
// menu's 以管理员身份重新启动 starts the program again), print the switch list, send a command,
// or refuse.
enum class StartKind { run, takeOver, help, send, invalid };

struct StartRequest {
  StartKind kind = StartKind::run;
  RemoteCommand command = RemoteCommand::pause;  // for StartKind::send
};

// Reads the whole command line as the system gives it, program name first (quoted or not). No
// argument: run. Exactly one switch, "/name" or "--name" in any case: help for /help and /?,
// send for a command, takeOver for /takeover. Anything else (an unknown switch, a second argument,
// an empty one): invalid.
StartRequest parseCommandLine(const std::wstring& commandLine);

// The switch list: /help prints it, and a refused command line after its error.
extern const char kCommandLineHelp[];

// The command's message data: its name in ASCII, without terminator ("pause").
const char* remoteCommandName(RemoteCommand command);

// The command a WM_COPYDATA carries; nullopt for another identifier, data longer than
// window_contract::kMaxCommandBytes (not read at all) or a name that is not a command's, exactly.
std::optional<RemoteCommand> readRemoteCommand(std::uintptr_t identifier, const void* data,
                                               std::size_t size);
