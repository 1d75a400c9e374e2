// The settings store on Windows: the platform's own profile functions and file calls.
#include <windows.h>

#include <cstdio>

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
