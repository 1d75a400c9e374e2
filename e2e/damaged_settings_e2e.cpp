// Settings files as users' disks and editors leave them: cut short, binary, UTF-16 without its
// byte order mark, ten megabytes, read-only, held open by another program. The program must
// start, work with what it could read (or its defaults), and keep every line of the user's.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "common/file_access.h"
#include "common/text.h"
#include "common/window_contract.h"
#include "e2e/harness.h"

namespace {

using namespace e2e;

// Lines of the user's own that no program should lose.
const wchar_t kNote[] = L"; 我的鼠标：左键从 2019 年开始连击";
const wchar_t kOwnLine[] = L"颜色=蓝色 # keep me";

// The user's file: scaled intervals, the left button chosen, and lines of their own.
std::wstring userText() {
  return std::wstring(kNote) + L"\r\n" +
         settingsText(L"[设备选择]\r\n左键=1\r\n[我的设置]\r\n" + std::wstring(kOwnLine) + L"\r\n");
}

std::string utf16le(const std::wstring& text) {
  return encodeUtf16le(text);
}

std::string bom() {
  return "\xFF\xFE";
}

std::string fileBytes(const std::wstring& path) {
  return readFileBytes(path, 1u << 26).value_or("");
}

// The line is in the file, as UTF-16LE (with or without a BOM) or as UTF-8.
bool fileHolds(const std::wstring& path, const std::wstring& line) {
  const std::string bytes = fileBytes(path);
  return bytes.find(utf16le(line)) != std::string::npos ||
         bytes.find(encodeUtf8(line)) != std::string::npos;
}

// The scaled chattering click; the presses that reach the target.
int pressesOfChatteringClick() {
  Target target(200, 200, 300, 200);
  chatteringClick(target.center());
  return target.count(WM_LBUTTONDOWN);
}

constexpr int kFiltered = 1;    // the left button chosen: the bounce is swallowed
constexpr int kUnfiltered = 2;  // the default: the left button is not chosen

// The user's file was read (the left button is chosen) and still holds their own lines.
void expectUserLinesReadAndKept(const Clickmend& program) {
  EXPECT_EQ(pressesOfChatteringClick(), kFiltered) << "左键=1 was read";
  EXPECT_TRUE(fileHolds(program.settingsPath(), kNote));
  EXPECT_TRUE(fileHolds(program.settingsPath(), kOwnLine));
}

TEST(DamagedSettings, CutShortInTheMiddleOfACharacterKeepsWhatWasRead) {
  const std::string whole = bom() + utf16le(userText() + L"[功能设置]\r\n滚轮穿透=1\r\n");
  // Cut inside the last line, through the middle of a UTF-16 code unit.
  const std::string cut = whole.substr(0, whole.size() - 9);
  ASSERT_EQ(cut.size() % 2, 1u);
  Clickmend program(cut, Clickmend::NotStarted{});
  ASSERT_TRUE(program.prepared());
  ASSERT_TRUE(program.start());
  EXPECT_EQ(program.hookInstalls(), 1u);
  expectUserLinesReadAndKept(program);
}

// Every byte value, NULs and lone high bytes included, in a fixed shuffled order.
std::string binaryBytes() {
  std::string binary;
  unsigned x = 12345;
  for (int i = 0; i < 4096; ++i) {
    x = x * 1103515245u + 12345u;
    binary += static_cast<char>((x >> 16) & 0xFF);
  }
  binary[0] = '\x7F';  // not a byte order mark by chance
  return binary;
}

// The file is byte for byte what it was (the sizes and the first difference otherwise).
::testing::AssertionResult unchanged(const std::wstring& path, const std::string& before) {
  const std::string after = fileBytes(path);
  if (after == before) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < after.size() && at < before.size() && after[at] == before[at]) ++at;
  return ::testing::AssertionFailure() << "the file changed: " << before.size() << " bytes before, "
                                       << after.size() << " after, first difference at " << at;
}

// The platform's profile functions would read such a file as text in the ANSI code page and
// write it back without its NUL bytes, the settings appended as "[????]" sections at every save.
TEST(DamagedSettings, BinaryFileGivesTheDefaultsAndIsLeftAsItWas) {
  const std::string binary = binaryBytes();
  Clickmend program(binary, Clickmend::NotStarted{});
  ASSERT_TRUE(program.prepared());
  ASSERT_TRUE(program.start());
  EXPECT_EQ(program.hookInstalls(), 1u);
  EXPECT_EQ(pressesOfChatteringClick(), kUnfiltered) << "the defaults are in force";
  EXPECT_TRUE(unchanged(program.settingsPath(), binary)) << "a file that is not text is not ours";
}

// The platform's profile functions would take such a file for ANSI text and rewrite it, losing
// the user's lines; it gets its byte order mark first.
TEST(DamagedSettings, Utf16WithoutByteOrderMarkIsReadAndKeepsTheUserLines) {
  Clickmend program(utf16le(userText()), Clickmend::NotStarted{});
  ASSERT_TRUE(program.prepared());
  ASSERT_TRUE(program.start());
  EXPECT_EQ(program.hookInstalls(), 1u);
  expectUserLinesReadAndKept(program);
}

