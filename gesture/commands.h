// The command bound to a finished gesture, decided off the desktop.
//
// The binding is the value of the gesture's text in the gestures section of the settings file,
// read as its leading number:
//   0 (or no leading number) start the value, as written with its quotes, as a command line;
//                            its first window goes topmost
//   1 topmost            2 not topmost        3 minimise          4 maximise
//   5 restore            6 close              7 close every visible top-level window of the
//                                               target's class whose process runs the same
//                                               program file as the target's
//   8 screen saver       9 monitors off      10 quit Clickmend      anything else: nothing
// Actions 1 to 7 act on the target, the top-level ancestor of the window under the cursor, and
// leave a protected target alone: the desktop ("Program Manager", "WorkerW"), the taskbar
// ("Shell_TrayWnd"), tooltips ("tooltips_class32"), matched without regard to case, and any
// window whose style lacks WS_VISIBLE.
//
// A started program is followed by a TopmostWatcher until its first visible window shows up
// (made topmost), the program ends, or kMaxWatcherPasses passes found no window:
//   start  wait pass  wait pass  wait pass(window found: topmost)  stop
//   start  wait pass  wait pass(program ended, no window)          stop
//   start  wait pass ... wait pass(the last: no window)            stop
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/win32_values.h"

class ProfileStore;

// A window as the desktop names it; 0 is no window.
using WindowHandle = std::uintptr_t;

struct ScreenPoint {
  std::int32_t x;
  std::int32_t y;
};

enum class GestureCommand : std::uint32_t {
  startProgram = 0,
  topmost = 1,
  notTopmost = 2,
  minimize = 3,
  maximize = 4,
  restore = 5,
  close = 6,
  closeClass = 7,
  screenSaver = 8,
  monitorsOff = 9,
  quitClickmend = 10,
};

// The lParam of sys_command::monitorPower that switches the monitors off.
constexpr std::intptr_t kMonitorsOff = 2;
constexpr WindowHandle kBroadcastWindow = 0xFFFF;

// Window titles and class names are read into buffers of this many characters, terminator
// included, so they hold at most 254 characters. A command line is read whole.
constexpr std::size_t kWindowTextBuffer = 255;
// A program that shows no window within a minute of passes (50 ms each on the desktop) is left
// as it is: a background program or a tray tool never shows one.
constexpr int kMaxWatcherPasses = 1200;

// What the gesture commands need from the desktop.
class WindowOps {
 public:
  virtual ~WindowOps() = default;
  virtual ScreenPoint cursorPosition() = 0;
  virtual WindowHandle windowFromPoint(ScreenPoint point) = 0;
  // The parent, or for a top-level window its owner; 0 when there is none.
  virtual WindowHandle parent(WindowHandle window) = 0;
  virtual std::uint32_t style(WindowHandle window) = 0;
  virtual bool isVisible(WindowHandle window) = 0;
  virtual std::wstring title(WindowHandle window) = 0;
  virtual std::wstring className(WindowHandle window) = 0;
  virtual std::uint32_t processIdOf(WindowHandle window) = 0;
  // The full path of the program file the process runs; empty when it cannot be read (a
  // process of higher rights, one that has ended).
  virtual std::wstring programPath(std::uint32_t processId) = 0;
  virtual std::vector<WindowHandle> topLevelWindows() = 0;
  // The main window of the running Clickmend; 0 when there is none.
  virtual WindowHandle clickmendWindow() = 0;
  virtual void postMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                           std::intptr_t lParam) = 0;
  // Puts the window into the topmost band, or takes it out, keeping its place and size.
  virtual void setTopmost(WindowHandle window, bool topmost) = 0;
  // Starts `commandLine` as a new process; its identifier, or nullopt when it did not start.
  virtual std::optional<std::uint32_t> startProcess(const std::wstring& commandLine) = 0;
  // Hands the process started last to a TopmostWatcher of its own.
  virtual void startWatcher(std::uint32_t processId) = 0;
  // A debug console line; the format carries one %S.
  virtual void printText(const char* format, const wchar_t* text) = 0;
};

// Runs the command bound to gesture `text` in `bindings`. An empty text runs nothing.
void runGestureCommandWith(const wchar_t* text, WindowOps& ops, ProfileStore& bindings);

// The process a TopmostWatcher follows.
class WatchedProcess {
 public:
  virtual ~WatchedProcess() = default;
  virtual std::uint32_t id() = 0;
  virtual bool hasEnded() = 0;
  // Lets the process get on for a while (50 ms on the desktop) before the next pass.
  virtual void waitBeforePass() = 0;
};

// One pass: every visible parentless top-level window of the process is made topmost. True when
// there was at least one.
bool makeProcessWindowsTopmost(WindowOps& ops, std::uint32_t processId);

// Polls until the first pass that finds a window of the process, until the process has ended,
// or for kMaxWatcherPasses passes.
void watchForFirstWindow(WindowOps& ops, WatchedProcess& process);
