// Starting other programs, and the handles that come with them.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

// A kernel handle, closed when it goes out of scope.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() {
    if (handle_) CloseHandle(handle_);
  }
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

struct StartedProcess {
  UniqueHandle process;
  DWORD id;
};

// Starts a command line the way the program starts every program: no handles inherited,
// no creation flags, its own environment and folder, a zeroed STARTUPINFOW. The thread handle
// is not needed and is closed at once.
inline std::optional<StartedProcess> startCommandLine(std::wstring commandLine) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  // CreateProcessW may write into the command line it is given: `commandLine` is our copy.
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return std::nullopt;
  }
  CloseHandle(info.hThread);
  return StartedProcess{UniqueHandle(info.hProcess), info.dwProcessId};
}

// The program file a process runs; empty when it cannot be found out. Limited query rights are
// granted for most processes of the desktop, also some of higher rights; a path longer than
// MAX_PATH is read with a larger buffer.
inline std::wstring programPathOf(DWORD processId) {
  const UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process.get()) return {};
  for (DWORD size = MAX_PATH;; size *= 2) {
    std::wstring path(size, L'\0');
    DWORD length = size;
    if (QueryFullProcessImageNameW(process.get(), 0, path.data(), &length)) {
      path.resize(length);
      return path;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size >= 32768) return {};
  }
}
