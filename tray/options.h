// The options window's model, portable: every setting as the window shows it, read from the
// settings file with the same checks as loading, edited, checked, and turned into the writes
// that change exactly what the user changed.
//
//   file --loadOptions--> loaded   (kept while the window is open)
//                         edited   (the window's controls)
//   optionWrites(loaded, edited) -> 单击=0, DR=3, delete cs2.exe, ...   (nothing else)
//
// A value that is wrong (out of its bounds, not a number) is left out of the writes and named by
// wrongOptions, for the window to mark next to its control.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/dpi_layout.h"
#include "common/texts.h"
#include "settings/settings_table.h"

class ProfileStore;

// A line of [鼠标手势] or [排除程序]: the name and the value as written.
struct OptionEntry {
  std::wstring name, value;
};

struct Options {
  // Each row of the settings table as its control shows it: "0" or "1", the number, "English"
  // or "中文".
  std::array<std::wstring, kSettingCount> values;
  std::vector<OptionEntry> gestures;
  std::vector<OptionEntry> programs;

  std::wstring& operator[](SettingKey key) { return values[static_cast<std::size_t>(key)]; }
  const std::wstring& operator[](SettingKey key) const {
    return values[static_cast<std::size_t>(key)];
  }
};

// The values as loadSettings reads them (a 保护间隔 out of bounds reads as its default, and so
// on), and both sections' lines.
Options optionsFrom(const Settings& settings, ProfileStore& store);
Options loadOptions(ProfileStore& store);

// The value the control shows is one the file may hold.
bool validOption(SettingKey key, const std::wstring& text);
// Each changed value that is wrong: these are not written.
std::vector<SettingKey> wrongOptions(const Options& loaded, const Options& edited);

// The numbered gesture actions (gesture/commands.h), and the most letters the tracker keeps.
constexpr int kGestureActionCount = 10;
constexpr std::size_t kMostGestureLetters = 25;

// A gesture's direction text as the tracker makes it: U, R, D, L, never one twice in a row.
bool validGestureName(const std::wstring& name);
// An action's number 1..10, or a command line that starts with no digit (it would read as one).
bool validGestureValue(const std::wstring& value);
// A program file's name without folder, such as cs2.exe.
bool validProgramName(const std::wstring& name);

// A program's value in [排除程序] sets rule 2, every event passes, as the program reads it
// ("02", "+2", "2 ; remote desktop"); otherwise rule 1.
bool passesEveryEvent(const std::wstring& value);

// The action a gesture's value names, 1..10; 0 for a command line to run.
int gestureAction(const std::wstring& value);

// Adds the entry, or gives its value to the one of the same name (any case), which keeps its
// spelling.
void setEntry(std::vector<OptionEntry>& entries, const OptionEntry& entry);

// One line to write or, without a value, to delete.
struct OptionWrite {
  const wchar_t* section;
  std::wstring key;
  std::optional<std::wstring> value;
};

// What turns the file from `loaded` into `edited`: each changed and valid value, each entry added
// or changed, each entry removed; nothing else.
std::vector<OptionWrite> optionWrites(const Options& loaded, const Options& edited);
// False when a write did not reach the file (read-only, the disk full, held by another program),
// or a line to delete was no longer there.
bool writeOptions(ProfileStore& store, const std::vector<OptionWrite>& writes);

// ---- The window's form: its pages of rows, as data, and where each control goes. ----

// A checkList is a list view whose rows have check boxes (tray/device_list_win32.h).
enum class FormKind { label, check, edit, combo, button, list, note, hotkey, checkList };

// One control: its identifier (the window's and the end-to-end tests'), its kind, its width in
// dialog units, and the text it is created with (a label, a check box, a button; TextName::count
// for none).
struct FormCell {
  int id;
  FormKind kind;
  int widthUnits;
  TextName text;
};

struct FormRow {
  OptionsPage page;
  std::vector<FormCell> cells;
  int lines = 1;  // a list or a note this many lines tall
};

// Identifiers of the controls: the pages' tabs, then each page's, then 确定 取消 应用.
namespace option_id {
constexpr int ok = 1;      // IDOK
constexpr int cancel = 2;  // IDCANCEL
constexpr int apply = 0x3001;
constexpr int pages = 0x3010;  // the tab control: its tab n is OptionsPage n
// The check boxes and value fields, one per SettingKey.
constexpr int firstValue = 0x3100;  // + SettingKey
constexpr int firstWrong = 0x3200;  // + SettingKey: the note that says a value is wrong
constexpr int suggestion = 0x3300;
constexpr int applySuggestion = 0x3301;
constexpr int gestureList = 0x3400;
constexpr int gestureName = 0x3401;
constexpr int gestureAction = 0x3402;
constexpr int gestureCommand = 0x3403;
constexpr int gestureBrowse = 0x3404;
constexpr int gestureAdd = 0x3405;
constexpr int gestureChange = 0x3406;
constexpr int gestureRemove = 0x3407;
constexpr int gestureWrong = 0x3408;
constexpr int programList = 0x3500;
constexpr int programName = 0x3501;
constexpr int programRule = 0x3502;
constexpr int programBrowse = 0x3503;
constexpr int programOpen = 0x3504;
constexpr int programAdd = 0x3505;
constexpr int programChange = 0x3506;
constexpr int programRemove = 0x3507;
constexpr int programWrong = 0x3508;
constexpr int deviceList = 0x3600;
constexpr int untold = 0x3601;
constexpr int label = 0;  // labels and units: no identifier of their own
}  // namespace option_id

constexpr int optionControlId(SettingKey key) {
  return option_id::firstValue + static_cast<int>(key);
}
constexpr int optionWrongId(SettingKey key) {
  return option_id::firstWrong + static_cast<int>(key);
}

// Every page's rows, top to bottom; the tabs and 确定 取消 应用 are not rows.
const std::vector<FormRow>& optionsForm();

// The tabs are a strip above the page, as wide as the widest page; the page's controls sit on
// the window's own background below it.
//
//   /修复\/功能\/鼠标手势\/排除程序\/输入来源\_____________
//     the page's rows, each cell left to right
//                                [确定] [取消] [应用]
struct OptionsLayout {
  LayoutRect tabs;
  LayoutRect ok, cancel, apply;
  std::vector<LayoutRect> cells;  // in the order of optionsForm(), row by row
  int width = 0, height = 0;      // the client area
};

OptionsLayout layoutOptions(const FontMetrics& font);
