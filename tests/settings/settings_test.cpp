// The settings file as the user sees it. The same cases run on the host against the file-backed
// store and under Wine against the real profile functions.
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "common/file_access.h"
#include "common/text.h"
#include "settings/profile_store.h"
#include "tests/test_files.h"

namespace {

std::string utf8(const std::wstring& text) {
  return encodeUtf8(text);
}

// The file's text whatever its encoding.
std::wstring fileText(const std::wstring& path) {
  auto bytes = readFileBytes(path, kMaxSettingsFileBytes);
  if (!bytes) return L"<unreadable>";
  if (hasUtf16leBom(*bytes)) return decodeUtf16le(bytes->substr(2));
  if (hasUtf8Bom(*bytes)) return decodeUtf8(bytes->substr(3)).value_or(L"<bad>");
  return decodeUtf8(*bytes).value_or(L"<bad>");
}

void writeUtf16(const std::wstring& path, const std::wstring& text) {
  ASSERT_TRUE(writeFileBytes(path, "\xFF\xFE" + encodeUtf16le(text)));
}

std::uint32_t readInt(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                      std::int32_t fallback) {
  return openProfileStore(path)->readInt(section, key, fallback);
}

class SettingsFile : public ::testing::Test {
 protected:
  TempDir dir;
  std::wstring path = dir.file(L"clickmend.ini");
  Settings settings;
};

TEST_F(SettingsFile, FirstStartWritesTheNineKeysWithDefaults) {
  loadSettings(settings, path);
  saveSettings(settings, path);

  EXPECT_EQ(settings.clickInterval, 100);
  EXPECT_EQ(settings.releaseInterval, 50);
  EXPECT_EQ(settings.scrollInterval, 50);
  EXPECT_EQ(settings.debugMode, 0);
  EXPECT_EQ(settings.gestureKey, vk::alt);
  EXPECT_EQ(settings.volumeKey, vk::alt);
  EXPECT_EQ(settings.modifierChoice, 1u);

  auto bytes = readFileBytes(path, kMaxSettingsFileBytes);
  ASSERT_TRUE(bytes);
  EXPECT_TRUE(hasUtf16leBom(*bytes)) << "a new settings file must be Unicode";

  struct Expected {
    const wchar_t* section;
    const wchar_t* key;
    std::uint32_t value;
  };
  const Expected written[] = {
      {L"修复功能", L"单击", 1},     {L"修复功能", L"释放", 1},     {L"修复功能", L"滚动", 1},
      {L"设备选择", L"左键", 0},     {L"设备选择", L"右键", 0},     {L"功能设置", L"滚轮穿透", 1},
      {L"功能设置", L"音量控制", 1}, {L"功能设置", L"鼠标手势", 1}, {L"功能设置", L"显示图标", 1},
  };
  for (const Expected& e : written) {
    SCOPED_TRACE(utf8(e.key));
    EXPECT_EQ(readInt(path, e.section, e.key, 77), e.value);
  }
  for (const wchar_t* key : {L"单击间隔", L"释放间隔", L"滚动间隔", L"保护间隔", L"抖动时长"}) {
    EXPECT_EQ(readInt(path, L"修复参数", key, 77), 77u) << utf8(key) << " must not be written";
  }
  for (const wchar_t* key : {L"中键", L"后退键", L"前进键"}) {
    EXPECT_EQ(readInt(path, L"设备选择", key, 77), 77u) << utf8(key) << " must not be written";
  }
  EXPECT_EQ(readInt(path, L"功能设置", L"调试模式", 77), 77u);
  EXPECT_EQ(readInt(path, L"功能设置", L"快捷键", 77), 77u);
  EXPECT_EQ(settings.language, Language::chinese);
  EXPECT_EQ(openProfileStore(path)->readString(L"功能设置", L"语言", 16), L"") << "not written";
  EXPECT_EQ(settingsNotAtDefaults(settings), std::vector<std::wstring>());
}

TEST_F(SettingsFile, LanguageIsEnglishOnlyWhenAskedFor) {
  struct Case {
    const wchar_t* line;
    Language language;
  };
  const Case cases[] = {
      {L"语言=English", Language::english},
      {L"  语言 = english  ", Language::english},
      {L"语言=英文", Language::chinese},
      {L"语言=", Language::chinese},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf8(c.line));
    writeUtf16(path, std::wstring(L"[功能设置]\r\n") + c.line + L"\r\n");
    loadSettings(settings, path);
    EXPECT_EQ(settings.language, c.language);
    saveSettings(settings, path);
    loadSettings(settings, path);
    EXPECT_EQ(settings.language, c.language) << "a save keeps the line";
  }
}

