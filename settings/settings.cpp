#include "settings/settings.h"

#include <cwchar>
#include <mutex>

#include "common/file_access.h"
#include "common/text.h"
#include "settings/profile_store.h"

const wchar_t* const kGestureSection = L"鼠标手势";
const wchar_t* const kExcludedProgramsSection = L"排除程序";
const wchar_t* const kInputSourceSection = L"输入来源";
const wchar_t* const kButtonKeys[kButtonCount] = {L"左键", L"右键", L"中键", L"后退键", L"前进键"};

bool anyButtonChosen(const Settings& settings) {
  for (Flag Settings::*chosen : kButtonChosen) {
    if (settings.*chosen) return true;
  }
  return false;
}

namespace {

enum class Kind { flag, interval, guard, blip, modifier, language, absentOrFlag };

// A flag that is written `once`: only when it is on or the file already holds it, so that a file
// that never named it stays as it was.
enum class Written : std::uint8_t { never, always, once };
using W = Written;

struct SettingsKey {
  const wchar_t* section;
  const wchar_t* key;
  Kind kind;
  Flag Settings::*flag;
  WholeField<std::int32_t> Settings::*interval;
  std::int32_t fallback;
  Written written;
};

// Loaded in this order; the flags marked written are saved in this order too.
const SettingsKey kSettingsKeys[] = {
    {L"修复功能", L"单击", Kind::flag, &Settings::clickRepair, nullptr, 1, W::always},
    {L"修复功能", L"释放", Kind::flag, &Settings::releaseRepair, nullptr, 1, W::always},
    {L"修复功能", L"滚动", Kind::flag, &Settings::scrollRepair, nullptr, 1, W::always},
    {L"修复参数", L"单击间隔", Kind::interval, nullptr, &Settings::clickInterval, 100, W::never},
    {L"修复参数", L"释放间隔", Kind::interval, nullptr, &Settings::releaseInterval, 50, W::never},
    {L"修复参数", L"滚动间隔", Kind::interval, nullptr, &Settings::scrollInterval, 50, W::never},
    {L"修复参数", L"保护间隔", Kind::guard, nullptr, &Settings::holdGuardInterval, kHoldGuardMs,
     W::never},
    {L"修复参数", L"抖动时长", Kind::blip, nullptr, &Settings::blipLength, kBlipMs, W::never},
    {L"设备选择", L"左键", Kind::flag, &Settings::leftButton, nullptr, 0, W::always},
    {L"设备选择", L"右键", Kind::flag, &Settings::rightButton, nullptr, 0, W::always},
    {L"设备选择", L"中键", Kind::flag, &Settings::middleButton, nullptr, 0, W::once},
    {L"设备选择", L"后退键", Kind::flag, &Settings::xButton1, nullptr, 0, W::once},
    {L"设备选择", L"前进键", Kind::flag, &Settings::xButton2, nullptr, 0, W::once},
    {L"功能设置", L"滚轮穿透", Kind::flag, &Settings::wheelPassThrough, nullptr, 1, W::always},
    {L"功能设置", L"音量控制", Kind::flag, &Settings::volumeControl, nullptr, 1, W::always},
    {L"功能设置", L"鼠标手势", Kind::flag, &Settings::gestures, nullptr, 1, W::always},
    {L"功能设置", L"显示图标", Kind::flag, &Settings::showIcon, nullptr, 1, W::always},
    {L"功能设置", L"调试模式", Kind::flag, &Settings::debugMode, nullptr, 0, W::never},
    {L"功能设置", L"全屏暂停", Kind::flag, &Settings::fullScreenPause, nullptr, 0, W::never},
    {L"功能设置", L"快捷键", Kind::modifier, nullptr, nullptr, 1, W::never},
    {L"功能设置", L"语言", Kind::language, nullptr, nullptr, 0, W::never},
    {kInputSourceSection, L"模拟输入", Kind::absentOrFlag, nullptr, &Settings::simulatedInput, -1,
     W::never},
};

// Longer than any language's name: a longer value names none.
constexpr std::size_t kLanguageValueChars = 16;

// The program loads and saves on its main thread alone (the editor's thread only says when the
// editor closed), but nothing here depends on it: loads and saves from several threads take
// turns at the file.
std::mutex& settingsFileMutex() {
  static std::mutex mutex;
  return mutex;
}

// The key's value in `settings` as the file says it.
std::wstring valueText(const SettingsKey& entry, const Settings& settings) {
  if (entry.flag) return (settings.*entry.flag) != 0 ? L"1" : L"0";
  if (entry.interval) return std::to_wstring(static_cast<std::int32_t>(settings.*entry.interval));
  if (entry.kind == Kind::language) {
    return settings.language.load() == Language::english ? L"English" : L"中文";
  }
  return std::to_wstring(static_cast<std::uint32_t>(settings.modifierChoice));
}

}  // namespace