TEST(DamagedSettings, TenMegabyteFileIsReadAndKeptWhole) {
  std::wstring text = userText() + L"[我的笔记]\r\n";
  const std::wstring filler =
      L"=一行很长的笔记，写来占地方 a long line of notes to take up room\r\n";
  for (int i = 0; text.size() * 2 < 10u * 1024u * 1024u; ++i) {
    text += L"第" + std::to_wstring(i) + L"行" + filler;
  }
  const std::wstring last = L"最后一行=the end";
  text += last + L"\r\n";
  const std::string bytes = bom() + utf16le(text);
  Clickmend program(bytes, Clickmend::NotStarted{});
  ASSERT_TRUE(program.prepared());
  ASSERT_TRUE(program.start());
  EXPECT_EQ(program.hookInstalls(), 1u);
  expectUserLinesReadAndKept(program);
  EXPECT_TRUE(fileHolds(program.settingsPath(), L"第50000行" + filler));
  EXPECT_TRUE(fileHolds(program.settingsPath(), last));
  EXPECT_GE(fileBytes(program.settingsPath()).size(), bytes.size());

  // Four menu toggles save the whole file four times on the main thread; a click made
  // meanwhile must not wait for them, or the system would drop a hook that slow.
  Target target(200, 200, 300, 200);
  restIn(target, kClickInterval + 100);
  for (int i = 0; i < 4; ++i)
    PostMessageW(program.window(), WM_COMMAND, menu_command::volumeControl, 0);
  Sleep(30);
  const DWORD pressed = GetTickCount();
  mouseButton(MOUSEEVENTF_LEFTDOWN);
  EXPECT_TRUE(pumpUntil([&] { return target.count(WM_LBUTTONDOWN) > 0; }, 5000));
  const DWORD latency = GetTickCount() - pressed;
  std::printf("click while saving a 10 MB settings file: %lu ms to the window\n", latency);
  EXPECT_LT(latency, 150u) << "the hook waited for the saves (each takes over 100 ms)";
  mouseButton(MOUSEEVENTF_LEFTUP);
  pump(kReleaseInterval + 100);
}

// Left to the profile functions, such files are written in the ANSI code page: under one without
// Chinese (1252) every name is saved as "?" and the choice is gone at the next start.
TEST(DamagedSettings, EmptyOrAsciiFileKeepsTheChoiceAndTheUserLinesAcrossARestart) {
  for (const std::string bytes : {"", "; my mouse, my rules\r\n[mine]\r\nkeep=me\r\n"}) {
    SCOPED_TRACE(bytes.empty() ? "empty" : "ASCII");
    Clickmend program(bytes, Clickmend::NotStarted{});
    ASSERT_TRUE(program.prepared());
    ASSERT_TRUE(program.start());
    PostMessageW(program.window(), WM_COMMAND, menu_command::leftButton, 0);  // 鼠标左键
    EXPECT_TRUE(pumpUntil([&] { return fileHolds(program.settingsPath(), L"左键=1"); }, 5000));
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    ASSERT_NE(program.waitForExit(10000), static_cast<DWORD>(STILL_ACTIVE));
    // Started again, it reads the file and writes it straight back: 左键=0 had the choice been
    // lost.
    ASSERT_TRUE(program.start());
    const std::wstring text = program.settingsFileText();
    EXPECT_NE(text.find(L"左键=1"), std::wstring::npos) << narrow(text);
    EXPECT_EQ(text.find(L'?'), std::wstring::npos) << narrow(text);
    EXPECT_EQ(text.rfind(decodeUtf8(bytes).value_or(L"-"), 0), 0u) << narrow(text);
  }
}

// Wine, run as root, lets the platform's profile functions write a read-only file; the program
// checks the attribute itself.
TEST(DamagedSettings, ReadOnlyFileIsReadAndNotWritten) {
  const std::string bytes = bom() + utf16le(userText());
  Clickmend program(bytes, Clickmend::NotStarted{});
  ASSERT_TRUE(program.prepared());
  ASSERT_TRUE(SetFileAttributesW(program.settingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(program.start());
  EXPECT_EQ(program.hookInstalls(), 1u);
  EXPECT_EQ(pressesOfChatteringClick(), kFiltered) << "左键=1 was read";
  EXPECT_TRUE(unchanged(program.settingsPath(), bytes));
}

TEST(DamagedSettings, FileHeldOpenWhileStartingGivesTheDefaultsUntilItIsFree) {
  const std::string bytes = bom() + utf16le(userText());
  Clickmend program(bytes, Clickmend::NotStarted{});
  ASSERT_TRUE(program.prepared());
  // Another program has the file open and shares it with no one.
  HANDLE held = CreateFileW(program.settingsPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const bool started = program.start();
  const UINT_PTR installs = started ? program.hookInstalls() : 0;
  const int presses = started ? pressesOfChatteringClick() : 0;
  CloseHandle(held);
  ASSERT_TRUE(started);
  EXPECT_EQ(installs, 1u);
  EXPECT_EQ(presses, kUnfiltered) << "the defaults are in force while the file is held";
  EXPECT_TRUE(unchanged(program.settingsPath(), bytes));

  // Freed, the file is read the next time the settings are applied.
  SendMessageW(program.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  EXPECT_EQ(pressesOfChatteringClick(), kFiltered) << "左键=1 was read once the file was free";
  EXPECT_TRUE(fileHolds(program.settingsPath(), kNote));
  EXPECT_TRUE(fileHolds(program.settingsPath(), kOwnLine));
}

}  // namespace
