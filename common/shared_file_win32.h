// A shared file on the desktop: its bytes through the file calls, its lock a named mutex that
// every session's instance of the program opens by the file's full path.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "common/shared_file.h"

class SharedFileWin32 final : public SharedFileAccess {
 public:
  // `limit`: the most bytes read; a larger file is tooLarge.
  SharedFileWin32(std::wstring path, std::size_t limit);
  ~SharedFileWin32() override;
  SharedFileWin32(const SharedFileWin32&) = delete;
  SharedFileWin32& operator=(const SharedFileWin32&) = delete;

  bool lock() override;
  void unlock() override;
  FileRead read(std::string* bytes) override;
  bool write(const std::string& bytes) override;
  bool moveAside(const std::wstring& suffix) override;

  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
  std::size_t limit_;
  HANDLE mutex_ = nullptr;
  bool held_ = false;
};
