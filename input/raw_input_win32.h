// The raw input of the hook thread: which device each mouse event came from
// (input/input_source.h), and the witness of a hook the system dropped (input/hook_watchdog.h).
//
// A process has one raw input registration per usage page and usage, whichever window or thread
// made it last: the mice (1/2), precision touchpads (0x0D/0x05) and touch screens (0x0D/0x04)
// go to a message-only window of the hook thread alone, which also keeps the watchdog.
#pragma once

#include <windows.h>

#include "input/hook_watchdog.h"
#include "input/input_source.h"

class RawInputReader {
 public:
  // On the hook thread: its window and the registration; false when neither could be made (the
  // hook then runs without sources, every event repaired, and without its witness).
  bool start(HINSTANCE instance, SourceTracker* sources, HWND commandWindow);
  void stop();
  HWND window() const { return window_; }

  // A WM_INPUT of the thread's window; true when the watchdog finds the hook lost.
  bool onMessage(LPARAM rawInput, HookProgress hook);
  // Inside the hook, for a button event or a notch: the raw input already queued, so that the
  // event's own report is there before its source is told.
  void drain();

 private:
  void handle(DWORD type, HANDLE device, const BYTE* data, std::uint64_t us);
  int slotFor(DWORD type, HANDLE device);
  int add(HANDLE device, DeviceKind kind);
  void addDigitizers();

  HWND window_ = nullptr;
  HWND commandWindow_ = nullptr;
  SourceTracker* sources_ = nullptr;
  bool wow64_ = false;  // a 32-bit program on 64-bit Windows: the buffer is laid out for 64 bits
  std::uintptr_t untracked_ = 0;  // the latest device given no slot, not asked about again

 public:
  HookWatchdog watchdog;
};

// The performance counter in microseconds.
std::uint64_t counterMicroseconds();
