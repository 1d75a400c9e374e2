#include <windows.h>

#include <atomic>
#include <mutex>
#include <new>
#include <utility>

#include "common/debug_console.h"
#include "common/debug_ring.h"
#include "common/process_win32.h"

namespace {

// The console belongs to the program from the moment it is allocated: its default handler
// would end the program on Ctrl+C or Ctrl+Break and leave the tray icon behind.
BOOL WINAPI ignoreBreaks(DWORD event) {
  return event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
}

// A selection in the console (QuickEdit, on by default since Windows 10) holds every write
// until it ends. Closing the window ends the process whatever a handler answers, so the
// window loses its close command instead.
void keepConsoleFromStoppingUs() {
  const HANDLE input =
      CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (input != INVALID_HANDLE_VALUE) {
    DWORD mode = 0;
    GetConsoleMode(input, &mode);
    SetConsoleMode(input, (mode | ENABLE_EXTENDED_FLAGS) & ~ENABLE_QUICK_EDIT_MODE);
    CloseHandle(input);
  }
  SetConsoleCtrlHandler(ignoreBreaks, TRUE);
  if (const HWND window = GetConsoleWindow()) {
    if (const HMENU menu = GetSystemMenu(window, FALSE)) DeleteMenu(menu, SC_CLOSE, MF_BYCOMMAND);
  }
}

// Prints the ring's lines on a thread of its own, so that a slow or held console holds up
// nobody who prints.
class ConsoleWriter {
 public:
  ConsoleWriter() = default;
  ConsoleWriter(const ConsoleWriter&) = delete;
  ConsoleWriter& operator=(const ConsoleWriter&) = delete;
  ~ConsoleWriter() {
    setOpen(false);  // at exit: the last lines are printed and the thread joined
    if (wake_) CloseHandle(wake_);
  }

  bool isOpen() const { return open_.load(std::memory_order_acquire); }
  // Only while isOpen(): the ring exists from the first opening on.
  DebugRing& ring() { return *ring_; }
  void wake() { SetEvent(wake_); }

  // Opening and closing may come from more than one thread; printing never waits for them.
  void setOpen(bool open) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open == isOpen()) return;
    if (open) {
      if (!wake_) wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
      if (!wake_) return;
      // Made at the first opening and kept to the end, so that the lines' room (150 KB) is
      // neither in the exe nor in memory while debug mode is off.
      if (!ring_) ring_ = new (std::nothrow) DebugRing;
      if (!ring_) return;
      AllocConsole();
      output_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
      if (output_ == INVALID_HANDLE_VALUE) {
        FreeConsole();
        return;
      }
      keepConsoleFromStoppingUs();
      // Lines put in while the last console closed belong to no console.
      DebugRing::Line line;
      while (ring_->take(line)) {
      }
      stopping_.store(false, std::memory_order_relaxed);
      auto writer = startThread(run, this);
      if (!writer) {
        release();  // no writer: no console rather than one that stays empty
        return;
      }
      thread_ = std::move(writer->handle);
      open_.store(true, std::memory_order_release);
    } else {
      open_.store(false, std::memory_order_release);
      stopping_.store(true, std::memory_order_release);
      wake();
      WaitForSingleObject(thread_.get(), INFINITE);
      thread_ = UniqueHandle();
      release();
    }
  }

 private:
  static DWORD WINAPI run(void* argument) {
    static_cast<ConsoleWriter*>(argument)->write();
    return 0;
  }

  void write() {
    DebugRing::Line line;
    for (;;) {
      // Read before the ring is emptied, so the lines put in before closing are all printed.
      const bool last = stopping_.load(std::memory_order_acquire);
      while (ring_->take(line)) {
        DWORD written = 0;
        WriteConsoleW(output_, line.text, static_cast<DWORD>(line.length), &written, nullptr);
      }
      if (last) return;
      WaitForSingleObject(wake_, INFINITE);
    }
  }

  void release() {
    CloseHandle(output_);
    SetConsoleCtrlHandler(ignoreBreaks, FALSE);
    FreeConsole();
  }

  DebugRing* ring_ = nullptr;
  std::mutex mutex_;
  std::atomic<bool> open_{false};
  std::atomic<bool> stopping_{false};
  HANDLE wake_ = nullptr;
  HANDLE output_ = INVALID_HANDLE_VALUE;
  UniqueHandle thread_;
};

ConsoleWriter writer;

}  // namespace

void setDebugConsoleOpen(bool open) {
  writer.setOpen(open);
}

bool isDebugConsoleOpen() {
  return writer.isOpen();
}

void debugPrint(const char* format, std::int32_t value) {
  if (!writer.isOpen()) return;
  writer.ring().put(format, value);
  writer.wake();
}

void debugPrintText(const char* format, const wchar_t* text) {
  if (!writer.isOpen()) return;
  writer.ring().put(format, text);
  writer.wake();
}
