// The tray menu's rows and the command behind each identifier.
#include "tray/menu.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "common/text.h"
#include "tests/test_files.h"

namespace {

// The settings a first start has: loaded from a file that does not exist.
Settings firstStartSettings() {
  TempDir dir;
  Settings settings;
  loadSettings(settings, dir.file(L"absent.ini"));
  return settings;
}

const char* placeName(MenuPlace place) {
  switch (place) {
    case MenuPlace::top:
      return "top";
    case MenuPlace::deviceSubmenu:
      return "设备";
    case MenuPlace::settingsSubmenu:
      return "设置";
  }
  return "?";
}

// One row as "place | kind text identifier", the identifier in hex.
std::string describe(const MenuRow& row) {
  std::string text = std::string(placeName(row.place)) + " | ";
  switch (row.kind) {
    case MenuRowKind::separator:
      return text + "separator";
    case MenuRowKind::submenu:
      return text + "submenu " + encodeUtf8(row.text) + " -> " + placeName(row.opens);
    case MenuRowKind::item: {
      char id[16];
      std::snprintf(id, sizeof id, "%X", static_cast<unsigned>(row.identifier));
      return text + encodeUtf8(row.text) + " " + id;
    }
  }
  return text + "?";
}

// The state of all rows in one line, a character per row: '.' plain, 'x' checked, 'd' disabled,
// 'X' checked and disabled, 'h' hidden.
std::string marks(const std::array<MenuRow, kTrayMenuRowCount>& rows) {
  std::string line;
  for (const MenuRow& row : rows) {
    line += row.hidden    ? 'h'
            : row.checked ? (row.disabled ? 'X' : 'x')
                          : (row.disabled ? 'd' : '.');
  }
  return line;
}

TEST(TrayMenu, RowsInOrder) {
  const auto rows = trayMenuRows(firstStartSettings(), false);
  const std::string expected[kTrayMenuRowCount] = {
      "top | 屏蔽无效单击 8001",
      "top | 屏蔽无效释放 8002",
      "top | 屏蔽无效滚动 8003",
      "top | submenu 设备 -> 设备",
      "设备 | 鼠标左键 8004",
      "设备 | 鼠标右键 8005",
      "设备 | 鼠标中键 800A",
      "设备 | 后退键 800B",
      "设备 | 前进键 800C",
      "top | separator",
      "top | 滚轮穿透 8006",
      "top | 音量控制 8007",
      "top | 鼠标手势 8008",
      "top | separator",
      "top | submenu 设置 -> 设置",
      "设置 | 选项… 806A",
      "设置 | 编辑配置文件 8067",
      "设置 | separator",
      "设置 | 隐藏图标 8009",
      "设置 | 开机启动 8066",
      "设置 | 以管理员身份重新启动 806B",
      "top | 暂停 8069",
      "top | 鼠标健康 8068",
      "top | 帮助 8065",
      "top | 退出 8064",
  };
  for (std::size_t i = 0; i < kTrayMenuRowCount; ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    EXPECT_EQ(describe(rows[i]), expected[i]);
  }
}

// In English every row reads otherwise and does the same: kind, place, identifier and marks.
TEST(TrayMenu, EnglishRowsKeepTheirIdentifiers) {
  Settings english = firstStartSettings();
  english.language = Language::english;
  const auto chinese = trayMenuRows(firstStartSettings(), true, true);
  const auto rows = trayMenuRows(english, true, true);
  for (std::size_t i = 0; i < kTrayMenuRowCount; ++i) {
    SCOPED_TRACE(describe(chinese[i]) + " / " + describe(rows[i]));
    EXPECT_EQ(rows[i].kind, chinese[i].kind);
    EXPECT_EQ(rows[i].place, chinese[i].place);
    EXPECT_EQ(rows[i].opens, chinese[i].opens);
    EXPECT_EQ(rows[i].identifier, chinese[i].identifier);
    EXPECT_EQ(rows[i].checked, chinese[i].checked);
    EXPECT_EQ(rows[i].disabled, chinese[i].disabled);
    if (rows[i].kind != MenuRowKind::separator) {
      EXPECT_NE(std::wstring(rows[i].text), chinese[i].text);
    }
  }
}

// The desktop attaches a submenu when its row comes and fills it from the rows that follow:
// each submenu's rows must come after the row that opens it, and the menu must close on the
// top level.
TEST(TrayMenu, SubmenuRowsFollowTheirOpeningRow) {
  const auto rows = trayMenuRows(firstStartSettings(), false);
  bool opened[3] = {true, false, false};
  for (std::size_t i = 0; i < kTrayMenuRowCount; ++i) {
    SCOPED_TRACE("row " + std::to_string(i + 1));
    EXPECT_TRUE(opened[static_cast<int>(rows[i].place)]);
    if (rows[i].kind == MenuRowKind::submenu) {
      EXPECT_EQ(rows[i].place, MenuPlace::top);
      EXPECT_NE(rows[i].opens, MenuPlace::top);
      opened[static_cast<int>(rows[i].opens)] = true;
    }
  }
  EXPECT_EQ(rows.back().place, MenuPlace::top);
}

TEST(TrayMenu, ChecksAndDisabledRows) {
  struct Case {
    const char* name;
    void (*change)(Settings&);
    bool autostart;
    const char* expected;  // see marks(): rows 1..25
  };
  const Case cases[] = {
      {"first start: repairs checked but locked, no button", [](Settings&) {}, false,
       "XXX.......xxx............"},
      {"right button chosen unlocks the repairs", [](Settings& s) { s.rightButton = 1; }, false,
       "xxx..x....xxx............"},
      {"left button chosen unlocks the repairs", [](Settings& s) { s.leftButton = 1; }, false,
       "xxx.x.....xxx............"},
      {"both buttons", [](Settings& s) { s.leftButton = s.rightButton = 1; }, false,
       "xxx.xx....xxx............"},
      {"a side button alone unlocks the repairs", [](Settings& s) { s.xButton2 = 1; }, false,
       "xxx.....x.xxx............"},
      {"repairs off and no button: unchecked and still locked",
       [](Settings& s) { s.clickRepair = s.releaseRepair = s.scrollRepair = 0; }, false,
       "ddd.......xxx............"},
      {"one repair off with a button",
       [](Settings& s) {
         s.leftButton = 1;
         s.releaseRepair = 0;
       },
       false, "x.x.x.....xxx............"},
      {"features off", [](Settings& s) { s.wheelPassThrough = s.volumeControl = s.gestures = 0; },
       false, "XXX......................"},
      {"only volume control off", [](Settings& s) { s.volumeControl = 0; }, false,
       "XXX.......x.x............"},
      {"icon hidden checks 隐藏图标", [](Settings& s) { s.showIcon = 0; }, false,
       "XXX.......xxx.....x......"},
      {"autostart registered checks 开机启动", [](Settings&) {}, true, "XXX.......xxx......x....."},
      {"debug mode and intervals show nowhere",
       [](Settings& s) {
         s.debugMode = 1;
         s.clickInterval = 0;
         s.modifierChoice = 5;
       },
       false, "XXX.......xxx............"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings settings = firstStartSettings();
    c.change(settings);
    EXPECT_EQ(marks(trayMenuRows(settings, c.autostart)), c.expected);
  }
  EXPECT_EQ(marks(trayMenuRows(firstStartSettings(), false, true)), "XXX.......xxx........x...")
      << "paused checks 暂停";
  EXPECT_EQ(marks(trayMenuRows(firstStartSettings(), false, false, true)),
            "XXX.......xxx.......h....")
      << "run as administrator hides 以管理员身份重新启动";
}

// Every field of the record by name, to see that a command changed exactly what it should.
std::map<std::string, long long> fields(const Settings& s) {
  return {{"clickRepair", s.clickRepair},
          {"releaseRepair", s.releaseRepair},
          {"scrollRepair", s.scrollRepair},
          {"leftButton", s.leftButton},
          {"rightButton", s.rightButton},
          {"middleButton", s.middleButton},
          {"xButton1", s.xButton1},
          {"xButton2", s.xButton2},
          {"wheelPassThrough", s.wheelPassThrough},
          {"volumeControl", s.volumeControl},
          {"gestures", s.gestures},
          {"showIcon", s.showIcon},
          {"debugMode", s.debugMode},
          {"clickInterval", s.clickInterval},
          {"releaseInterval", s.releaseInterval},
          {"scrollInterval", s.scrollInterval},
          {"modifierChoice", s.modifierChoice},
          {"gestureKey", s.gestureKey},
          {"volumeKey", s.volumeKey}};
}

TEST(TrayMenuCommand, EveryIdentifier) {
  struct Case {
    const char* name;
    std::uintptr_t command;
    TrayAction action;
    const char* flipped;  // the field that changes, or nullptr
    bool save;
  };
  using A = TrayAction;
  const Case cases[] = {
      {"屏蔽无效单击", 0x8001, A::none, "clickRepair", true},
      {"屏蔽无效释放", 0x8002, A::none, "releaseRepair", true},
      {"屏蔽无效滚动", 0x8003, A::none, "scrollRepair", true},
      {"鼠标左键", 0x8004, A::none, "leftButton", true},
      {"鼠标右键", 0x8005, A::none, "rightButton", true},
      {"滚轮穿透", 0x8006, A::none, "wheelPassThrough", true},
      {"音量控制", 0x8007, A::none, "volumeControl", true},
      {"鼠标手势", 0x8008, A::none, "gestures", true},
      {"隐藏图标", 0x8009, A::removeIcon, "showIcon", true},
      {"退出", 0x8064, A::destroyWindow, nullptr, false},
      {"帮助", 0x8065, A::showAbout, nullptr, false},
      {"开机启动", 0x8066, A::toggleAutostart, nullptr, false},
      {"编辑配置文件", 0x8067, A::editSettings, nullptr, false},
      {"暂停: not saved", 0x8069, A::togglePause, nullptr, false},
      {"unknown: zero", 0, A::none, nullptr, true},
      {"unknown: just below the toggles", 0x8000, A::none, nullptr, true},
      {"鼠标中键", 0x800A, A::none, "middleButton", true},
      {"后退键", 0x800B, A::none, "xButton1", true},
      {"前进键", 0x800C, A::none, "xButton2", true},
      {"unknown: just after 前进键", 0x800D, A::none, nullptr, true},
      {"unknown: just below 退出", 0x8063, A::none, nullptr, true},
      {"鼠标健康", 0x8068, A::showSwitchHealth, nullptr, false},
      {"选项…", 0x806A, A::showOptions, nullptr, false},
      {"以管理员身份重新启动", 0x806B, A::restartElevated, nullptr, false},
      {"unknown: just after 以管理员身份重新启动", 0x806C, A::none, nullptr, true},
      {"unknown: 鼠标左键 with a notification code above", 0x18004, A::none, nullptr, true},
      {"unknown: 退出 with a notification code above", 0x10008064, A::none, nullptr, true},
      {"unknown: all bits", static_cast<std::uintptr_t>(-1), A::none, nullptr, true},
  };
  const Settings before = firstStartSettings();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const MenuCommandPlan plan = planMenuCommand(c.command);
    EXPECT_EQ(plan.action, c.action);
    EXPECT_EQ(plan.save, c.save);
    Settings settings = before;
    flipMenuFlag(settings, plan);
    auto expected = fields(before);
    if (c.flipped) expected.at(c.flipped) ^= 1;
    EXPECT_EQ(fields(settings), expected);
  }
}

// Choosing a check row must turn its own check mark over, and it must do so both ways.
TEST(TrayMenuCommand, ChoosingACheckRowTurnsItsMark) {
  Settings settings = firstStartSettings();
  settings.leftButton = 1;  // so that no row is locked
  for (std::size_t i = 0; i < kTrayMenuRowCount; ++i) {
    const MenuRow row = trayMenuRows(settings, false)[i];
    if (row.kind != MenuRowKind::item) continue;
    const MenuCommandPlan plan = planMenuCommand(row.identifier);
    if (!plan.flip) continue;
    SCOPED_TRACE(encodeUtf8(row.text));
    for (int round = 0; round < 2; ++round) {
      const bool wasChecked = trayMenuRows(settings, false)[i].checked;
      flipMenuFlag(settings, plan);
      EXPECT_NE(trayMenuRows(settings, false)[i].checked, wasChecked);
    }
  }
}

// Every row the user can choose reaches a command; none falls through to the unknown case.
TEST(TrayMenuCommand, EveryItemIsKnown) {
  for (const MenuRow& row : trayMenuRows(firstStartSettings(), false)) {
    if (row.kind != MenuRowKind::item) continue;
    SCOPED_TRACE(encodeUtf8(row.text));
    const MenuCommandPlan plan = planMenuCommand(row.identifier);
    EXPECT_TRUE(plan.action != TrayAction::none || plan.flip != nullptr);
  }
}

}  // namespace
