// Following the foreground window on the main thread, for the rule of the program that owns it.
// The hook thread never looks up a process or a window: it reads the rule's Bypass per event.
#include <memory>
#include <string>

#include "app/foreground_win32.h"
#include "app/out_of_reach.h"
#include "common/debug_console.h"
#include "common/identity.h"
#include "common/process_win32.h"
#include "common/texts.h"
#include "input/program_rule.h"
#include "settings/profile_store.h"
#include "tray/tray_win32.h"

namespace {

// The follower the system's win-event callbacks reach: they carry no context of their own.
ForegroundFollower* following = nullptr;

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

void CALLBACK locationChanged(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                              DWORD) {
  if (following && object == OBJID_WINDOW && child == CHILDID_SELF) {
    following->onLocationChange(window);
  }
}

void CALLBACK foregroundChanged(HWINEVENTHOOK, DWORD, HWND window, LONG, LONG, DWORD, DWORD) {
  if (following) following->follow(window);
}

}  // namespace

void ForegroundFollower::apply() {
  const bool fullScreenPause = settings_.fullScreenPause != 0;
  const Bypass rule =
      followed_ ? foregroundRule(listed_, describe(followed_), fullScreenPause) : Bypass::none;
  if (rule == current_) return;
  current_ = rule;
  taker_.setProgramRule(rule);
  const std::wstring line = programName_ + L" " + std::to_wstring(static_cast<int>(rule));
  debugPrintText("Program rule:\t%S\n", line.c_str());
}

void ForegroundFollower::onLocationChange(HWND window) {
  if (window == followed_) apply();
}

void ForegroundFollower::follow(HWND window) {
  followed_ = window;
  DWORD processId = 0;
  if (window) GetWindowThreadProcessId(window, &processId);
  programName_ = processId ? programFileName(programPathOf(processId)) : std::wstring();
  listed_ = programs_.rule(programName_);
  // The hook never sees the clicks of a program run as administrator while we run without:
  // said once a session, when a button is chosen for repair.
  if (processId && !toldOutOfReach_ &&
      tellOutOfReach(processRightsOf(processId), ours_, settings_)) {
    toldOutOfReach_ = true;
    debugPrintText("Out of reach:\t%S\n", programName_.c_str());
    showTrayBalloon(window_, kAppName, textOf(TextName::outOfReachBalloon, settings_.language));
  }
  // A window that goes full screen (or leaves it) changes size, not foreground.
  if (locationHook_) UnhookWinEvent(locationHook_);
  locationHook_ = nullptr;
  if (processId && settings_.fullScreenPause) {
    locationHook_ = SetWinEventHook(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE,
                                    nullptr, locationChanged, processId, 0, WINEVENT_OUTOFCONTEXT);
  }
  apply();
}

void ForegroundFollower::start(HWND window) {
  following = this;
  window_ = window;
  ours_ = ourRights();
  foregroundHook_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                    foregroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
  programs_.read(*openProfileStore(settingsFilePath()));
  follow(GetForegroundWindow());
}

bool ForegroundFollower::fullScreen() const {
  const HWND window = GetForegroundWindow();
  return window && coversItsMonitor(describe(window));
}

void ForegroundFollower::check() {
  if (!foregroundHook_) return;
  const HWND now = GetForegroundWindow();
  if (now != followed_) {
    follow(now);
    return;
  }
  // Nor is the location event (Wine sends neither, remote desktops may not): a window that goes
  // full screen while in front is seen here too, its rectangle read at most every 250 ms.
  const DWORD tick = GetTickCount();
  if (settings_.fullScreenPause && tick - sizeCheckTick_ >= 250) {
    sizeCheckTick_ = tick;
    apply();
  }
}

void ForegroundFollower::recheck() {
  if (!foregroundHook_) return;
  programs_.read(*openProfileStore(settingsFilePath()));
  follow(GetForegroundWindow());
}

void ForegroundFollower::stop() {
  if (locationHook_) UnhookWinEvent(locationHook_);
  if (foregroundHook_) UnhookWinEvent(foregroundHook_);
  locationHook_ = foregroundHook_ = nullptr;
  following = nullptr;
}
