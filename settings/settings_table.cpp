#include "settings/settings_table.h"

#include <array>

namespace {

using K = SettingKey;
using P = OptionsPage;
using T = TextName;
using W = Written;

constexpr const wchar_t* kRepairs = L"修复功能";
constexpr const wchar_t* kParameters = L"修复参数";
constexpr const wchar_t* kDevices = L"设备选择";
constexpr const wchar_t* kFeatures = L"功能设置";
constexpr const wchar_t* kSources = L"输入来源";  // a constant where the table is one too

// Intervals beyond a second would hold every click of a hand back; loading reads any number, the
// window offers what a repair can use.
constexpr std::int32_t kLongestInterval = 1000;
constexpr std::int32_t kLastHotkey = 0x0FFF;

template <auto member>
std::int32_t getField(const Settings& settings) {
  return static_cast<std::int32_t>((settings.*member).load());
}
template <auto member>
void setField(Settings& settings, std::int32_t value) {
  using Value = decltype((settings.*member).load());
  settings.*member = static_cast<Value>(value);
}

struct Place {
  P page;
  int line;
};

template <auto member>
constexpr SettingRow row(K setting, const wchar_t* section, const wchar_t* key, SettingKind kind,
                         std::int32_t fallback, std::int32_t least, std::int32_t most, W written,
                         T label, Place at, const TextName* choices = nullptr) {
  return {setting, section, key,     kind,  &getField<member>, &setField<member>, fallback,
          least,   most,    written, label, at.page,           at.line,           choices};
}

template <auto member>
constexpr SettingRow flag(K setting, const wchar_t* section, const wchar_t* key,
                          std::int32_t fallback, W written, T label, Place at) {
  return row<member>(setting, section, key, SettingKind::flag, fallback, 0, 1, written, label, at);
}

// [设备选择]: the button's key and name come from its row of the button table.
template <MouseButton button>
constexpr SettingRow chosen(K setting, W written, int line) {
  return flag<kButtonChosen[static_cast<int>(button)]>(setting, kDevices, buttonRow(button).key, 0,
                                                       written, buttonRow(button).name,
                                                       {P::repairs, line});
}

// [修复参数]: milliseconds, written when the user or the fit sets them.
template <auto member>
constexpr SettingRow milliseconds(K setting, SettingKind kind, const wchar_t* key,
                                  std::int32_t fallback, std::int32_t least, std::int32_t most,
                                  T label, int line) {
  return row<member>(setting, kParameters, key, kind, fallback, least, most, W::never, label,
                     {P::repairs, line});
}

constexpr SettingRow withHint(SettingRow row, T hint) {
  row.hint = hint;
  return row;
}

constexpr TextName kModifierChoices[] = {T::optionsModifier1, T::optionsModifier2,
                                         T::optionsModifier3, T::optionsModifier4,
                                         T::optionsModifier5, T::optionsModifier6};
constexpr TextName kLanguageChoices[] = {T::optionsChinese, T::optionsEnglish};
constexpr TextName kSimulatedInputChoices[] = {
    T::optionsSimulatedDefault, T::optionsSimulatedUntouched, T::optionsSimulatedRepaired};

}  // namespace

const wchar_t* const kGestureSection = L"鼠标手势";
const wchar_t* const kExcludedProgramsSection = L"排除程序";
const wchar_t* const kInputSourceSection = kSources;

