// The settings store on Windows: the platform's own profile functions and file calls.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "settings/ini_document.h"
#include "settings/profile_store.h"
#include "settings/settings.h"
#include "settings/text.h"

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
    // The section's lines come whole, quotes and all; a buffer too small is filled to two short
    // of its size.
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
    auto value = keyValueAsWritten(lines, key);
    return value ? value->substr(0, maxChars - 1) : std::wstring();
  }

  bool writeString(const wchar_t* section, const wchar_t* key, const wchar_t* value) override {
    return WritePrivateProfileStringW(section, key, value, path_.c_str()) != FALSE;
  }

 private:
  std::wstring path_;
};

}  // namespace

std::unique_ptr<ProfileStore> openProfileStore(const std::wstring& path) {
  return std::make_unique<Win32ProfileStore>(path);
}

std::optional<std::string> readFileBytes(const std::wstring& path, std::size_t limit) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return std::nullopt;
  }
  const unsigned long long size =
      (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > limit) return std::nullopt;
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return std::nullopt;
  return readAndClose(file, limit);
}

// Written beside the file and moved over it, so a failed write never leaves half a file.
bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
  if (isReadOnlyFile(path)) return false;
  const std::wstring temp = path + L".clickmend-new";
  std::FILE* file = _wfopen(temp.c_str(), L"wb");
  if (!file) return false;
  if (!writeAndClose(file, bytes) ||
      !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DeleteFileW(temp.c_str());
    return false;
  }
  return true;
}

bool isReadOnlyFile(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool fileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// No flags: invalid sequences become what the profile functions would read, so converting a
// file changes no value the program reads from it.
std::optional<std::wstring> decodeAnsiCodePage(const std::string& bytes) {
  if (bytes.empty()) return std::wstring();
  const int size = static_cast<int>(bytes.size());
  const int chars = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  if (chars <= 0) return std::nullopt;
  std::wstring text(static_cast<std::size_t>(chars), L'\0');
  if (MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), chars) != chars) {
    return std::nullopt;
  }
  return text;
}

// The module path may be longer than MAX_PATH (long-path folders); grow until it fits.
std::wstring executablePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD got = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (got == 0) return {};
    if (got < buffer.size()) {
      buffer.resize(got);
      return buffer;
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::wstring settingsFilePath() {
  return settingsPathForExecutable(executablePath());
}
