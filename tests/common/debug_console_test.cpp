// Debug lines as the console shows them.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/debug_line.h"

#ifdef _WIN32
#include <windows.h>

#include "common/debug_console.h"
#endif

namespace {

std::wstring line(const char* format, std::int32_t value, std::size_t capacity = 128) {
  wchar_t out[128];
  const std::size_t n = formatDebugLine(out, capacity, format, value);
  EXPECT_EQ(n, std::wstring(out).size());
  return out;
}

std::wstring line(const char* format, const wchar_t* text, std::size_t capacity = 128) {
  wchar_t out[128];
  formatDebugLine(out, capacity, format, text);
  return out;
}

TEST(DebugLine, NumbersAndTexts) {
  EXPECT_EQ(line("ClickTime:\t%d\n", 40), L"ClickTime:\t40\n");
  EXPECT_EQ(line("ReleaseTime:\t%d\n", 0), L"ReleaseTime:\t0\n");
  EXPECT_EQ(line("Wheel direction:\t%d\n", -120), L"Wheel direction:\t-120\n");
  EXPECT_EQ(line("%d\n", INT32_MIN), L"-2147483648\n");
  EXPECT_EQ(line("%d\n", INT32_MAX), L"2147483647\n");
  EXPECT_EQ(line("command:%S\n", L"DR"), L"command:DR\n");
  EXPECT_EQ(line("Class:%S\n", L"记事本"), L"Class:记事本\n");
  EXPECT_EQ(line("start:%d %S\n\n", L"notepad.exe"), L"start:%d notepad.exe\n\n")
      << "a text line leaves number markers alone";
}

TEST(DebugLine, CutToTheBufferAndAlwaysTerminated) {
  EXPECT_EQ(line("ClickTime:\t%d\n", 12345, 8), L"ClickTi");
  EXPECT_EQ(line("Class:%S\n", L"abcdefgh", 10), L"Class:abc");
  wchar_t one[1] = {L'x'};
  EXPECT_EQ(formatDebugLine(one, 1, "Class:%S\n", L"abc"), 0u);
  EXPECT_EQ(one[0], L'\0');
}

#ifdef _WIN32
// The console opened for debug mode receives the lines; closed, they go nowhere.
TEST(DebugConsole, LinesReachTheOpenConsole) {
  FreeConsole();  // start like the program: a GUI process without a console
  setDebugConsoleOpen(true);
  ASSERT_TRUE(isDebugConsoleOpen());
  HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE);
  CONSOLE_SCREEN_BUFFER_INFO before{};
  GetConsoleScreenBufferInfo(out, &before);
  debugPrint("ClickTime:\t%d\n", 40);
  debugPrintText("command:%S\n", L"DR");
  wchar_t row[32] = {};
  DWORD got = 0;
  ReadConsoleOutputCharacterW(out, row, 32, COORD{0, before.dwCursorPosition.Y}, &got);
  const std::wstring first(row, got);
  EXPECT_EQ(first.substr(0, 10), L"ClickTime:");
  EXPECT_NE(first.find(L"40"), std::wstring::npos) << "the number follows the tab";
  ReadConsoleOutputCharacterW(out, row, 10,
                              COORD{0, static_cast<SHORT>(before.dwCursorPosition.Y + 1)}, &got);
  EXPECT_EQ(std::wstring(row, got), L"command:DR");
  CloseHandle(out);

  setDebugConsoleOpen(false);
  EXPECT_FALSE(isDebugConsoleOpen());
  debugPrint("ClickTime:\t%d\n", 41);  // no console: nothing happens, nothing breaks
  setDebugConsoleOpen(true);
  EXPECT_TRUE(isDebugConsoleOpen()) << "a console can be opened again after release";
  setDebugConsoleOpen(false);
}
#endif

}  // namespace