ModifierKeys ModifierKeyChoice(std::uint32_t choice) {
  switch (choice) {
    case 2:
      return {vk::control, vk::control};
    case 3:
      return {vk::shift, vk::shift};
    case 4:
      return {vk::leftWindows, vk::leftWindows};
    case 5:
      return {vk::alt, vk::rightButton};
    case 6:
      return {vk::alt, vk::leftButton};
    default:
      return {vk::alt, vk::alt};
  }
}

void loadSettings(Settings& settings, ProfileStore& store) {
  for (const SettingsKey& entry : kSettingsKeys) {
    if (entry.kind == Kind::language) {
      settings.language =
          languageNamed(store.readString(entry.section, entry.key, kLanguageValueChars));
      continue;
    }
    const std::uint32_t raw = store.readInt(entry.section, entry.key, entry.fallback);
    switch (entry.kind) {
      case Kind::flag:
        (settings.*entry.flag) = raw != 0 ? 1 : 0;
        break;
      case Kind::interval:
        (settings.*entry.interval) = static_cast<std::int32_t>(raw);
        break;
      case Kind::guard:
        (settings.*entry.interval) =
            raw >= 1 && raw <= kLongestHoldGuardMs ? static_cast<std::int32_t>(raw) : kHoldGuardMs;
        break;
      case Kind::blip:
        (settings.*entry.interval) =
            raw <= kLongestBlipMs ? static_cast<std::int32_t>(raw) : kBlipMs;
        break;
      case Kind::modifier:
        settings.modifierChoice = (raw >= 1 && raw <= 6) ? raw : 1u;
        break;
      case Kind::absentOrFlag:  // absent (-1) until the file says; then any other number is on
        (settings.*entry.interval) = raw == 0xFFFFFFFFu ? -1 : raw != 0 ? 1 : 0;
        break;
      case Kind::language:
        break;
    }
  }
  const ModifierKeys keys = ModifierKeyChoice(settings.modifierChoice);
  settings.gestureKey = keys.gestureKey;
  settings.volumeKey = keys.volumeKey;
}

void saveSettings(const Settings& settings, ProfileStore& store) {
  for (const SettingsKey& entry : kSettingsKeys) {
    if (entry.written == W::never) continue;
    const bool on = (settings.*entry.flag) != 0;
    if (entry.written == W::once && !on && store.readString(entry.section, entry.key, 2).empty()) {
      continue;
    }
    const wchar_t* text = on ? L"1" : L"0";
    store.writeString(entry.section, entry.key, text);
  }
}

bool saveSettingsKeys(const Settings& settings, const std::wstring& path,
                      const std::vector<const wchar_t*>& keys) {
  std::lock_guard<std::mutex> lock(settingsFileMutex());
  if (!prepareSettingsFile(path)) return false;
  const auto store = openProfileStore(path);
  bool written = true;
  for (const SettingsKey& entry : kSettingsKeys) {
    bool named = false;
    for (const wchar_t* key : keys) named = named || std::wcscmp(key, entry.key) == 0;
    if (!named) continue;
    written =
        store->writeString(entry.section, entry.key, valueText(entry, settings).c_str()) && written;
  }
  return written;
}

