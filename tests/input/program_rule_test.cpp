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

}  // namespace
