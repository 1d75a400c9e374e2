// Debug lines as the console shows them.
#include <gtest/gtest.h>

#include <atomic>
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
std::wstring consoleRow(HANDLE out, SHORT row, DWORD width) {
  wchar_t text[32] = {};
  DWORD got = 0;
  ReadConsoleOutputCharacterW(out, text, width, COORD{0, row}, &got);
  return std::wstring(text, got);
}

// Around the debug console's own handler: the first sees a console event before it, the last
// only what it let through (and takes it, where the default handler would end the program).
std::atomic<HANDLE> ctrlThread{nullptr};
std::atomic<bool> ctrlLetThrough{false};
BOOL WINAPI noteCtrlThread(DWORD) {
  HANDLE thread = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread,
                  SYNCHRONIZE, FALSE, 0);
  ctrlThread = thread;
  return FALSE;
}
BOOL WINAPI noteCtrlLetThrough(DWORD) {
  ctrlLetThrough = true;
  return TRUE;
}

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
  const SHORT top = before.dwCursorPosition.Y;
  debugPrint("ClickTime:\t%d\n", 40);
  debugPrintText("command:%S\n", L"DR");
  // The console's own thread prints them; wait for the second line, within bounds.
  for (int i = 0; i < 500 && consoleRow(out, top + 1, 10) != L"command:DR"; ++i) Sleep(10);
  const std::wstring first = consoleRow(out, top, 32);
  EXPECT_EQ(first.substr(0, 10), L"ClickTime:");
  EXPECT_NE(first.find(L"40"), std::wstring::npos) << "the number follows the tab";
  EXPECT_EQ(consoleRow(out, top + 1, 10), L"command:DR");
  CloseHandle(out);

  setDebugConsoleOpen(false);
  EXPECT_FALSE(isDebugConsoleOpen());
  debugPrint("ClickTime:\t%d\n", 41);  // no console: nothing happens, nothing breaks
  setDebugConsoleOpen(true);
  EXPECT_TRUE(isDebugConsoleOpen()) << "a console can be opened again after release";
  setDebugConsoleOpen(false);
}

// Neither a selection nor Ctrl+C in the console may stop the program. (Wine generates no
// Ctrl+Break; the same handler answers it.)
TEST(DebugConsole, HoldsNothingUpAndEndsNothing) {
  FreeConsole();
  SetConsoleCtrlHandler(noteCtrlLetThrough, TRUE);
  setDebugConsoleOpen(true);
  SetConsoleCtrlHandler(noteCtrlThread, TRUE);
  HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD mode = 0;
  EXPECT_TRUE(GetConsoleMode(in, &mode));
  EXPECT_EQ(mode & (ENABLE_EXTENDED_FLAGS | ENABLE_QUICK_EDIT_MODE), DWORD{ENABLE_EXTENDED_FLAGS})
      << "QuickEdit on: a selection would hold every line";
  CloseHandle(in);

  ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
  for (int i = 0; i < 500 && !ctrlThread; ++i) Sleep(10);
  ASSERT_TRUE(ctrlThread.load()) << "Ctrl+C was not delivered";
  EXPECT_EQ(WaitForSingleObject(ctrlThread, 5000), WAIT_OBJECT_0) << "every handler has answered";
  EXPECT_FALSE(ctrlLetThrough) << "Ctrl+C would end the program";
  CloseHandle(ctrlThread);

  SetConsoleCtrlHandler(noteCtrlThread, FALSE);
  setDebugConsoleOpen(false);
  SetConsoleCtrlHandler(noteCtrlLetThrough, FALSE);
}
#endif

}  // namespace
