// The profile store off Windows: the file read and written whole, the way the profile functions
// would change it.
#include "common/file_access.h"
#include "settings/ini_document.h"
#include "settings/profile_store.h"

namespace {

class IniFileStore final : public ProfileStore {
 public:
  explicit IniFileStore(std::wstring path) : path_(std::move(path)) {}

  std::uint32_t readInt(const wchar_t* section, const wchar_t* key,
                        std::int32_t fallback) override {
    auto value = lookup(section, key);
    if (!value || value->empty()) return static_cast<std::uint32_t>(fallback);
    return profileInteger(*value);
  }

  std::wstring readString(const wchar_t* section, const wchar_t* key,
                          std::size_t maxChars) override {
    auto value = lookup(section, key);
    if (!value || maxChars == 0) return {};
    return value->substr(0, maxChars - 1);
  }

  std::wstring readStringAsWritten(const wchar_t* section, const wchar_t* key,
                                   std::size_t maxChars) override {
    auto bytes = readFileBytes(path_, kMaxSettingsFileBytes);
    if (!bytes || maxChars == 0) return {};
    auto value = IniDocument::parse(*bytes).valueAsWritten(section, key);
    return value ? value->substr(0, maxChars - 1) : std::wstring();
  }

  std::vector<std::wstring> readSection(const wchar_t* section) override {
    auto bytes = readFileBytes(path_, kMaxSettingsFileBytes);
    if (!bytes) return {};
    return IniDocument::parse(*bytes).sectionLines(section);
  }

  bool writeString(const wchar_t* section, const wchar_t* key, const wchar_t* value) override {
    IniDocument doc;
    if (fileExists(path_)) {
      auto bytes = readFileBytes(path_, kMaxSettingsFileBytes);
      if (!bytes) return false;  // unreadable or too large: never replaced by a fragment
      doc = IniDocument::parse(*bytes);
    }
    doc.setValue(section, key, value);
    return writeFileBytes(path_, doc.serialize());
  }

  bool deleteKey(const wchar_t* section, const wchar_t* key) override {
    auto bytes = readFileBytes(path_, kMaxSettingsFileBytes);
    if (!bytes) return false;
    IniDocument doc = IniDocument::parse(*bytes);
    if (!doc.removeKey(section, key)) return false;
    return writeFileBytes(path_, doc.serialize());
  }

 private:
  std::optional<std::wstring> lookup(const wchar_t* section, const wchar_t* key) const {
    auto bytes = readFileBytes(path_, kMaxSettingsFileBytes);
    if (!bytes) return std::nullopt;
    return IniDocument::parse(*bytes).value(section, key);
  }

  std::wstring path_;
};

}  // namespace

std::unique_ptr<ProfileStore> openProfileStore(const std::wstring& path) {
  return std::make_unique<IniFileStore>(path);
}
