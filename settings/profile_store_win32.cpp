// The profile store on Windows: the platform's own profile functions over the file beside the
// program.
#include <windows.h>

#include <vector>

#include "common/file_access.h"
#include "settings/ini_document.h"
#include "settings/profile_store.h"

namespace {

class Win32ProfileStore final : public ProfileStore {
 public:
  explicit Win32ProfileStore(std::wstring path) : path_(std::move(path)) {}

  std::uint32_t readInt(const wchar_t* section, const wchar_t* key,
                        std::int32_t fallback) override {
    return GetPrivateProfileIntW(section, key, fallback, path_.c_str());
  }

  std::wstring readString(const wchar_t* section, const wchar_t* key,
                          std::size_t maxChars) override {
    if (maxChars == 0) return {};
    std::wstring buffer(maxChars, L'\0');
    const DWORD got = GetPrivateProfileStringW(section, key, L"", buffer.data(),
                                               static_cast<DWORD>(maxChars), path_.c_str());
    buffer.resize(got);
    return buffer;
  }

  std::wstring readStringAsWritten(const wchar_t* section, const wchar_t* key,
                                   std::size_t maxChars) override {
    if (maxChars == 0) return {};
    auto value = keyValueAsWritten(readSection(section), key);
    return value ? value->substr(0, maxChars - 1) : std::wstring();
  }

  // The profile functions remove the first line of the name at each call.
  bool deleteKey(const wchar_t* section, const wchar_t* key) override {
    const std::size_t lines = keyLineCount(readSection(section), key);
    for (std::size_t i = 0; i < lines; ++i) {
      if (!WritePrivateProfileStringW(section, key, nullptr, path_.c_str())) return false;
    }
    return lines > 0 && keyLineCount(readSection(section), key) == 0;
  }

  bool writeString(const wchar_t* section, const wchar_t* key, const wchar_t* value) override {
    return WritePrivateProfileStringW(section, key, value, path_.c_str()) != FALSE;
  }

  // The section's lines come whole, quotes and all; a buffer too small is filled to two short
  // of its size.
  std::vector<std::wstring> readSection(const wchar_t* section) override {
    std::wstring buffer(4096, L'\0');
    DWORD got = 0;
    for (;;) {
      got = GetPrivateProfileSectionW(section, buffer.data(), static_cast<DWORD>(buffer.size()),
                                      path_.c_str());
      if (got + 2 < buffer.size() || buffer.size() >= kMaxSettingsFileBytes / 2) break;
      buffer.resize(buffer.size() * 2);
    }
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start < got;) {
      std::size_t end = buffer.find(L'\0', start);
      if (end == std::wstring::npos || end > got) end = got;
      lines.push_back(buffer.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }

 private:
  std::wstring path_;
};

}  // namespace

std::unique_ptr<ProfileStore> openProfileStore(const std::wstring& path) {
  return std::make_unique<Win32ProfileStore>(path);
}
