// File access where paths are UTF-8 bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "common/file_access.h"
#include "common/text.h"

std::optional<std::string> readFileBytes(const std::wstring& path, std::size_t limit) {
  const std::string name = encodeUtf8(path);
  struct stat info {};
  if (::stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (static_cast<unsigned long long>(info.st_size) > limit) return std::nullopt;
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) return std::nullopt;
  return readAndClose(file, limit);
}

// Written beside the file and renamed over it, so a failed write never leaves half a file; the
// name beside it is this process's own, as another instance may be writing the same file.
bool writeFileBytes(const std::wstring& path, const std::string& bytes) {
  const std::string name = encodeUtf8(path);
  // A read-only file stays as it is, as it would on Windows (even for root).
  if (isReadOnlyFile(path)) return false;
  const std::string temp = name + ".clickmend-new-" + std::to_string(::getpid());
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) return false;
  if (!writeAndClose(file, bytes) || std::rename(temp.c_str(), name.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

bool isReadOnlyFile(const std::wstring& path) {
  struct stat info {};
  return ::stat(encodeUtf8(path).c_str(), &info) == 0 &&
         (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

bool fileExists(const std::wstring& path) {
  struct stat info {};
  return ::stat(encodeUtf8(path).c_str(), &info) == 0;
}

// The file-backed store keeps such bytes as they are; there is nothing to convert them with.
std::optional<std::wstring> decodeAnsiCodePage(const std::string&) {
  return std::nullopt;
}