void loadSettings(Settings& settings, const std::wstring& path) {
  std::lock_guard<std::mutex> lock(settingsFileMutex());
  prepareSettingsFile(path);
  loadSettings(settings, *openProfileStore(path));
}

void saveSettings(const Settings& settings, const std::wstring& path) {
  std::lock_guard<std::mutex> lock(settingsFileMutex());
  if (prepareSettingsFile(path)) saveSettings(settings, *openProfileStore(path));
}

namespace {

// UTF-16LE saved without its byte order mark, as a few editors do: mostly ASCII characters,
// each a byte and a zero. Read as a code page it would lose every line at the first save.
bool looksLikeUtf16leWithoutBom(const std::string& bytes) {
  std::size_t pairs = 0, asciiPairs = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2, ++pairs) {
    const bool lowZero = bytes[i] == '\0';
    const bool highZero = bytes[i + 1] == '\0';
    if (lowZero && highZero) return false;  // U+0000 is in no text file
    if (!lowZero && highZero) ++asciiPairs;
  }
  return pairs > 0 && asciiPairs * 4 >= pairs;
}

}  // namespace

bool prepareSettingsFile(const std::wstring& path) {
  if (!fileExists(path)) {
    writeFileBytes(path, "\xFF\xFE");
    return true;
  }
  // Read-only is the user's word: the file is read and never written, whatever the platform's
  // functions would allow (Wine run as root writes through the attribute).
  if (isReadOnlyFile(path)) return false;
  auto bytes = readFileBytes(path, kMaxSettingsFileBytes);
  if (!bytes) return true;  // too large, or held by another program: the platform decides
  if (hasUtf16leBom(*bytes)) return true;
  if (looksLikeUtf16leWithoutBom(*bytes)) return writeFileBytes(path, "\xFF\xFE" + *bytes);
  // NUL bytes in anything else: not a text file, not ours to rewrite. The platform's functions
  // would drop its NULs and append the settings as text; saves leave it alone.
  if (bytes->find('\0') != std::string::npos) return false;
  // Left as bytes, even an empty or ASCII file would be written in the ANSI code page, where
  // most systems have no Chinese: every name would be saved as "?" and read back as absent.
  const bool bom = hasUtf8Bom(*bytes);
  auto text = decodeUtf8(bom ? bytes->substr(3) : *bytes);
  // Not UTF-8: the code page the profile functions read it in, so every value reads the same.
  if (!text && !bom) text = decodeAnsiCodePage(*bytes);
  if (!text) return true;  // nothing to convert it with: left for the platform to read
  return writeFileBytes(path, "\xFF\xFE" + encodeUtf16le(*text));
}

std::wstring settingsPathForExecutable(const std::wstring& executablePath) {
  const std::size_t slash = executablePath.find_last_of(L"\\/");
  const std::size_t dot = executablePath.find_last_of(L'.');
  const bool hasExtension =
      dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
  return (hasExtension ? executablePath.substr(0, dot) : executablePath) + L".ini";
}

std::vector<std::wstring> settingsNotAtDefaults(const Settings& settings) {
  Settings defaults;
  std::vector<std::wstring> lines;
  for (const SettingsKey& entry : kSettingsKeys) {
    std::wstring fallback = std::to_wstring(entry.fallback);
    if (entry.kind == Kind::language) fallback = valueText(entry, defaults);
    const std::wstring value = valueText(entry, settings);
    if (value != fallback) {
      lines.push_back(L"[" + std::wstring(entry.section) + L"] " + entry.key + L"=" + value);
    }
  }
  return lines;
}
