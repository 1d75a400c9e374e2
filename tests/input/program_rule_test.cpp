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
                                                      L"C:\\Tools\\x.exe=2\r\nzero.exe=02\r\n"
                                                      L"plus.exe=+2\r\n"
                                                      L"rdp.exe=2 ; remote desktop\r\n")));
  const std::pair<const wchar_t*, Bypass> cases[] = {
      {L"C:\\Games\\cs2.exe", Bypass::features},
      {L"C:\\Windows\\mstsc.exe", Bypass::all},
      {L"paint.exe", Bypass::features},
      {L"none.exe", Bypass::none},
      {L"C:\\Tools\\x.exe", Bypass::none},
      {L"C:\\cs2.exe.bak", Bypass::none},
      {L"zero.exe", Bypass::all},
      {L"plus.exe", Bypass::all},
      {L"rdp.exe", Bypass::all},
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

// Out of reach: the windows of a program run as administrator, while we are not.
TEST(ProgramRule, ProgramsOutOfOurReach) {
  const ProcessRights medium{true, false, false, 0x2000}, high{true, false, true, 0x3000};
  const ProcessRights denied{false, true}, unreadable{false, false};
  const ProcessRights system{true, false, false, 0x4000}, low{true, false, false, 0x1000};
  const struct {
    const char* name;
    ProcessRights program, ours;
    bool out;
  } cases[] = {
      {"an ordinary program", medium, medium, false},
      {"Task Manager run as administrator", high, medium, true},
      {"its token refused us", denied, medium, true},
      {"unreadable for another reason", unreadable, medium, false},
      {"a system process", system, medium, true},
      {"a low-integrity browser tab", low, medium, false},
      {"we run as administrator too", high, high, false},
      {"refused to us as administrator", denied, high, false},
      {"a system process while we run as administrator", system, high, true},
  };
  for (const auto& c : cases) EXPECT_EQ(outOfOurReach(c.program, c.ours), c.out) << c.name;
}

}  // namespace