TEST_F(SettingsFile, ValuesReadAsTheirLeadingNumber) {
  struct Case {
    const wchar_t* line;
    std::int32_t value;
    WholeField<std::int32_t> Settings::*field = &Settings::clickInterval;
    const wchar_t* section = L"[修复参数]";
  };
  const Case cases[] = {
      {L"单击间隔=30", 30},
      {L"单击间隔=-1", -1},         // 4294967295 as the unsigned result
      {L"单击间隔=4294967297", 1},  // wraps modulo 2^32
      {L"单击间隔=42A9", 42},
      {L"单击间隔=B42", 0},
      {L"单击间隔=", 100},             // empty: the default
      {L"  单击间隔  =  250  ", 250},  // spaces around key and value
      {L"单击间隔=\"75\"", 75},        // matching quotes removed
      {L"单击间隔=+12", 12},
      // The guard's window delays every release of an armed button: out of 1..1000, the default.
      {L"保护间隔=35", 35, &Settings::holdGuardInterval},
      {L"保护间隔=0", 20, &Settings::holdGuardInterval},
      {L"保护间隔=1001", 20, &Settings::holdGuardInterval},
      {L"保护间隔=-1", 20, &Settings::holdGuardInterval},
      // A press of a blip's length is held back: 0 turns the rule off; out of 0..30, the default.
      {L"抖动时长=6", 6, &Settings::blipLength},
      {L"抖动时长=0", 0, &Settings::blipLength},
      {L"抖动时长=31", 10, &Settings::blipLength},
      {L"抖动时长=-1", 10, &Settings::blipLength},
      // Other programs' input: absent until the file says, never written by a save.
      {L"模拟输入=1", 1, &Settings::simulatedInput, L"[输入来源]"},
      {L"模拟输入=0", 0, &Settings::simulatedInput, L"[输入来源]"},
      {L"模拟输入=7", 1, &Settings::simulatedInput, L"[输入来源]"},
      {L"模拟输入=", -1, &Settings::simulatedInput, L"[输入来源]"},
      {L"其他=1", -1, &Settings::simulatedInput, L"[输入来源]"},
      // The pause hot key: a key with modifiers (Ctrl+Alt+P is 0x650), else none; never saved.
      {L"暂停热键=1616", 1616, &Settings::pauseHotkey, L"[功能设置]"},
      {L"暂停热键=1536", 0, &Settings::pauseHotkey, L"[功能设置]"},
      {L"暂停热键=4096", 0, &Settings::pauseHotkey, L"[功能设置]"},
      {L"暂停热键=-1", 0, &Settings::pauseHotkey, L"[功能设置]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf8(c.line));
    writeUtf16(path, std::wstring(c.section) + L"\r\n" + c.line + L"\r\n");
    loadSettings(settings, path);
    EXPECT_EQ(settings.*c.field, c.value);
  }
  saveSettings(settings, path);
  EXPECT_EQ(fileText(path).find(L"模拟输入"), std::wstring::npos);
}

TEST_F(SettingsFile, FlagsAreOneForAnyNonZeroValue) {
  writeUtf16(path,
             L"[修复功能]\r\n单击=5\r\n释放=0\r\n[设备选择]\r\n左键=abc\r\n右键=-3\r\n"
             L"中键=2\r\n前进键=1\r\n");
  loadSettings(settings, path);
  EXPECT_EQ(settings.clickRepair, 1);
  EXPECT_EQ(settings.releaseRepair, 0);
  EXPECT_EQ(settings.leftButton, 0);
  EXPECT_EQ(settings.rightButton, 1);
  EXPECT_EQ(settings.middleButton, 1);
  EXPECT_EQ(settings.xButton1, 0);
  EXPECT_EQ(settingsNotAtDefaults(settings),
            (std::vector<std::wstring>{L"[修复功能] 释放=0", L"[设备选择] 右键=1",
                                       L"[设备选择] 中键=1", L"[设备选择] 前进键=1"}));
  settings.xButton2 = 0;
  saveSettings(settings, path);
  EXPECT_EQ(readInt(path, L"修复功能", L"单击", 77), 1u) << "5 is written back as 1";
  EXPECT_EQ(readInt(path, L"设备选择", L"中键", 77), 1u) << "2 is written back as 1";
  EXPECT_EQ(readInt(path, L"设备选择", L"后退键", 77), 77u) << "off and never named: not written";
  EXPECT_EQ(readInt(path, L"设备选择", L"前进键", 77), 0u) << "named once: written when off";
}

TEST_F(SettingsFile, ModifierChoiceMapsToGestureAndVolumeKeys) {
  struct Case {
    const wchar_t* value;
    std::uint32_t stored, gesture, volume;
  };
  const Case cases[] = {
      {L"0", 1, vk::alt, vk::alt},
      {L"1", 1, vk::alt, vk::alt},
      {L"2", 2, vk::control, vk::control},
      {L"3", 3, vk::shift, vk::shift},
      {L"4", 4, vk::leftWindows, vk::leftWindows},
      {L"5", 5, vk::alt, vk::rightButton},
      {L"6", 6, vk::alt, vk::leftButton},
      {L"7", 1, vk::alt, vk::alt},
      {L"-2", 1, vk::alt, vk::alt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(utf8(c.value));
    writeUtf16(path, std::wstring(L"[功能设置]\r\n快捷键=") + c.value + L"\r\n");
    loadSettings(settings, path);
    EXPECT_EQ(settings.modifierChoice, c.stored);
    EXPECT_EQ(settings.gestureKey, c.gesture);
    EXPECT_EQ(settings.volumeKey, c.volume);
  }
}

TEST_F(SettingsFile, SavesKeepEveryLineTheyDoNotOwn) {
  const std::wstring userLines[] = {
      L"; my mouse settings",
      L"单击间隔=30",
      L"调试模式=1",
      L"DR=3",
      L"U=notepad.exe \"C:\\My Files\\a.txt\"",
  };
  writeUtf16(path,
             L"; my mouse settings\r\n[修复参数]\r\n单击间隔=30\r\n[功能设置]\r\n调试模式=1\r\n"
             L"鼠标手势=0\r\n[鼠标手势]\r\nDR=3\r\nU=notepad.exe \"C:\\My Files\\a.txt\"\r\n");
  loadSettings(settings, path);
  settings.leftButton = 1;
  saveSettings(settings, path);
  saveSettings(settings, path);

  const std::wstring text = fileText(path);
  for (const std::wstring& line : userLines) {
    EXPECT_NE(text.find(line + L"\r\n"), std::wstring::npos) << utf8(line) << " lost from\n"
                                                             << utf8(text);
  }
  EXPECT_EQ(text.find(L"鼠标手势=0"), text.rfind(L"鼠标手势=0")) << "rewritten in place, not added";
  EXPECT_EQ(readInt(path, L"功能设置", L"鼠标手势", 77), 0u);
  EXPECT_EQ(readInt(path, L"设备选择", L"左键", 77), 1u);
  EXPECT_EQ(readInt(path, L"修复参数", L"单击间隔", 77), 30u);

  // One key written alone (the 鼠标健康 window's buttons): a hand edit since the load stays.
  openProfileStore(path)->writeString(L"功能设置", L"鼠标手势", L"1");
  settings.clickInterval = 80;
  saveSettingsKeys(settings, path, {L"单击间隔"});
  EXPECT_EQ(readInt(path, L"功能设置", L"鼠标手势", 77), 1u);
  EXPECT_EQ(readInt(path, L"修复参数", L"单击间隔", 77), 80u);
}

TEST_F(SettingsFile, NamesMatchWithoutCaseAndSpaces) {
  writeUtf16(path, L"[ 修复参数 ]\r\n 释放间隔 = 70\r\n[鼠标手势]\r\ndr = 7 \r\n");
  loadSettings(settings, path);
  EXPECT_EQ(settings.releaseInterval, 70);
  auto store = openProfileStore(path);
  EXPECT_EQ(store->readInt(L"鼠标手势", L"DR", 0), 7u);
  EXPECT_EQ(store->readString(L"鼠标手势", L"Dr", 255), L"7");
  EXPECT_EQ(store->readString(L"鼠标手势", L"DRD", 255), L"");
}

TEST_F(SettingsFile, FirstOfTwoEqualKeysWins) {
  writeUtf16(path, L"[修复参数]\r\n单击间隔=30\r\n单击间隔=60\r\n");
  loadSettings(settings, path);
  EXPECT_EQ(settings.clickInterval, 30);
}

TEST_F(SettingsFile, LongValuesAreCutAtTheBuffer) {
  const std::wstring longCommand(400, L'x');
  writeUtf16(path, L"[鼠标手势]\r\nU=" + longCommand + L"\r\n");
  EXPECT_EQ(openProfileStore(path)->readString(L"鼠标手势", L"U", 255), longCommand.substr(0, 254));
}

TEST_F(SettingsFile, Utf8FilesAreKeptWholeAndMadeUnicode) {
  const std::string bodies[] = {
      "\xEF\xBB\xBF; caf\xC3\xA9\r\n[\xE4\xBF\xAE\xE5\xA4\x8D\xE5\x8F\x82\xE6\x95\xB0]\r\n"
      "\xE5\x8D\x95\xE5\x87\xBB\xE9\x97\xB4\xE9\x9A\x94=30\r\n",
      "; caf\xC3\xA9\n[\xE4\xBF\xAE\xE5\xA4\x8D\xE5\x8F\x82\xE6\x95\xB0]\n"
      "\xE5\x8D\x95\xE5\x87\xBB\xE9\x97\xB4\xE9\x9A\x94=30\n",
  };
  for (const std::string& body : bodies) {
    SCOPED_TRACE(hasUtf8Bom(body) ? "with BOM" : "without BOM");
    ASSERT_TRUE(writeFileBytes(path, body));
    loadSettings(settings, path);
    EXPECT_EQ(settings.clickInterval, 30);
    saveSettings(settings, path);
    auto bytes = readFileBytes(path, kMaxSettingsFileBytes);
    ASSERT_TRUE(bytes);
    EXPECT_TRUE(hasUtf16leBom(*bytes));
    const std::wstring text = fileText(path);
    EXPECT_NE(text.find(L"; caf\u00e9"), std::wstring::npos) << utf8(text);
    EXPECT_NE(text.find(L"单击间隔=30"), std::wstring::npos) << utf8(text);
    EXPECT_EQ(readInt(path, L"修复功能", L"单击", 77), 1u);
  }
}

// Left to the profile functions such files are written in the ANSI code page, where the names
// of a system without Chinese come back as "?": the choice is lost at the next start.
TEST_F(SettingsFile, EmptyAndAsciiFilesAreMadeUnicodeByteForByte) {
  for (const std::string body : {"", "; plain\r\n[other]\r\nkey=1\r\n"}) {
    SCOPED_TRACE(body.empty() ? "empty" : "ASCII");
    ASSERT_TRUE(writeFileBytes(path, body));
    loadSettings(settings, path);
    settings.leftButton = 1;
    saveSettings(settings, path);
    Settings restarted;
    loadSettings(restarted, path);
    EXPECT_EQ(restarted.leftButton, 1);
    const std::string bytes = readFileBytes(path, kMaxSettingsFileBytes).value_or("");
    EXPECT_EQ(bytes.rfind("\xFF\xFE" + encodeUtf16le(decodeUtf8(body).value()), 0), 0u)
        << "the user's lines first, each byte a character";
  }
}

// A file in the ANSI code page (GBK written on a Chinese system, say) is made Unicode as the
// profile functions read it, so no value changes.
TEST_F(SettingsFile, CodePageFilesReadTheSameOnceConverted) {
  ASSERT_TRUE(writeFileBytes(path, "; caf\xE9\r\n[other]\r\nnote=caf\xE9 \xB0\xA1\r\nn=7\r\n"));
  const std::wstring before = openProfileStore(path)->readString(L"other", L"note", 255);
  EXPECT_TRUE(prepareSettingsFile(path));
  EXPECT_EQ(openProfileStore(path)->readString(L"other", L"note", 255), before);
  EXPECT_EQ(readInt(path, L"other", L"n", 0), 7u);
#ifdef _WIN32
  EXPECT_TRUE(hasUtf16leBom(readFileBytes(path, kMaxSettingsFileBytes).value_or("")));
#endif
}

TEST_F(SettingsFile, DamagedFilesGiveDefaultsAndNeverCrash) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919 + 13) & 0xFF));
  const std::string files[] = {
      garbage,
      std::string("\0\0\0\0[\0\0", 8),
      "[\xE4\xBF",    // truncated in the middle of a name
      "\xFF\xFE[\0",  // truncated UTF-16
      "[修复参数]\r\n单击间隔=999999999999999999999999999\r\n",
  };
  for (const std::string& body : files) {
    ASSERT_TRUE(writeFileBytes(path, body));
    Settings loaded;
    loadSettings(loaded, path);
    EXPECT_LE(loaded.clickRepair, 1);
    EXPECT_EQ(loaded.releaseInterval, 50);
    saveSettings(loaded, path);
  }
}

