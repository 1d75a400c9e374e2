#include "settings/settings.h"

#include <cwchar>
#include <mutex>

#include "common/file_access.h"
#include "common/text.h"
#include "settings/profile_store.h"
#include "settings/settings_table.h"

bool anyButtonChosen(const Settings& settings) {
  for (MouseButton button : kMouseButtons) {
    if (buttonChosen(settings, button)) return true;
  }
  return false;
}

namespace {

// Longer than any language's name: a longer value names none.
constexpr std::size_t kLanguageValueChars = 16;

// The program loads and saves on its main thread alone (the editor's thread only says when the
// editor closed), but nothing here depends on it: loads and saves from several threads take
// turns at the file.
std::mutex& settingsFileMutex() {
  static std::mutex mutex;
  return mutex;
}

// The value a row takes from the file's number; an absent key reads as the default.
std::int32_t valueRead(const SettingRow& row, std::uint32_t raw) {
  const auto value = static_cast<std::int32_t>(raw);
  switch (row.kind) {
    case SettingKind::flag:  // a default of -1 says "absent": any number the file holds is 0 or 1
      return value == row.fallback ? value : raw != 0 ? 1 : 0;
    case SettingKind::bounded:
    case SettingKind::choice:
      return value >= row.least && value <= row.most ? value : row.fallback;
    case SettingKind::hotkey:  // modifiers without a key are none
      return value >= row.least && value <= row.most && (value & 0xFF) != 0 ? value : row.fallback;
    case SettingKind::interval:
    case SettingKind::language:
      break;
  }
  return value;
}

// Every row from the store, or every default without one.
void loadRows(Settings& settings, ProfileStore* store) {
  for (const SettingRow& row : kSettingRows) {
    std::int32_t value = row.fallback;
    if (store && row.kind == SettingKind::language) {
      value = static_cast<std::int32_t>(
          languageNamed(store->readString(row.section, row.key, kLanguageValueChars)));
    } else if (store) {
      value = valueRead(row, store->readInt(row.section, row.key, row.fallback));
    }
    row.set(settings, value);
  }
  const ModifierKeys keys = ModifierKeyChoice(settings.modifierChoice);
  settings.gestureKey = keys.gestureKey;
  settings.volumeKey = keys.volumeKey;
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
  loadRows(settings, &store);
}

void saveSettings(const Settings& settings, ProfileStore& store) {
  for (const SettingRow& row : kSettingRows) {
    if (row.written == Written::never) continue;
    const std::int32_t value = row.get(settings);
    if (row.written == Written::once && value == row.fallback &&
        store.readString(row.section, row.key, 2).empty()) {
      continue;
    }
    store.writeString(row.section, row.key, settingText(row, value).c_str());
  }
}

bool saveSettingsKeys(const Settings& settings, const std::wstring& path,
                      const std::vector<const wchar_t*>& keys) {
  std::lock_guard<std::mutex> lock(settingsFileMutex());
  if (!prepareSettingsFile(path)) return false;
  const auto store = openProfileStore(path);
  bool written = true;
  for (const SettingRow& row : kSettingRows) {
    bool named = false;
    for (const wchar_t* key : keys) named = named || std::wcscmp(key, row.key) == 0;
    if (!named) continue;
    const std::wstring text = settingText(row, row.get(settings));
    written = store->writeString(row.section, row.key, text.c_str()) && written;
  }
  return written;
}

bool loadSettings(Settings& settings, const std::wstring& path) {
  std::lock_guard<std::mutex> lock(settingsFileMutex());
  prepareSettingsFile(path);
  // Held by another program, or unreadable otherwise: every key would read as absent. The
  // settings in force stay; a record never read runs on the defaults and is never saved over
  // the file until it has been read.
  if (fileExists(path) && !readFileBytes(path, kMaxSettingsFileBytes)) {
    if (!settings.fileRead) loadRows(settings, nullptr);
    return false;
  }
  loadRows(settings, openProfileStore(path).get());
  settings.fileRead = true;
  return true;
}

void saveSettings(const Settings& settings, const std::wstring& path) {
  std::lock_guard<std::mutex> lock(settingsFileMutex());
  if (settings.fileRead && prepareSettingsFile(path)) {
    saveSettings(settings, *openProfileStore(path));
  }
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
  std::vector<std::wstring> lines;
  for (const SettingRow& row : kSettingRows) {
    const std::wstring value = settingText(row, row.get(settings));
    if (value != settingText(row, row.fallback)) {
      lines.push_back(L"[" + std::wstring(row.section) + L"] " + row.key + L"=" + value);
    }
  }
  return lines;
}
