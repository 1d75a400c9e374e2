// The menu's commands from a command line, and the message that carries them to the running
// program.
#include "app/remote_command.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "common/text.h"
#include "common/window_contract.h"

namespace {

TEST(CommandLine, Switches) {
  struct Case {
    const wchar_t* line;
    StartKind kind;
    RemoteCommand command;  // for send
  };
  using K = StartKind;
  using C = RemoteCommand;
  const Case cases[] = {
      {L"clickmend.exe", K::run, C::pause},
      {L"\"C:\\Program Files\\Clickmend\\clickmend.exe\"  \t ", K::run, C::pause},
      {L"\"C:\\My Tools\\clickmend.exe\" /pause", K::send, C::pause},
      {L"clickmend.exe --RESUME", K::send, C::resume},
      {L"clickmend.exe\t/Toggle", K::send, C::toggle},
      {L"clickmend.exe \"/reload\"", K::send, C::reload},
      {L"clickmend.exe --stats", K::send, C::stats},
      {L"clickmend.exe /Options", K::send, C::options},
      {L"clickmend.exe /Diagnose", K::send, C::diagnose},
      {L"clickmend.exe /takeover", K::takeOver, C::pause},
      {L"clickmend.exe /?", K::help, C::pause},
      {L"clickmend.exe --Help", K::help, C::pause},
      {L"clickmend.exe /bogus", K::invalid, C::pause},
      {L"clickmend.exe -pause", K::invalid, C::pause},
      {L"clickmend.exe pause", K::invalid, C::pause},
      {L"clickmend.exe /", K::invalid, C::pause},
      {L"clickmend.exe /pause /resume", K::invalid, C::pause},
      {L"clickmend.exe /stats extra", K::invalid, C::pause},
      {L"clickmend.exe \"\"", K::invalid, C::pause},
      {L"clickmend.exe \"/pause now\"", K::invalid, C::pause},
      {L"clickmend.exe /paus\u0435", K::invalid, C::pause},  // a Cyrillic e
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(encodeUtf8(c.line));
    const StartRequest request = parseCommandLine(c.line);
    EXPECT_EQ(request.kind, c.kind);
    if (c.kind == K::send) {
      EXPECT_EQ(request.command, c.command);
    }
  }
}

// Whatever another program sends, only one of the eight names under our identifier is a command.
TEST(CommandLine, MessagesTheRunningProgramAccepts) {
  struct Case {
    const char* name;
    std::uintptr_t identifier;
    std::string data;
    std::optional<RemoteCommand> expected;
  };
  const std::uintptr_t ours = window_contract::kCommandCopyData;
  const Case cases[] = {
      {"pause", ours, "pause", RemoteCommand::pause},
      {"stats", ours, "stats", RemoteCommand::stats},
      {"options", ours, "options", RemoteCommand::options},
      {"diagnose", ours, "diagnose", RemoteCommand::diagnose},
      {"wrong identifier", window_contract::kReplyCopyData, "pause", std::nullopt},
      {"identifier zero", 0, "quit", std::nullopt},
      {"unknown", ours, "bogus", std::nullopt},
      {"empty", ours, "", std::nullopt},
      {"terminator included", ours, std::string("quit", 5), std::nullopt},
      {"upper case", ours, "QUIT", std::nullopt},
      {"prefix of a name", ours, "paus", std::nullopt},
      {"oversized", ours, std::string(window_contract::kMaxCommandBytes + 1, 'q'), std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(readRemoteCommand(c.identifier, c.data.data(), c.data.size()), c.expected);
  }
  // The size is checked before the data is touched: a huge size behind a short buffer.
  EXPECT_EQ(readRemoteCommand(ours, "pause", std::size_t{1} << 30), std::nullopt);
}

}  // namespace