TEST_F(SettingsFile, FilesThatAreNotTextAreNeverRewritten) {
  const std::string files[] = {
      std::string("\x7F"
                  "ELF\x01\x01\x01\0\0\0\0\0\0\0\0\0\x02\0\x03\0",
                  20),
      std::string("[\xE4\xBF\xAE]\r\n\0\0\0\0garbage", 16),
      std::string("\0\0\0\0[\0\0", 8),
  };
  for (const std::string& body : files) {
    ASSERT_TRUE(writeFileBytes(path, body));
    loadSettings(settings, path);
    EXPECT_EQ(settings.clickInterval, 100);
    saveSettings(settings, path);
    EXPECT_EQ(readFileBytes(path, kMaxSettingsFileBytes).value_or("<gone>"), body);
  }
}

TEST_F(SettingsFile, Utf16WithoutByteOrderMarkKeepsEveryLine) {
  const std::wstring text = L"; 我的设置\r\n[设备选择]\r\n左键=1\r\n[修复参数]\r\n单击间隔=30\r\n";
  ASSERT_TRUE(writeFileBytes(path, encodeUtf16le(text)));
  loadSettings(settings, path);
  EXPECT_EQ(settings.leftButton, 1);
  EXPECT_EQ(settings.clickInterval, 30);
  saveSettings(settings, path);
  const std::wstring after = fileText(path);
  EXPECT_NE(after.find(L"; 我的设置\r\n"), std::wstring::npos) << utf8(after);
  EXPECT_NE(after.find(L"单击间隔=30\r\n"), std::wstring::npos) << utf8(after);
  EXPECT_EQ(readInt(path, L"设备选择", L"左键", 77), 1u);
}

