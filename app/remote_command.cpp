#include "app/remote_command.h"

#include <cstring>
#include <vector>

#include "common/window_contract.h"

namespace {

struct NamedCommand {
  const char* name;
  RemoteCommand command;
};

constexpr NamedCommand kCommands[] = {
    {"pause", RemoteCommand::pause},     {"resume", RemoteCommand::resume},
    {"toggle", RemoteCommand::toggle},   {"reload", RemoteCommand::reload},
    {"quit", RemoteCommand::quit},       {"stats", RemoteCommand::stats},
    {"options", RemoteCommand::options}, {"diagnose", RemoteCommand::diagnose},
};

bool isBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

// The arguments after the program's name, split at blanks outside double quotes, the quotes
// taken away. The system's own rules also give backslashes before quotes a meaning; no switch
// holds either, so a line that differs by them is refused all the same.
std::vector<std::wstring> arguments(const std::wstring& line) {
  std::size_t i = 0;
  if (!line.empty() && line[0] == L'"') {
    i = line.find(L'"', 1);
    i = i == std::wstring::npos ? line.size() : i + 1;
  }
  while (i < line.size() && !isBlank(line[i])) ++i;
  std::vector<std::wstring> found;
  for (;;) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i == line.size()) return found;
    std::wstring argument;
    bool quoted = false;
    for (; i < line.size() && (quoted || !isBlank(line[i])); ++i) {
      if (line[i] == L'"') {
        quoted = !quoted;
      } else {
        argument += line[i];
      }
    }
    found.push_back(argument);
  }
}

// `argument` without its "/" or "--", in ASCII lower case; empty when it is no switch.
std::string switchName(const std::wstring& argument) {
  std::size_t start = 0;
  if (argument.compare(0, 1, L"/") == 0) start = 1;
  if (argument.compare(0, 2, L"--") == 0) start = 2;
  if (start == 0) return {};
  std::string name;
  for (std::size_t i = start; i < argument.size(); ++i) {
    const wchar_t c = argument[i];
    if (c > 0x7E || c < 0x21) return {};
    name += static_cast<char>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c);
  }
  return name;
}

}  // namespace

const char kCommandLineHelp[] =
    "Usage: clickmend.exe [/switch]\n"
    "Without a switch Clickmend starts (once per desktop). With one, it asks the running\n"
    "Clickmend and ends:\n"
    "  /pause    pause: every mouse event passes untouched, gestures and volume rest\n"
    "  /resume   end the pause\n"
    "  /toggle   pause, or end the pause\n"
    "  /reload   read the settings file again\n"
    "  /quit     end the running Clickmend\n"
    "  /stats    print today's figures of each device (CSV)\n"
    "  /options  open the options window\n"
    "  /diagnose print what the running Clickmend measures and knows here, to paste where\n"
    "            someone helps you (it measures for a few hundred milliseconds)\n"
    "  /takeover start in place of the running Clickmend, which is asked to end (the menu's\n"
    "            Restart as administrator starts the program so)\n"
    "  /help /?  this list\n"
    "--pause and so on work too, in any case.\n"
    "Exit codes: 0 done, 1 no Clickmend running, 2 unknown switch or extra arguments,\n"
    "3 no answer within 2 seconds, 4 the running Clickmend refused the command.\n";

StartRequest parseCommandLine(const std::wstring& commandLine) {
  const std::vector<std::wstring> given = arguments(commandLine);
  if (given.empty()) return {StartKind::run, RemoteCommand::pause};
  const std::string name = given.size() == 1 ? switchName(given[0]) : std::string();
  if (name == "help" || name == "?") return {StartKind::help, RemoteCommand::pause};
  if (name == "takeover") return {StartKind::takeOver, RemoteCommand::pause};
  for (const NamedCommand& c : kCommands) {
    if (name == c.name) return {StartKind::send, c.command};
  }
  return {StartKind::invalid, RemoteCommand::pause};
}

const char* remoteCommandName(RemoteCommand command) {
  for (const NamedCommand& c : kCommands) {
    if (c.command == command) return c.name;
  }
  return "";
}

std::optional<RemoteCommand> readRemoteCommand(std::uintptr_t identifier, const void* data,
                                               std::size_t size) {
  if (identifier != window_contract::kCommandCopyData || !data) return std::nullopt;
  if (size == 0 || size > window_contract::kMaxCommandBytes) return std::nullopt;
  for (const NamedCommand& c : kCommands) {
    if (std::strlen(c.name) == size && std::memcmp(c.name, data, size) == 0) return c.command;
  }
  return std::nullopt;
}
