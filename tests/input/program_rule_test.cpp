// The rule of the foreground program, from the settings file and the window's place on screen.
#include "input/program_rule.h"

#include <gtest/gtest.h>

#include "common/file_access.h"
#include "settings/profile_store.h"
#include "tests/test_files.h"

namespace {

TEST(ProgramRule, ListedNames) {
  TempDir dir;
  const std::wstring path = dir.file(L"clickmend.ini");
  ASSERT_TRUE(
      writeFileBytes(path, "\xFF\xFE" + encodeUtf16le(L"[排除程序]\r\ncs2.exe=1\r\nMSTSC.EXE=2\r\n"
                                                      L"paint.exe=0\r\nnone.exe=\r\n"
                                                      L"C:\\Tools\\x.exe=2\r\n")));
  const std::pair<const wchar_t*, Bypass> cases[] = {
      {L"C:\\Games\\cs2.exe", Bypass::features}, {L"C:\\Windows\\mstsc.exe", Bypass::all},
      {L"paint.exe", Bypass::features},          {L"none.exe", Bypass::none},
      {L"C:\\Tools\\x.exe", Bypass::none},       {L"C:\\cs2.exe.bak", Bypass::none},
  };
  ProgramList list;
  list.read(*openProfileStore(path));
  for (const auto& [program, expected] : cases) {
    SCOPED_TRACE(encodeUtf8(program));
    EXPECT_EQ(list.rule(programFileName(program)), expected);
  }
  // The list is read when the settings are applied, not at each change of foreground.
  ASSERT_TRUE(writeFileBytes(path, "\xFF\xFE" + encodeUtf16le(L"[排除程序]\r\nnone.exe=2\r\n")));
  EXPECT_EQ(list.rule(L"none.exe"), Bypass::none);
  list.read(*openProfileStore(path));
  EXPECT_EQ(list.rule(L"none.exe"), Bypass::all);
}

// With 全屏暂停=1, a window over its whole monitor counts as listed with 1.
TEST(ProgramRule, FullScreen) {
  const ScreenRect left{0, 0, 1920, 1080}, right{1920, -200, 4480, 1240};
  const struct {
    const char* name;
    ForegroundWindow window;
    Bypass expected;
  } cases[] = {
      {"left monitor", {left, left}, Bypass::features},
      {"right monitor", {right, right}, Bypass::features},
      {"the first monitor's size on the second", {{1920, 0, 3840, 1080}, right}, Bypass::none},
      {"the desktop", {left, left, true, false}, Bypass::none},
      {"maximised", {left, left, false, true}, Bypass::none},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(foregroundRule(Bypass::none, c.window, true), c.expected) << c.name;
  }
  EXPECT_EQ(foregroundRule(Bypass::none, cases[0].window, false), Bypass::none) << "全屏暂停=0";
}

// Windows keeps the hook from a program run as administrator while we are not; the balloon
// says so while any button is chosen (the left one unless the row names another).
TEST(ProgramRule, ProgramsOutOfOurReach) {
  const ProcessRights medium{true, false, false, 0x2000}, high{true, false, true, 0x3000};
  const ProcessRights denied{false, true}, system{true, false, false, 0x4000};
  const struct {
    ProcessRights program, ours;
    bool told;
    Flag Settings::*chosen = &Settings::leftButton;
  } cases[] = {{medium, medium, false},
               {high, medium, true},
               {denied, medium, true},
               {{}, medium, false},
               {system, medium, true},
               {high, high, false},
               {denied, high, false},
               {system, high, true},
               {high, medium, true, &Settings::middleButton},
               {high, medium, true, &Settings::xButton1},
               {high, medium, true, &Settings::xButton2},
               {high, medium, false, nullptr}};
  for (const auto& c : cases) {
    Settings settings;
    if (c.chosen) settings.*c.chosen = 1;
    EXPECT_EQ(tellOutOfReach(c.program, c.ours, settings), c.told) << &c - cases;
  }
}

// Nothing starts with more rights than the desktop's shell has: an instance run as
// administrator starts it under the shell's process, or not at all.
TEST(ProgramRule, StartsNothingAboveTheShell) {
  const ProcessRights medium{true, false, false, 0x2000}, high{true, false, true, 0x3000};
  const ProcessRights denied{false, true}, system{true, false, false, 0x4000};
  using W = StartWay;
  const struct {
    const char* name;
    ProcessRights ours, shell;
    StartWay withParent, withoutParent;  // the shell's process to be had as parent or not
  } cases[] = {
      {"the usual desktop", medium, medium, W::normally, W::normally},
      {"Wine: every process elevated", high, high, W::normally, W::normally},
      {"run as administrator", high, medium, W::underShell, W::refused},
      {"system integrity", system, high, W::underShell, W::refused},
      {"a shell run as administrator", medium, high, W::normally, W::normally},
      {"no shell, ordinary rights", medium, {}, W::normally, W::normally},
      {"no shell, as administrator", high, {}, W::underShell, W::refused},
      {"the shell refuses us", high, denied, W::underShell, W::refused},
      {"our own rights unread", {}, medium, W::underShell, W::refused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(startWay(c.ours, c.shell, true), c.withParent);
    EXPECT_EQ(startWay(c.ours, c.shell, false), c.withoutParent);
  }
}

}  // namespace
