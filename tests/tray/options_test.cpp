// The options window's model: what it reads, what it refuses, and that saving writes exactly
// the lines the user changed; and its form laid out at 96, 144 and 192 dpi.
#include "tray/options.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <functional>

#include "common/file_access.h"
#include "common/text.h"
#include "settings/profile_store.h"
#include "settings/settings.h"
#include "tests/test_files.h"
#include "tray/device_list.h"

namespace {

using K = SettingKey;

void writeText(const std::wstring& path, const std::wstring& text) {
  ASSERT_TRUE(writeFileBytes(path, "\xFF\xFE" + encodeUtf16le(text)));
}

std::string readText(const std::wstring& path) {
  const auto bytes = readFileBytes(path, kMaxSettingsFileBytes);
  return bytes && bytes->size() >= 2 ? encodeUtf8(decodeUtf16le(bytes->substr(2))) : "";
}

std::string entries(const std::vector<OptionEntry>& list) {
  std::string text;
  for (const OptionEntry& e : list) text += encodeUtf8(e.name + L"=" + e.value) + ";";
  return text;
}

TEST(OptionsModel, LoadsAsTheProgramReads) {
  struct Case {
    const char* name;
    const wchar_t* file;
    K key;
    const wchar_t* shown;
  };
  const Case cases[] = {
      {"absent: the default", L"", K::clickInterval, L"100"},
      {"absent guard: 20", L"", K::holdGuard, L"20"},
      {"guard out of bounds reads as 20", L"[修复参数]\r\n保护间隔=1001\r\n", K::holdGuard, L"20"},
      {"blip length out of bounds reads as 10", L"[修复参数]\r\n抖动时长=31\r\n", K::blipLength,
       L"10"},
      {"absent long-hold guard: 0, the guard's", L"", K::longHoldGuard, L"0"},
      {"drag threshold out of bounds reads as 250", L"[修复参数]\r\n拖动阈值=99\r\n",
       K::dragThreshold, L"250"},
      {"a flag of 5 is on", L"[设备选择]\r\n左键=5\r\n", K::leftButton, L"1"},
      {"快捷键 outside 1..6 is Alt", L"[功能设置]\r\n快捷键=9\r\n", K::modifier, L"1"},
      {"语言 in any case", L"[功能设置]\r\n语言=eNGLISH\r\n", K::language, L"English"},
      {"语言 otherwise Chinese", L"[功能设置]\r\n语言=Deutsch\r\n", K::language, L"中文"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::wstring path = dir.file(L"c.ini");
    writeText(path, c.file);
    EXPECT_EQ(encodeUtf8(loadOptions(*openProfileStore(path))[c.key]), encodeUtf8(c.shown));
  }
  TempDir dir;
  const std::wstring path = dir.file(L"c.ini");
  writeText(path,
            L"[鼠标手势]\r\n; a comment\r\nDR = 3\r\nU=\"C:\\A B\\x.exe\" \"arg\"\r\ndr=4\r\n"
            L"[排除程序]\r\ncs2.exe=1\r\n");
  const Options options = loadOptions(*openProfileStore(path));
  EXPECT_EQ(entries(options.gestures), "DR=3;U=\"C:\\A B\\x.exe\" \"arg\";")
      << "quotes kept, the first of duplicates wins";
  EXPECT_EQ(entries(options.programs), "cs2.exe=1;");
}

TEST(OptionsModel, Validation) {
  struct Case {
    K key;
    const wchar_t* text;
    bool valid;
  };
  const Case cases[] = {
      {K::clickRepair, L"1", true},
      {K::clickRepair, L"2", false},
      {K::clickInterval, L"0", true},
      {K::clickInterval, L" 1000 ", true},
      {K::clickInterval, L"1001", false},
      {K::clickInterval, L"-5", false},
      {K::clickInterval, L"8O", false},
      {K::clickInterval, L"", false},
      {K::clickInterval, L"99999999999", false},
      {K::holdGuard, L"0", false},
      {K::holdGuard, L"1", true},
      {K::blipLength, L"0", true},
      {K::blipLength, L"31", false},
      {K::longHoldGuard, L"1001", false},
      {K::modifier, L"6", true},
      {K::modifier, L"0", false},
      {K::language, L"English", true},
      {K::language, L"中文", true},
      {K::language, L"english", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(validOption(c.key, c.text), c.valid)
        << encodeUtf8(settingRow(c.key).key) << "=" << encodeUtf8(c.text);
  }
  struct Text {
    bool (*check)(const std::wstring&);
    const wchar_t* text;
    bool valid;
  };
  const Text texts[] = {
      {validGestureName, L"DR", true},
      {validGestureName, L"URDLURDLURDLURDLURDLURDLU", true},
      {validGestureName, L"UU", false},
      {validGestureName, L"", false},
      {validGestureName, L"dr", false},
      {validGestureName, L"URDLURDLURDLURDLURDLURDLUR", false},
      {validGestureName, L"DX", false},
      {validGestureValue, L"3", true},
      {validGestureValue, L"10", true},
      {validGestureValue, L"11", false},
      {validGestureValue, L"0", false},
      {validGestureValue, L"7zFM.exe", false},
      {validGestureValue, L"\"C:\\A B\\x.exe\" a", true},
      {validGestureValue, L" ", false},
      {validProgramName, L"cs2.exe", true},
      {validProgramName, L"C:\\x.exe", false},
      {validProgramName, L"a=b.exe", false},
      {validProgramName, L" x.exe", false},
      {validProgramName, L"..", false},
      {validProgramName, L"", false},
      {passesEveryEvent, L"2", true},
      {passesEveryEvent, L"02", true},
      {passesEveryEvent, L"+2", true},
      {passesEveryEvent, L"2 ; remote desktop", true},
      {passesEveryEvent, L"12", false},
  };
  for (const Text& t : texts) EXPECT_EQ(t.check(t.text), t.valid) << encodeUtf8(t.text);
}

// A file the user wrote by hand: every line but the changed ones must come back as it was. (Wine's
// profile functions write "key = value" back as "key=value" whatever the caller does.)
const wchar_t kHandWritten[] =
    L"; my settings\r\n"
    L"[修复功能]\r\n"
    L"单击=1\r\n"
    L"释放=1\r\n"
    L"unknown=keep me\r\n"
    L"[鼠标手势]\r\n"
    L"; gestures\r\n"
    L"DR=3\r\n"
    L"U=\"C:\\A B\\x.exe\"\r\n"
    L"[排除程序]\r\n"
    L"cs2.exe=1\r\n";

TEST(OptionsModel, WritesOnlyWhatChanged) {
  struct Case {
    const char* name;
    std::function<void(Options&)> edit;
    const wchar_t* expected;  // the whole file after saving
    std::vector<K> wrong;
    const wchar_t* before = kHandWritten;
  };
  const Case cases[] = {
      {"nothing changed: nothing written", [](Options&) {}, kHandWritten, {}},
      {"the same number written otherwise: nothing written",
       [](Options& o) { o[K::clickInterval] = L" 0100"; },
       kHandWritten,
       {}},
      {"a flag",
       [](Options& o) { o[K::clickRepair] = L"0"; },
       L"; my settings\r\n[修复功能]\r\n单击=0\r\n释放=1\r\nunknown=keep me\r\n[鼠标手势]\r\n"
       L"; gestures\r\nDR=3\r\nU=\"C:\\A B\\x.exe\"\r\n[排除程序]\r\ncs2.exe=1\r\n",
       {}},
      {"a wrong interval is named and not written",
       [](Options& o) { o[K::releaseInterval] = L"20000"; },
       kHandWritten,
       {K::releaseInterval}},
      {"a gesture removed: its line only",
       [](Options& o) { o.gestures.erase(o.gestures.begin()); },
       L"; my settings\r\n[修复功能]\r\n单击=1\r\n释放=1\r\nunknown=keep me\r\n[鼠标手势]\r\n"
       L"; gestures\r\nU=\"C:\\A B\\x.exe\"\r\n[排除程序]\r\ncs2.exe=1\r\n",
       {}},
      {"a gesture changed and a program added",
       [](Options& o) {
         setEntry(o.gestures, {L"dr", L"4"});
         setEntry(o.programs, {L"mstsc.exe", L"2"});
       },
       L"; my settings\r\n[修复功能]\r\n单击=1\r\n释放=1\r\nunknown=keep me\r\n[鼠标手势]\r\n"
       L"; gestures\r\nDR=4\r\nU=\"C:\\A B\\x.exe\"\r\n[排除程序]\r\ncs2.exe=1\r\nmstsc.exe=2\r\n",
       {}},
      {"a new section and a key of another",
       [](Options& o) {
         o[K::holdGuard] = L"35";
         o[K::modifier] = L"5";
         o[K::xButton1] = L"1";
       },
       L"; my settings\r\n[修复功能]\r\n单击=1\r\n释放=1\r\nunknown=keep me\r\n[鼠标手势]\r\n"
       L"; gestures\r\nDR=3\r\nU=\"C:\\A B\\x.exe\"\r\n[排除程序]\r\ncs2.exe=1\r\n"
       L"[修复参数]\r\n保护间隔=35\r\n[设备选择]\r\n后退键=1\r\n[功能设置]\r\n快捷键=5\r\n",
       {}},
      {"模拟输入 set",
       [](Options& o) { o[K::simulatedInput] = L"0"; },
       L"[输入来源]\r\n模拟输入=0\r\n",
       {},
       L""},
      {"模拟输入 back to 默认: its line goes",
       [](Options& o) { o[K::simulatedInput] = L"-1"; },
       L"[输入来源]\r\nA:B=0\r\n",
       {},
       L"[输入来源]\r\n模拟输入=1\r\nA:B=0\r\n"},
      {"a program written twice in different case: every line of it removed",
       [](Options& o) { o.programs.erase(o.programs.begin()); },
       L"[排除程序]\r\nmstsc.exe=2\r\n",
       {},
       L"[排除程序]\r\ncs2.exe=1\r\nmstsc.exe=2\r\nCS2.EXE=2\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::wstring path = dir.file(L"c.ini");
    writeText(path, c.before);
    const auto store = openProfileStore(path);
    const Options loaded = loadOptions(*store);
    Options edited = loaded;
    c.edit(edited);
    EXPECT_EQ(wrongOptions(loaded, edited), c.wrong);
    EXPECT_TRUE(writeOptions(*store, optionWrites(loaded, edited)));
    EXPECT_EQ(readText(path), encodeUtf8(c.expected));
    // Read back, the file holds what was edited: nothing is left to write.
    EXPECT_TRUE(optionWrites(loadOptions(*openProfileStore(path)), edited).empty());
    EXPECT_FALSE(store->deleteKey(kExcludedProgramsSection, L"absent.exe")) << "nothing removed";
  }
}

// The 输入来源 page's devices: one row per name, and only a device treated otherwise than its kind
// is in the file.
TEST(OptionsModel, DevicesByNameWriteOnlyWhatDiffersFromTheirKind) {
  InputDevices devices;
  SourceTracker tracker(Settings{}, devices);
  const struct {
    std::uintptr_t handle;
    DeviceKind kind;
    const wchar_t* name;
    const wchar_t* description;
    std::uint32_t clicks;
  } seen[] = {{1, DeviceKind::mouse, L"046D:C077", L"USB Optical Mouse", 5},
              {2, DeviceKind::touchpad, L"06CB:CE26", L"Touchpad", 0},
              {3, DeviceKind::mouse, L"06CB:CE26", L"HID-compliant mouse", 3},
              {4, DeviceKind::mouse, L"046D:C077", L"", 2}};
  for (const auto& d : seen) {
    const int slot = tracker.addDevice(d.handle, d.kind, d.name);
    std::wcsncpy(devices.at[slot].description, d.description, kDeviceDescriptionChars - 1);
    devices.at[slot].clicks = d.clicks;
  }
  EXPECT_EQ(untoldPercent(devices), -1) << "no click yet";
  devices.clicks = 11;
  devices.untold = 1;
  EXPECT_EQ(untoldPercent(devices), 10);
  const struct {
    const char* name;
    bool mouseLeftOut, touchpadLeftOut;
    const wchar_t* before;
    const wchar_t* after;
  } cases[] = {
      {"as their kinds: nothing written", false, true, L"", L""},
      {"the mouse left out, the touchpad brought in", true, false, L"",
       L"[输入来源]\r\n046D:C077=0\r\n06CB:CE26=1\r\n"},
      {"both back to their kinds: their lines go", false, true,
       L"[输入来源]\r\n模拟输入=1\r\n046D:C077=0\r\n06CB:CE26=1\r\n",
       L"[输入来源]\r\n模拟输入=1\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::wstring path = dir.file(L"c.ini");
    writeText(path, c.before);
    const auto store = openProfileStore(path);
    const std::vector<DeviceRow> loaded = deviceRows(devices, *store);
    ASSERT_EQ(loaded.size(), 2u);
    EXPECT_EQ(encodeUtf8(loaded[0].description + L" " + loaded[1].description),
              "USB Optical Mouse Touchpad");
    EXPECT_EQ(loaded[0].clicks, 7u);
    EXPECT_EQ(loaded[1].clicks, 3u) << "a touchpad's own mouse collection is the touchpad";
    std::vector<DeviceRow> edited = loaded;
    edited[0].leftOut = c.mouseLeftOut;
    edited[1].leftOut = c.touchpadLeftOut;
    EXPECT_TRUE(writeOptions(*store, deviceWrites(loaded, edited)));
    EXPECT_EQ(readText(path), encodeUtf8(c.after));
    const std::vector<DeviceRow> reread = deviceRows(devices, *openProfileStore(path));
    EXPECT_TRUE(deviceWrites(reread, edited).empty()) << "the file holds what was edited";
  }
}

std::string corners(const LayoutRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

TEST(OptionsLayout, EveryControlInsideAndApartAtEachDpi) {
  const std::vector<FormRow>& rows = optionsForm();
  for (const FontMetrics font : {FontMetrics{12, 6}, FontMetrics{18, 9}, FontMetrics{24, 12}}) {
    SCOPED_TRACE("line height " + std::to_string(font.lineHeight));
    const OptionsLayout layout = layoutOptions(font);
    const LayoutRect client{0, 0, layout.width, layout.height};
    // It fits a 1366 x 768 screen of the same scale, room left for the frame and the taskbar.
    EXPECT_LE(layout.width * 96 / (font.charWidth * 16), 1366 - 40);
    EXPECT_LE(layout.height * 96 / (font.lineHeight * 8), 768 - 40 - 60);
    const std::vector<LayoutRect> shared = {layout.tabs, layout.ok, layout.cancel, layout.apply};
    std::vector<std::vector<LayoutRect>> pages(kOptionsPageCount, shared);
    ASSERT_EQ(layout.cells.size(), [&] {
      std::size_t n = 0;
      for (const FormRow& row : rows) n += row.cells.size();
      return n;
    }());
    std::size_t at = 0;
    for (const FormRow& row : rows) {
      for (std::size_t i = 0; i < row.cells.size(); ++i)
        pages[int(row.page)].push_back(layout.cells[at++]);
    }
    for (const auto& page : pages) {
      for (std::size_t i = 0; i < page.size(); ++i) {
        SCOPED_TRACE(corners(page[i]));
        EXPECT_TRUE(inside(page[i], client));
        EXPECT_GT(page[i].width(), 0);
        for (std::size_t j = i + 1; j < page.size(); ++j) {
          EXPECT_FALSE(overlap(page[i], page[j])) << corners(page[j]);
        }
      }
    }
  }
}

}  // namespace