constexpr SettingRow kSettingRows[kSettingCount] = {
    flag<&Settings::clickRepair>(K::clickRepair, kRepairs, L"单击", 1, W::always,
                                 T::menuClickRepair, {P::repairs, 0}),
    flag<&Settings::releaseRepair>(K::releaseRepair, kRepairs, L"释放", 1, W::always,
                                   T::menuReleaseRepair, {P::repairs, 0}),
    flag<&Settings::scrollRepair>(K::scrollRepair, kRepairs, L"滚动", 1, W::always,
                                  T::menuScrollRepair, {P::repairs, 0}),
    milliseconds<&Settings::clickInterval>(K::clickInterval, SettingKind::interval, L"单击间隔",
                                           100, 0, kLongestInterval, T::healthClickInterval, 3),
    milliseconds<&Settings::releaseInterval>(K::releaseInterval, SettingKind::interval, L"释放间隔",
                                             50, 0, kLongestInterval, T::healthReleaseInterval, 4),
    milliseconds<&Settings::scrollInterval>(K::scrollInterval, SettingKind::interval, L"滚动间隔",
                                            50, 0, kLongestInterval, T::optionsScrollInterval, 5),
    milliseconds<&Settings::holdGuardInterval>(K::holdGuard, SettingKind::bounded, L"保护间隔",
                                               kHoldGuardMs, 1, kLongestHoldGuardMs,
                                               T::optionsGuardInterval, 6),
    milliseconds<&Settings::blipLength>(K::blipLength, SettingKind::bounded, L"抖动时长", kBlipMs,
                                        0, kLongestBlipMs, T::optionsBlipLength, 7),
    // 0 (absent): 保护间隔's.
    withHint(milliseconds<&Settings::longHoldGuardInterval>(
                 K::longHoldGuard, SettingKind::bounded, L"长按保护间隔", 0, 0, kLongestHoldGuardMs,
                 T::optionsLongHoldGuard, 8),
             T::optionsLongHoldGuardCost),
    milliseconds<&Settings::dragThreshold>(K::dragThreshold, SettingKind::bounded, L"拖动阈值",
                                           kDragThresholdMs, kShortestDragThresholdMs,
                                           kLongestDragThresholdMs, T::optionsDragThreshold, 9),
    chosen<MouseButton::left>(K::leftButton, W::always, 1),
    chosen<MouseButton::right>(K::rightButton, W::always, 1),
    chosen<MouseButton::middle>(K::middleButton, W::once, 2),
    chosen<MouseButton::x1>(K::xButton1, W::once, 2),
    chosen<MouseButton::x2>(K::xButton2, W::once, 2),
    flag<&Settings::wheelPassThrough>(K::wheelPassThrough, kFeatures, L"滚轮穿透", 1, W::always,
                                      T::menuWheelPassThrough, {P::features, 0}),
    flag<&Settings::volumeControl>(K::volumeControl, kFeatures, L"音量控制", 1, W::always,
                                   T::menuVolumeControl, {P::features, 0}),
    flag<&Settings::gestures>(K::gestures, kFeatures, L"鼠标手势", 1, W::always, T::menuGestures,
                              {P::features, 0}),
    flag<&Settings::showIcon>(K::showIcon, kFeatures, L"显示图标", 1, W::always, T::optionsShowIcon,
                              {P::features, 1}),
    flag<&Settings::debugMode>(K::debugMode, kFeatures, L"调试模式", 0, W::never,
                               T::optionsDebugMode, {P::features, 1}),
    flag<&Settings::fullScreenPause>(K::fullScreenPause, kFeatures, L"全屏暂停", 0, W::never,
                                     T::optionsFullScreenPause, {P::features, 1}),
    // 1 Alt, 2 Ctrl, 3 Shift, 4 Win, 5 and 6 Alt for gestures and a button for the volume.
    row<&Settings::modifierChoice>(K::modifier, kFeatures, L"快捷键", SettingKind::choice, 1, 1, 6,
                                   W::never, T::optionsModifier, {P::features, 2},
                                   kModifierChoices),
    row<&Settings::language>(K::language, kFeatures, L"语言", SettingKind::language, 0, 0, 1,
                             W::never, T::optionsLanguage, {P::features, 3}, kLanguageChoices),
    // The modifiers (Shift 1, Ctrl 2, Alt 4, an extended key 8) times 256, plus the virtual key.
    row<&Settings::pauseHotkey>(K::pauseHotkey, kFeatures, L"暂停热键", SettingKind::hotkey, 0, 0,
                                kLastHotkey, W::never, T::optionsPauseHotkey, {P::features, 4}),
    // Other programs' input repaired: absent (-1) until the file says; the window offers the
    // absent value as its own choice, which deletes the line.
    row<&Settings::simulatedInput>(K::simulatedInput, kSources, L"模拟输入", SettingKind::flag, -1,
                                   -1, 1, W::never, T::optionsSimulatedInput, {P::sources, 0},
                                   kSimulatedInputChoices),
};

namespace {
// Row n is the setting numbered n: a setting indexes the table.
constexpr bool settingRowsInOrder() {
  for (std::size_t i = 0; i < kSettingCount; ++i) {
    if (static_cast<std::size_t>(kSettingRows[i].setting) != i) return false;
  }
  return true;
}
static_assert(settingRowsInOrder());

// The row of each button's choice, by button: its key and name are the button table's own, and
// its name tells it (two literals' addresses are no constant to compare).
constexpr std::array<SettingKey, kButtonCount> kChosenSettings = [] {
  std::array<SettingKey, kButtonCount> out{};
  for (int b = 0; b < kButtonCount; ++b) {
    out[b] = SettingKey::count;
    for (const SettingRow& row : kSettingRows) {
      if (row.label == kButtons[b].name) out[b] = row.setting;
    }
  }
  return out;
}();
constexpr bool everyButtonHasItsRow() {
  for (SettingKey setting : kChosenSettings) {
    if (setting == SettingKey::count) return false;
  }
  return true;
}
static_assert(everyButtonHasItsRow());
static_assert(static_cast<int>(Language::english) == 1, "the language's list: 中文, English");
}  // namespace

std::wstring settingText(const SettingRow& row, std::int32_t value) {
  if (row.kind == SettingKind::language) {
    return value == static_cast<std::int32_t>(Language::english) ? L"English" : L"中文";
  }
  return std::to_wstring(value);
}

SettingKey chosenSetting(MouseButton button) {
  return kChosenSettings[static_cast<int>(button)];
}

std::vector<const wchar_t*> putSettings(Settings& settings,
                                        const std::vector<SettingValue>& values) {
  std::vector<const wchar_t*> keys;
  for (const SettingValue& v : values) {
    const SettingRow& row = settingRow(v.setting);
    if (row.get(settings) == v.value) continue;
    row.set(settings, v.value);
    keys.push_back(row.key);
  }
  return keys;
}
