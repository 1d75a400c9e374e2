#include "tray/options.h"

#include <algorithm>
#include <cwchar>

#include "input/program_rule.h"
#include "settings/ini_document.h"
#include "settings/profile_store.h"
#include "settings/settings.h"

namespace {

constexpr std::size_t kLongestNumber = 6;
constexpr std::size_t kLongestProgramName = 260;

std::wstring trimmed(const std::wstring& text) {
  const std::size_t begin = text.find_first_not_of(L" \t");
  if (begin == std::wstring::npos) return {};
  return text.substr(begin, text.find_last_not_of(L" \t") - begin + 1);
}

bool isDigit(wchar_t c) {
  return c >= L'0' && c <= L'9';
}

// A whole number of digits only, within the bounds.
bool numberWithin(const std::wstring& text, int least, int most) {
  const std::wstring t = trimmed(text);
  if (t.empty() || t.size() > kLongestNumber || !std::all_of(t.begin(), t.end(), isDigit)) {
    return false;
  }
  const int value = std::stoi(t);
  return value >= least && value <= most;
}

bool sameName(const std::wstring& a, const std::wstring& b) {
  const auto fold = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? wchar_t(c + 32) : c; };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](wchar_t x, wchar_t y) { return fold(x) == fold(y); });
}

const OptionEntry* entryNamed(const std::vector<OptionEntry>& entries, const std::wstring& name) {
  for (const OptionEntry& entry : entries) {
    if (sameName(entry.name, name)) return &entry;
  }
  return nullptr;
}

void entryWrites(const wchar_t* section, const std::vector<OptionEntry>& loaded,
                 const std::vector<OptionEntry>& edited, std::vector<OptionWrite>& writes) {
  for (const OptionEntry& entry : loaded) {
    if (!entryNamed(edited, entry.name)) writes.push_back({section, entry.name, std::nullopt});
  }
  for (const OptionEntry& entry : edited) {
    const OptionEntry* before = entryNamed(loaded, entry.name);
    if (!before || before->value != entry.value) {
      writes.push_back({section, entry.name, entry.value});
    }
  }
}

std::vector<OptionEntry> entriesOf(ProfileStore& store, const wchar_t* section) {
  std::vector<OptionEntry> entries;
  for (const ProfileEntry& line : store.readSectionAsWritten(section)) {
    entries.push_back({line.key, line.value});
  }
  return entries;
}

}  // namespace

Options optionsFrom(const Settings& settings, ProfileStore& store) {
  Options options;
  for (const SettingRow& row : kSettingRows)
    options[row.setting] = settingText(row, row.get(settings));
  options.gestures = entriesOf(store, kGestureSection);
  options.programs = entriesOf(store, kExcludedProgramsSection);
  return options;
}

Options loadOptions(ProfileStore& store) {
  Settings settings;
  loadSettings(settings, store);
  return optionsFrom(settings, store);
}

bool validOption(SettingKey key, const std::wstring& text) {
  const SettingRow& row = settingRow(key);
  if (row.kind == SettingKind::language) {
    return text == settingText(row, row.least) || text == settingText(row, row.most);
  }
  if (absentIsChoice(row) && text == settingText(row, row.fallback)) return true;
  return numberWithin(text, row.least, row.most);
}

std::vector<SettingKey> wrongOptions(const Options& loaded, const Options& edited) {
  std::vector<SettingKey> wrong;
  for (const SettingRow& row : kSettingRows) {
    const SettingKey key = row.setting;
    if (edited[key] != loaded[key] && !validOption(key, edited[key])) wrong.push_back(key);
  }
  return wrong;
}

bool validGestureName(const std::wstring& name) {
  if (name.empty() || name.size() > kMostGestureLetters) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::wcschr(L"URDL", name[i]) == nullptr || name[i] == L'\0') return false;
    if (i > 0 && name[i] == name[i - 1]) return false;
  }
  return true;
}

int gestureAction(const std::wstring& value) {
  const std::wstring t = trimmed(value);
  if (t.empty() || !(isDigit(t[0]) || t[0] == L'+' || t[0] == L'-')) return 0;
  return numberWithin(t, 1, kGestureActionCount) ? std::stoi(t) : -1;
}

bool passesEveryEvent(const std::wstring& value) {
  return listedRule(value) == Bypass::all;
}

bool validGestureValue(const std::wstring& value) {
  return !trimmed(value).empty() && gestureAction(value) >= 0;
}

bool validProgramName(const std::wstring& name) {
  const std::wstring t = trimmed(name);
  return !t.empty() && t == name && t.size() <= kLongestProgramName &&
         t.find_first_of(L"\\/:*?\"<>|=[];") == std::wstring::npos &&
         t.find_first_not_of(L'.') != std::wstring::npos;
}

void setEntry(std::vector<OptionEntry>& entries, const OptionEntry& entry) {
  for (OptionEntry& existing : entries) {
    if (sameName(existing.name, entry.name)) {
      existing.value = entry.value;
      return;
    }
  }
  entries.push_back(entry);
}

std::vector<OptionWrite> optionWrites(const Options& loaded, const Options& edited) {
  std::vector<OptionWrite> writes;
  for (const SettingRow& row : kSettingRows) {
    const SettingKey key = row.setting;
    if (edited[key] == loaded[key] || !validOption(key, edited[key])) continue;
    // " 080" is 80, which may be what the file holds already.
    const std::wstring value = row.kind == SettingKind::language
                                   ? edited[key]
                                   : settingText(row, std::stoi(trimmed(edited[key])));
    if (value == loaded[key]) continue;
    if (absentIsChoice(row) && value == settingText(row, row.fallback)) {
      writes.push_back({row.section, row.key, std::nullopt});
    } else {
      writes.push_back({row.section, row.key, value});
    }
  }
  entryWrites(kGestureSection, loaded.gestures, edited.gestures, writes);
  entryWrites(kExcludedProgramsSection, loaded.programs, edited.programs, writes);
  return writes;
}

bool writeOptions(ProfileStore& store, const std::vector<OptionWrite>& writes) {
  bool written = true;
  for (const OptionWrite& write : writes) {
    written =
        (write.value ? store.writeString(write.section, write.key.c_str(), write.value->c_str())
                     : store.deleteKey(write.section, write.key.c_str())) &&
        written;
  }
  return written;
}
