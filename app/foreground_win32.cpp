// Following the foreground window on the main thread, for the rule of the program that owns it.
// The hook thread never looks up a process or a window: it reads the rule's Bypass per event.
#include <windows.h>

#include <memory>
#include <string>

#include "app/app_win32.h"
#include "common/debug_console.h"
#include "common/process_win32.h"
#include "input/program_rule.h"
#include "settings/profile_store.h"

namespace {

HWINEVENTHOOK foregroundHook = nullptr;
HWINEVENTHOOK locationHook = nullptr;  // the foreground process's windows only
HWND followed = nullptr;
ProgramList programs;  // read when the settings are applied
DWORD sizeCheckTick = 0;
std::wstring programName;
Bypass listed = Bypass::none;
Bypass current = Bypass::none;

ScreenRect screenRect(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// The desktop (its window and the one behind the icons) and the taskbar.
bool isShell(HWND window) {
  if (window == GetShellWindow()) return true;
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return lstrcmpW(name, L"WorkerW") == 0 || lstrcmpW(name, L"Progman") == 0 ||
         lstrcmpW(name, L"Shell_TrayWnd") == 0;
}

ForegroundWindow describe(HWND window) {
  ForegroundWindow foreground{};
  RECT r{};
  if (GetWindowRect(window, &r)) foreground.window = screenRect(r);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
    foreground.monitor = screenRect(monitor.rcMonitor);
  }
  foreground.shell = isShell(window);
  foreground.maximised = IsZoomed(window) != 0;
  return foreground;
}

void apply() {
  const Bypass rule =
      followed ? foregroundRule(listed, describe(followed), programSettings().fullScreenPause != 0)
               : Bypass::none;
  if (rule == current) return;
  current = rule;
  setProgramRule(rule);
  const std::wstring line = programName + L" " + std::to_wstring(static_cast<int>(rule));
  debugPrintText("Program rule:\t%S\n", line.c_str());
}

void CALLBACK onLocationChange(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                               DWORD) {
  if (window == followed && object == OBJID_WINDOW && child == CHILDID_SELF) apply();
}

void follow(HWND window) {
  followed = window;
  DWORD processId = 0;
  if (window) GetWindowThreadProcessId(window, &processId);
  programName = processId ? programFileName(programPathOf(processId)) : std::wstring();
  listed = programs.rule(programName);
  // A window that goes full screen (or leaves it) changes size, not foreground.
  if (locationHook) UnhookWinEvent(locationHook);
  locationHook = nullptr;
  if (processId && programSettings().fullScreenPause) {
    locationHook = SetWinEventHook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE,
                                   nullptr, onLocationChange, processId, 0, WINEVENT_OUTOFCONTEXT);
  }
  apply();
}

void CALLBACK onForeground(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
  follow(window);
}

}  // namespace

void followForeground() {
  foregroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                   onForeground, 0, 0, WINEVENT_OUTOFCONTEXT);
  programs.read(*openProfileStore(settingsFilePath()));
  follow(GetForegroundWindow());
}

bool foregroundIsFullScreen() {
  const HWND window = GetForegroundWindow();
  return window && coversItsMonitor(describe(window));
}

void checkForeground() {
  if (!foregroundHook) return;
  const HWND now = GetForegroundWindow();
  if (now != followed) {
    follow(now);
    return;
  }
  // Nor is the location event (Wine sends neither, remote desktops may not): a window that goes
  // full screen while in front is seen here too, its rectangle read at most every 250 ms.
  const DWORD tick = GetTickCount();
  if (programSettings().fullScreenPause && tick - sizeCheckTick >= 250) {
    sizeCheckTick = tick;
    apply();
  }
}

void recheckForeground() {
  if (!foregroundHook) return;
  programs.read(*openProfileStore(settingsFilePath()));
  follow(GetForegroundWindow());
}

void stopFollowingForeground() {
  if (locationHook) UnhookWinEvent(locationHook);
  if (foregroundHook) UnhookWinEvent(foregroundHook);
  locationHook = foregroundHook = nullptr;
}
