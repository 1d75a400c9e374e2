#include "common/shared_file_win32.h"

#include <sddl.h>

#include <cstdint>
#include <utility>

#include "common/debug_console.h"
#include "common/file_access.h"

namespace {

// Another instance holds the lock for one read and one write of a file under 16 MiB: far less
// than this. Past it the holder is stuck (suspended, or a debugger's), and the save goes on
// without the lock rather than keep the main thread waiting.
constexpr DWORD kLockWaitMs = 2000;

// Everyone may wait on the mutex and release it, so that another user's instance can share it;
// nobody else may change it.
constexpr wchar_t kLockSecurity[] = L"D:(A;;0x00100001;;;WD)";

// The mutex named by the file's full path in one case; null when it cannot be created or opened.
HANDLE openLock(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return nullptr;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return nullptr;
  full.resize(length);
  CharUpperBuffW(full.data(), length);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kLockSecurity, SDDL_REVISION_1,
                                                           &descriptor, nullptr)) {
    attributes.lpSecurityDescriptor = descriptor;
  }
  const HANDLE mutex = CreateMutexExW(&attributes, sharedFileLockName(full).c_str(), 0,
                                      SYNCHRONIZE | MUTEX_MODIFY_STATE);
  if (descriptor) LocalFree(descriptor);
  if (!mutex) debugPrint("File lock not created:\t%d\n", static_cast<std::int32_t>(GetLastError()));
  return mutex;
}

}  // namespace

SharedFileWin32::SharedFileWin32(std::wstring path, std::size_t limit)
    : path_(std::move(path)), limit_(limit) {}

SharedFileWin32::~SharedFileWin32() {
  unlock();
  if (mutex_) CloseHandle(mutex_);
}

bool SharedFileWin32::lock() {
  if (!mutex_) mutex_ = openLock(path_);
  if (!mutex_) return false;
  // Abandoned: an instance ended while it held the lock; its write was whole or never happened.
  const DWORD waited = WaitForSingleObject(mutex_, kLockWaitMs);
  held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  if (!held_) debugPrintText("File saved without its lock:\t%S\n", path_.c_str());
  return held_;
}

void SharedFileWin32::unlock() {
  if (held_) ReleaseMutex(mutex_);
  held_ = false;
}

FileRead SharedFileWin32::read(std::string* bytes) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!GetFileAttributesExW(path_.c_str(), GetFileExInfoStandard, &info)) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::missing
                                                                          : FileRead::held;
  }
  const unsigned long long size =
      (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && size > limit_) {
    return FileRead::tooLarge;
  }
  auto read = readFileBytes(path_, limit_);
  if (!read) return FileRead::held;
  *bytes = std::move(*read);
  return FileRead::done;
}

bool SharedFileWin32::write(const std::string& bytes) {
  return writeFileBytes(path_, bytes);
}

bool SharedFileWin32::moveAside(const std::wstring& suffix) {
  return MoveFileExW(path_.c_str(), (path_ + suffix).c_str(), 0) != 0;
}