TEST_F(SettingsFile, ReadOnlyFileIsReadAndLeftAlone) {
  writeUtf16(path, L"[设备选择]\r\n左键=1\r\n");
  const auto before = readFileBytes(path, kMaxSettingsFileBytes);
  setReadOnly(path, true);
  loadSettings(settings, path);
  EXPECT_EQ(settings.leftButton, 1);
  settings.rightButton = 1;
  saveSettings(settings, path);
  EXPECT_EQ(readFileBytes(path, kMaxSettingsFileBytes), before);
  setReadOnly(path, false);
}

// Held by another program, the file reads as if every key were absent. A folder in its place
// stands for that here: it exists and cannot be read.
TEST_F(SettingsFile, AFileThatCannotBeReadIsNotReadAsDefaults) {
  namespace fs = std::filesystem;
  const std::wstring mine = L"[修复功能]\r\n单击=0\r\n[设备选择]\r\n左键=1\r\n";
  writeUtf16(path, mine);
  loadSettings(settings, path);
  fs::rename(fs::path(path), fs::path(path + L".away"));
  fs::create_directory(fs::path(path));
  EXPECT_FALSE(loadSettings(settings, path));
  EXPECT_EQ(settings.clickRepair, 0) << "a reload keeps the settings in force";
  EXPECT_EQ(settings.leftButton, 1);
  Settings started;
  loadSettings(started, path);
  EXPECT_EQ(started.clickRepair, 1) << "a start runs on the defaults";
  fs::remove(fs::path(path));
  fs::rename(fs::path(path + L".away"), fs::path(path));
  saveSettings(started, path);
  EXPECT_EQ(utf8(fileText(path)), utf8(mine)) << "not written over before it was read";
}

