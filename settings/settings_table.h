// Every single-valued setting of the settings file, one row each: where it lives, the member of
// the record it fills, its default and bounds, when a save writes it, and where and under which
// name the options window shows it. Loading and saving (settings.cpp), the options window's
// fields (tray/options.h) and a suggestion of 鼠标健康 put into the settings (health/what_if.h)
// all walk it: a new setting is a row here, its texts, and the code that uses it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/texts.h"
#include "settings/settings.h"

// In the order of the table, which is the order loading reads them, a save writes them and a new
// file holds them.
enum class SettingKey : int {
  clickRepair,
  releaseRepair,
  scrollRepair,
  clickInterval,
  releaseInterval,
  scrollInterval,
  holdGuard,
  blipLength,
  longHoldGuard,
  dragThreshold,
  leftButton,
  rightButton,
  middleButton,
  xButton1,
  xButton2,
  wheelPassThrough,
  volumeControl,
  gestures,
  showIcon,
  debugMode,
  fullScreenPause,
  modifier,
  language,
  pauseHotkey,
  simulatedInput,
  count
};
constexpr std::size_t kSettingCount = static_cast<std::size_t>(SettingKey::count);

// How a value is read from the file and edited in the options window.
enum class SettingKind : std::uint8_t {
  flag,  // any number but 0 reads as 1 (a default of -1: absent); a check box, or with `choices`
         // a list of absent, 0 and 1
  interval,  // milliseconds, read as written; the window offers least..most
  bounded,   // milliseconds; outside least..most reads as the default
  choice,    // least..most, outside reads as the default; a list of `choices` to pick from
  language,  // "English" in any case is 1, anything else 0; a list of `choices`
  hotkey,    // a key with its modifiers, as a hot key field holds it; outside least..most: none
};

// When saveSettings writes it: never (a window writes it when the user sets it, through
// saveSettingsKeys), always, or `once` it differs from its default or the file holds it, so that
// a file that never named it stays as it was.
enum class Written : std::uint8_t { never, always, once };

// The options window's pages. A setting is shown on its page's line, beside the others of the
// same line in the order of the table; the gestures and the programs have a page each, and the
// input sources' page lists the devices below its setting. A setting whose page is `count` is not
// shown.
enum class OptionsPage : int { repairs, features, gestures, programs, sources, count };
constexpr int kOptionsPageCount = static_cast<int>(OptionsPage::count);

struct SettingRow {
  SettingKey setting;
  const wchar_t* section;
  const wchar_t* key;
  SettingKind kind;
  // The member of the record it fills, as a whole number (a flag 0 or 1, a Language 0 or 1).
  std::int32_t (*get)(const Settings&);
  void (*set)(Settings&, std::int32_t);
  std::int32_t fallback;     // the default, for a key absent or out of bounds
  std::int32_t least, most;  // what the window offers
  Written written;
  TextName label;  // its name in the options window
  OptionsPage page;
  int line;
  const TextName* choices;  // choice and language: the list's rows, least first
  // Shown beside its field while the value is right: what the setting costs.
  TextName hint = TextName::count;
};

extern const SettingRow kSettingRows[kSettingCount];

inline const SettingRow& settingRow(SettingKey setting) {
  return kSettingRows[static_cast<std::size_t>(setting)];
}
inline bool shownInOptions(const SettingRow& row) {
  return row.page != OptionsPage::count;
}
// A flag the file may leave out, which the window offers as a choice of its own.
inline bool absentIsChoice(const SettingRow& row) {
  return row.kind == SettingKind::flag && row.fallback == -1 && row.choices != nullptr;
}

// The value as the file holds it: "0" or "1", the number, "English" or "中文".
std::wstring settingText(const SettingRow& row, std::int32_t value);

// The setting that chooses `button` for the repairs.
SettingKey chosenSetting(MouseButton button);

// Values to put into the settings: what a suggestion of 鼠标健康 sets, say.
struct SettingValue {
  SettingKey setting;
  std::int32_t value;
};
// Puts each value into `settings`; the keys of those that changed it, in order.
std::vector<const wchar_t*> putSettings(Settings& settings,
                                        const std::vector<SettingValue>& values);
