#include "tray/options.h"

#include <algorithm>
#include <cwchar>

#include "input/program_rule.h"
#include "settings/ini_document.h"
#include "settings/profile_store.h"
#include "settings/settings.h"

namespace {

using K = OptionKey;

// Intervals beyond a second would hold every click of a hand back; loading reads any number, the
// window offers what a repair can use.
constexpr int kLongestInterval = 1000;
constexpr std::size_t kLongestNumber = 6;
constexpr std::size_t kLongestProgramName = 260;

const OptionBounds kSpecs[kOptionCount] = {
    {L"修复功能", L"单击", 0, 1},
    {L"修复功能", L"释放", 0, 1},
    {L"修复功能", L"滚动", 0, 1},
    {L"修复参数", L"单击间隔", 0, kLongestInterval},
    {L"修复参数", L"释放间隔", 0, kLongestInterval},
    {L"修复参数", L"滚动间隔", 0, kLongestInterval},
    {L"修复参数", L"保护间隔", 1, kLongestHoldGuardMs},
    {L"修复参数", L"抖动时长", 0, kLongestBlipMs},
    {L"设备选择", L"左键", 0, 1},
    {L"设备选择", L"右键", 0, 1},
    {L"设备选择", L"中键", 0, 1},
    {L"设备选择", L"后退键", 0, 1},
    {L"设备选择", L"前进键", 0, 1},
    {L"功能设置", L"滚轮穿透", 0, 1},
    {L"功能设置", L"音量控制", 0, 1},
    {L"功能设置", L"鼠标手势", 0, 1},
    {L"功能设置", L"显示图标", 0, 1},
    {L"功能设置", L"调试模式", 0, 1},
    {L"功能设置", L"全屏暂停", 0, 1},
    {L"功能设置", L"快捷键", 1, 6},
    {L"功能设置", L"语言", 0, 0},
};

constexpr wchar_t kEnglish[] = L"English";
constexpr wchar_t kChinese[] = L"中文";

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

const OptionBounds& optionBounds(OptionKey key) {
  return kSpecs[static_cast<std::size_t>(key)];
}

Options optionsFrom(const Settings& settings, ProfileStore& store) {
  Options options;
  const auto flag = [](std::uint8_t value) { return std::wstring(value ? L"1" : L"0"); };
  const auto number = [](std::int64_t value) { return std::to_wstring(value); };
  options[K::clickRepair] = flag(settings.clickRepair);
  options[K::releaseRepair] = flag(settings.releaseRepair);
  options[K::scrollRepair] = flag(settings.scrollRepair);
  options[K::clickInterval] = number(settings.clickInterval);
  options[K::releaseInterval] = number(settings.releaseInterval);
  options[K::scrollInterval] = number(settings.scrollInterval);
  options[K::holdGuard] = number(settings.holdGuardInterval);
  options[K::blipLength] = number(settings.blipLength);
  options[K::leftButton] = flag(settings.leftButton);
  options[K::rightButton] = flag(settings.rightButton);
  options[K::middleButton] = flag(settings.middleButton);
  options[K::xButton1] = flag(settings.xButton1);
  options[K::xButton2] = flag(settings.xButton2);
  options[K::wheelPassThrough] = flag(settings.wheelPassThrough);
  options[K::volumeControl] = flag(settings.volumeControl);
  options[K::gestures] = flag(settings.gestures);
  options[K::showIcon] = flag(settings.showIcon);
  options[K::debugMode] = flag(settings.debugMode);
  options[K::fullScreenPause] = flag(settings.fullScreenPause);
  options[K::modifier] = number(settings.modifierChoice);
  options[K::language] = settings.language.load() == Language::english ? kEnglish : kChinese;
  options.gestures = entriesOf(store, kGestureSection);
  options.programs = entriesOf(store, kExcludedProgramsSection);
  return options;
}

Options loadOptions(ProfileStore& store) {
  Settings settings;
  loadSettings(settings, store);
  return optionsFrom(settings, store);
}

bool validOption(OptionKey key, const std::wstring& text) {
  if (key == K::language) return text == kEnglish || text == kChinese;
  const OptionBounds& bounds = optionBounds(key);
  return numberWithin(text, bounds.least, bounds.most);
}

std::vector<OptionKey> wrongOptions(const Options& loaded, const Options& edited) {
  std::vector<OptionKey> wrong;
  for (std::size_t i = 0; i < kOptionCount; ++i) {
    const auto key = static_cast<OptionKey>(i);
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
  for (std::size_t i = 0; i < kOptionCount; ++i) {
    const auto key = static_cast<OptionKey>(i);
    if (edited[key] == loaded[key] || !validOption(key, edited[key])) continue;
    // " 080" is 80, which may be what the file holds already.
    const std::wstring value =
        key == K::language ? edited[key] : std::to_wstring(std::stoi(trimmed(edited[key])));
    if (value != loaded[key])
      writes.push_back({optionBounds(key).section, optionBounds(key).key, value});
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
