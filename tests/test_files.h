// A scratch folder per test, on the host and under Wine alike.
#pragma once

#include <string>

#include "common/text.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

class TempDir {
 public:
  TempDir() {
#ifdef _WIN32
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
      path_ = std::wstring(base) + L"clickmend-test-" + std::to_wstring(GetCurrentProcessId()) +
              L"-" + std::to_wstring(++counter);
      if (CreateDirectoryW(path_.c_str(), nullptr)) break;
    }
#else
    char pattern[] = "/tmp/clickmend-test-XXXXXX";
    const char* made = mkdtemp(pattern);
    path_ = made ? std::wstring(made, made + std::char_traits<char>::length(made)) : L"/tmp";
#endif
  }
  ~TempDir() {
#ifdef _WIN32
    std::wstring pattern = path_ + L"\\*";
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(pattern.c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
      do {
        std::wstring name = path_ + L"\\" + found.cFileName;
        SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(name.c_str());
      } while (FindNextFileW(h, &found));
      FindClose(h);
    }
    RemoveDirectoryW(path_.c_str());
#else
    std::string cmd = "rm -rf '" + encodeUtf8(path_) + "'";
    if (std::system(cmd.c_str()) != 0) std::perror("rm");
#endif
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::wstring file(const std::wstring& name) const {
#ifdef _WIN32
    return path_ + L"\\" + name;
#else
    return path_ + L"/" + name;
#endif
  }

 private:
  std::wstring path_;
};

inline void setReadOnly(const std::wstring& path, bool readOnly) {
#ifdef _WIN32
  SetFileAttributesW(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
#else
  chmod(encodeUtf8(path).c_str(), readOnly ? 0444 : 0644);
#endif
}
