#include "gesture/commands_win32.h"

#include <windows.h>

#include <memory>
#include <utility>

#include "common/debug_console.h"
#include "common/identity.h"
#include "common/process_win32.h"
#include "gesture/commands.h"
#include "settings/profile_store.h"
#include "settings/settings.h"

namespace {

HWND asHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}
WindowHandle asHandle(HWND window) {
  return reinterpret_cast<WindowHandle>(window);
}

std::wstring readText(int(WINAPI* read)(HWND, LPWSTR, int), WindowHandle window) {
  wchar_t buffer[kWindowTextBuffer];
  const int length = read(asHwnd(window), buffer, static_cast<int>(kWindowTextBuffer));
  return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(asHandle(window));
  return TRUE;
}

class DesktopWindowOps final : public WindowOps {
 public:
  ScreenPoint cursorPosition() override {
    POINT point{0, 0};
    GetCursorPos(&point);
    return {point.x, point.y};
  }
  WindowHandle windowFromPoint(ScreenPoint point) override {
    return asHandle(WindowFromPoint(POINT{point.x, point.y}));
  }
  WindowHandle parent(WindowHandle window) override { return asHandle(GetParent(asHwnd(window))); }
  std::uint32_t style(WindowHandle window) override {
    return static_cast<std::uint32_t>(GetWindowLongW(asHwnd(window), GWL_STYLE));
  }
  bool isVisible(WindowHandle window) override { return IsWindowVisible(asHwnd(window)) != FALSE; }
  std::wstring title(WindowHandle window) override { return readText(GetWindowTextW, window); }
  std::wstring className(WindowHandle window) override { return readText(GetClassNameW, window); }
  std::uint32_t processIdOf(WindowHandle window) override {
    DWORD processId = 0;
    GetWindowThreadProcessId(asHwnd(window), &processId);
    return processId;
  }
  std::wstring programPath(std::uint32_t processId) override { return programPathOf(processId); }
  std::vector<WindowHandle> topLevelWindows() override {
    std::vector<WindowHandle> windows;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
  }
  WindowHandle clickmendWindow() override { return asHandle(FindWindowW(kAppName, kAppName)); }
  void postMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                   std::intptr_t lParam) override {
    PostMessageW(asHwnd(window), message, wParam, lParam);
  }
  void setTopmost(WindowHandle window, bool topmost) override {
    SetWindowPos(asHwnd(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE);
  }

  std::optional<std::uint32_t> startProcess(const std::wstring& commandLine) override {
    auto started = startCommandLine(commandLine);
    if (!started) return std::nullopt;
    started_ = std::make_unique<StartedProcess>(std::move(*started));
    return started_->id;
  }

  void startWatcher(std::uint32_t processId) override;

  void printText(const char* format, const wchar_t* text) override { debugPrintText(format, text); }

 private:
  // The process started last, until a watcher takes it; closed with these operations otherwise.
  std::unique_ptr<StartedProcess> started_;
};

class DesktopProcess final : public WatchedProcess {
 public:
  explicit DesktopProcess(StartedProcess& start) : start_(start) {}
  std::uint32_t id() override { return start_.id; }
  bool hasEnded() override { return WaitForSingleObject(start_.process.get(), 0) == WAIT_OBJECT_0; }
  void waitBeforePass() override { Sleep(50); }

 private:
  StartedProcess& start_;
};

DWORD WINAPI topmostWatcher(void* argument) {
  const std::unique_ptr<StartedProcess> start(static_cast<StartedProcess*>(argument));
  DesktopWindowOps ops;
  DesktopProcess process(*start);
  watchForFirstWindow(ops, process);
  return 0;
}

void DesktopWindowOps::startWatcher(std::uint32_t processId) {
  if (!started_ || started_->id != processId) return;
  StartedProcess* start = started_.release();
  if (!startThread(topmostWatcher, start)) delete start;
}

}  // namespace

void runGestureCommand(const wchar_t* text) {
  DesktopWindowOps ops;
  const std::unique_ptr<ProfileStore> bindings = openProfileStore(settingsFilePath());
  runGestureCommandWith(text, ops, *bindings);
}
