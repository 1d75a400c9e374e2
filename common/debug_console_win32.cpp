#include <windows.h>

#include <atomic>
#include <mutex>

#include "common/debug_console.h"
#include "common/debug_line.h"

namespace {

// Written by the main thread and a settings editor thread, read by the hook.
std::atomic<HANDLE> consoleOutput{nullptr};
std::mutex consoleMutex;

void write(const wchar_t* line, std::size_t length) {
  const HANDLE out = consoleOutput.load(std::memory_order_acquire);
  if (!out) return;
  DWORD written = 0;
  WriteConsoleW(out, line, static_cast<DWORD>(length), &written, nullptr);
}

}  // namespace

void setDebugConsoleOpen(bool open) {
  std::lock_guard<std::mutex> lock(consoleMutex);
  const HANDLE current = consoleOutput.load();
  if (open == (current != nullptr)) return;
  if (open) {
    AllocConsole();
    const HANDLE out =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (out != INVALID_HANDLE_VALUE) consoleOutput.store(out, std::memory_order_release);
  } else {
    consoleOutput.store(nullptr, std::memory_order_release);
    CloseHandle(current);
    FreeConsole();
  }
}

bool isDebugConsoleOpen() {
  return consoleOutput.load(std::memory_order_acquire) != nullptr;
}

void debugPrint(const char* format, std::int32_t value) {
  if (!isDebugConsoleOpen()) return;
  wchar_t line[128];
  write(line, formatDebugLine(line, 128, format, value));
}

void debugPrintText(const char* format, const wchar_t* text) {
  if (!isDebugConsoleOpen()) return;
  wchar_t line[600];
  write(line, formatDebugLine(line, 600, format, text));
}
