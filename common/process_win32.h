// Starting other programs and threads, the handles that come with them, the rights processes
// run with, and the program's own path.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "common/process_rights.h"

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

// Every thread of the program starts here. Its handle joins it (WaitForSingleObject) or, let
// go, leaves it to run on its own; its id is what PostThreadMessageW takes.
struct StartedThread {
  UniqueHandle handle;
  DWORD id;
};

inline std::optional<StartedThread> startThread(LPTHREAD_START_ROUTINE body, void* argument) {
  DWORD id = 0;
  const HANDLE handle = CreateThread(nullptr, 0, body, argument, 0, &id);
  if (!handle) return std::nullopt;
  return StartedThread{UniqueHandle(handle), id};
}

struct StartedProcess {
  UniqueHandle process;
  DWORD id;
};

// The one way the program starts another (the command lines bound to gestures, the editor), and
// never with more rights than the desktop's shell has (common/process_rights.h): where ours are
// more, the program starts with the shell's process as its parent and so with its rights; where
// that cannot be had, nothing starts, and the first such refusal of the session is a debug line
// and kStartRefusedMessage to the window reportRefusedStartsTo named. No handles inherited, no
// creation flags but the parent's, our environment and folder. The thread handle is not needed
// and is closed at once. Run as administrator at the user's own request, through the system's
// prompt, is app/elevation_win32.h's restartElevated and no start of this kind.
std::optional<StartedProcess> startCommandLine(std::wstring commandLine);
void reportRefusedStartsTo(HWND window);

// The rights of a process, from its token; unknown (and whether that was refused) when it
// cannot be opened.
ProcessRights processRightsOf(DWORD processId);
ProcessRights ourRights();
// The desktop shell's, as the launcher finds it; nullopt when no shell runs.
std::optional<ProcessRights> shellRights();

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

// The running program's full path, never cut short: the module path may be longer than MAX_PATH
// (long-path folders), so the buffer grows until it fits; empty when it cannot be read.
inline std::wstring executablePath() {
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
