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

// Written beside the file, flushed to the disk and moved over it: a failed write never leaves
// half a file, and a power loss leaves the old file or the new one, where a file renamed before
// its bytes reached the disk can come back as its length in zeros. The name beside it is this
// process's own, as another user's instance may be writing the same file.
bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
  if (isReadOnlyFile(path)) return false;
  const std::wstring temp = path + L".clickmend-new-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const auto size = static_cast<DWORD>(bytes.size());
  bool whole = WriteFile(file, bytes.data(), size, &written, nullptr) && written == bytes.size() &&
               FlushFileBuffers(file);
  whole = CloseHandle(file) && whole;
  if (!whole || !MoveFileExW(temp.c_str(), path.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
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