TEST_F(SettingsFile, LargeFileIsStillRead) {
  std::wstring text = L"[padding]\r\n";
  for (int i = 0; i < 20000; ++i) text += L"k" + std::to_wstring(i) + L"=some value\r\n";
  text += L"[修复参数]\r\n单击间隔=33\r\n";
  writeUtf16(path, text);
  loadSettings(settings, path);
  EXPECT_EQ(settings.clickInterval, 33);
}

TEST_F(SettingsFile, ConcurrentSavesAndLoadsKeepTheFileWhole) {
  writeUtf16(path, L"[修复参数]\r\n单击间隔=30\r\n[鼠标手势]\r\nDR=3\r\n");
  Settings a, b, c;
  loadSettings(a, path);
  loadSettings(b, path);
  b.leftButton = 1;
  constexpr int kRounds = 40;
  std::thread saverA([&] {
    for (int i = 0; i < kRounds; ++i) saveSettings(a, path);
  });
  std::thread saverB([&] {
    for (int i = 0; i < kRounds; ++i) saveSettings(b, path);
  });
  std::thread loader([&] {
    for (int i = 0; i < kRounds; ++i) {
      loadSettings(c, path);
      EXPECT_EQ(c.clickInterval, 30);
    }
  });
  saverA.join();
  saverB.join();
  loader.join();
  const std::wstring text = fileText(path);
  EXPECT_NE(text.find(L"单击间隔=30"), std::wstring::npos) << utf8(text);
  EXPECT_NE(text.find(L"DR=3"), std::wstring::npos) << utf8(text);
}

TEST(SettingsPath, ExtensionIsReplacedByIni) {
  EXPECT_EQ(settingsPathForExecutable(L"D:\\Tools\\x.exe"), L"D:\\Tools\\x.ini");
  EXPECT_EQ(settingsPathForExecutable(L"D:\\my.tools\\clickmend"), L"D:\\my.tools\\clickmend.ini");
  EXPECT_EQ(settingsPathForExecutable(L"C:\\a\\b.c.exe"), L"C:\\a\\b.c.ini");
  const std::wstring deep = L"C:\\" + std::wstring(300, L'd') + L"\\clickmend.exe";
  EXPECT_EQ(settingsPathForExecutable(deep), deep.substr(0, deep.size() - 4) + L".ini");
}

}  // namespace
