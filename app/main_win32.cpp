// Entry, the hidden main window and the message loop.
#include <windows.h>

#include <shellapi.h>
#include <wtsapi32.h>

#include "app/app_win32.h"
#include "common/debug_console.h"
#include "common/dpi_win32.h"
#include "common/identity.h"
#include "common/system_library_win32.h"
#include "common/texts.h"
#include "common/window_contract.h"
#include "gesture/commands_win32.h"
#include "health/health_win32.h"
#include "health/window_win32.h"
#include "input/hook_win32.h"
#include "tray/options_win32.h"
#include "tray/tray_win32.h"

namespace {

namespace contract = window_contract;

GestureTracker gestureTracker;
HookWatchdog hookWatchdog;
// The latest clicks, for the switch health's fit: a quarter of a megabyte, kept off the stack.
ClickRecord clickRecord;

void noteHookInstalls(HWND window) {
  SetPropW(window, contract::kHookInstallsProperty,
           reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(mouseHookInstalls())));
}

// The system drops a low-level hook silently (too slow a few times, sleep, a session change):
// the hook thread puts a fresh one in its place.
void reinstallHook(std::uint32_t silence) {
  requestHookReinstall();
  hookWatchdog.onReinstalled(GetTickCount());
  debugPrint("Hook reinstalled:\t%d\n", static_cast<std::int32_t>(silence));
}

// Raw mouse input reaches the window whatever happens to the hook chain; it is the witness
// that tells a lost hook from an idle mouse.
void watchHook(HWND window) {
  RAWINPUTDEVICE mouse{};
  mouse.usUsagePage = 0x01;  // generic desktop controls
  mouse.usUsage = 0x02;      // mouse
  mouse.dwFlags = RIDEV_INPUTSINK;
  mouse.hwndTarget = window;
  RegisterRawInputDevices(&mouse, 1, sizeof mouse);
  watchSessionChanges(window, true);
  noteHookInstalls(window);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      applySettings(window);
      return 0;
    case WM_INPUT: {
      static bool rawInputNoted = false;
      if (!rawInputNoted) rawInputNoted = SetPropW(window, contract::kRawInputProperty, HANDLE(1));
      // The system's stamp of the event, not the time it is read here: the main thread may
      // take a batch of raw input late, long after the hook was called for it.
      const auto eventTime = static_cast<std::uint32_t>(GetMessageTime());
      if (hookWatchdog.onRawInput(eventTime, mouseHookProgress())) {
        reinstallHook(hookWatchdog.silence(eventTime));
      }
      checkForeground();
      return DefWindowProcW(window, message, wParam, lParam);  // frees the raw input
    }
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) {
        reinstallHook(0);
      }
      return TRUE;
    case WM_WTSSESSION_CHANGE:
      if (wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT ||
          wParam == WTS_REMOTE_CONNECT) {
        reinstallHook(0);
      }
      return 0;
    case WM_DESTROY:
      watchSessionChanges(window, false);
      RemovePropW(window, contract::kHookInstallsProperty);
      RemovePropW(window, contract::kRawInputProperty);
      [[fallthrough]];
    case WM_HOTKEY:  // registered by nothing here: another program's way to end Clickmend
      // Deleted whatever the settings say now: the file may have been edited since the icon
      // was added, and deleting an absent icon does no harm.
      removeTrayIcon(window);
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      if (onMenuCommand(window, wParam, programSettings()) == TrayAction::togglePause) {
        setPaused(window, !isPaused());
      }
      requestHeldReleases();  // a repair may have been switched off
      return 0;
    case WM_COPYDATA:
      return onRemoteCommand(window, wParam, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case contract::kTrayCallbackMessage:
      if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP) {
        showTrayMenu(window, programSettings(), isPaused());
      } else if (lParam == NIN_BALLOONUSERCLICK) {
        const OwnWindowDpi perMonitor;
        openSwitchHealthWindow(programSettings());
      }
      return 0;
    case contract::kSettingsChangedMessage:
      applySettings(window);
      requestHeldReleases();
      return 0;
    case contract::kHookReinstalledMessage:
      noteHookInstalls(window);
      return 0;
    case WM_SETTINGCHANGE:
      readWheelRouting();
      break;
    case WM_TIMER:
      // A full-screen program is not interrupted: the balloon comes at a later tick instead.
      if (onSwitchHealthTimer(wParam) && !foregroundIsFullScreen()) {
        std::wstring notice;
        if (takeSwitchHealthNotice(programSettings(), &notice)) {
          showTrayBalloon(window, textOf(TextName::healthTitle, programSettings().language),
                          notice);
        }
      }
      return 0;
    case WM_ENDSESSION:
      if (wParam) saveSwitchHealth();  // the process may end as soon as this returns
      return 0;
    case contract::kRunGestureCommandMessage: {
      // Drawn over the options window's 鼠标手势 page, a gesture is recorded there, not run.
      const std::wstring text = takeGestureCommand(wParam);
      if (!takeDrawnGesture(text)) runGestureCommand(text.c_str());
      return 0;
    }
    default:
      break;
  }
  if (message == RegisterWindowMessageW(L"TaskbarCreated")) {
    applySettings(window);  // the new taskbar has no icon of ours
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HANDLE instanceMutex = nullptr;

// The instance mutex is held until the hook is gone. Another instance holds it already, with
// rights this one lacks (run as administrator) or not, or is just starting: this one is not the
// first. The window check comes after it as ever, and decides alone when no mutex can be made.
bool firstInstance() {
  instanceMutex = CreateMutexW(nullptr, FALSE, contract::kInstanceMutexName);
  const DWORD error = GetLastError();
  if (instanceMutex) return error != ERROR_ALREADY_EXISTS;
  return error != ERROR_ACCESS_DENIED;
}

int runClickmend(HINSTANCE instance) {
  const bool first = firstInstance();
  Settings& settings = programSettings();
  // Before the single-instance check: starting the program again, even while it runs, brings the
  // settings file up to date (its encoding mended, the saved keys written) and then just exits.
  {
    const std::wstring path = settingsFilePath();
    loadSettings(settings, path);
    saveSettings(settings, path);
  }
  if (!first || FindWindowW(kAppName, kAppName)) return 0;

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = mainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hIconSm = LoadIconW(nullptr, IDI_APPLICATION);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kAppName;
  RegisterClassExW(&windowClass);

  const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kAppName, kAppName, WS_POPUPWINDOW,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                      nullptr, nullptr, instance, nullptr);
  if (!window) return 0;

  readWheelRouting();
  InputFilter filter(settings, programFilterState(), gestureTracker, desktopInputPlatform());
  SwitchCounter switchCounter(settings);
  if (!startMouseHook(instance, filter, window, &switchCounter, &clickRecord)) {
    const OwnWindowDpi perMonitor;
    MessageBoxW(nullptr, textOf(TextName::hookFailed, settings.language), kAppName, MB_OK);
    return 0;
  }
  watchHook(window);
  startSwitchHealth(window, switchCounter, clickRecord);
  followForeground();

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (switchHealthWindowMessage(&message)) continue;
    if (optionsWindowMessage(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  stopFollowingForeground();
  stopMouseHook();
  // The next instance may start now: the statistics file takes both instances' saves.
  if (instanceMutex) CloseHandle(instanceMutex);
  saveSwitchHealth();  // every way out (退出, WM_CLOSE, a gesture, the hot key) ends the loop
  setDebugConsoleOpen(false);  // the console's last lines printed, its writer thread joined
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  restrictLibrarySearch();
  if (const auto exitCode = runCommandLine(GetCommandLineW())) return *exitCode;
  return runClickmend(instance);
}
