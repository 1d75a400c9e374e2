// File access on Windows: wide paths as the file calls take them, and the system's code page.
#include <windows.h>

#include <cstdio>

#include "common/file_access.h"

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

// Written beside the file and moved over it, so a failed write never leaves half a file; the
// name beside it is this process's own, as another user's instance may be writing the same file.
bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
  if (isReadOnlyFile(path)) return false;
  const std::wstring temp = path + L".clickmend-new-" + std::to_wstring(GetCurrentProcessId());
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
