// Entry, the hidden main window and the message loop.
#include <windows.h>

#include <wtsapi32.h>

#include "app/app_win32.h"
#include "common/debug_console.h"
#include "common/identity.h"
#include "common/system_library_win32.h"
#include "gesture/commands_win32.h"
#include "input/hook_win32.h"
#include "tray/tray_win32.h"

namespace {

FilterState filterState;
GestureTracker gestureTracker;
HookWatchdog hookWatchdog;

// Read by tools and the end-to-end tests: how often the hook was installed, and whether the
// raw input that watches it arrives at all.
const wchar_t kHookInstallsProperty[] = L"Clickmend.HookInstalls";
const wchar_t kRawInputProperty[] = L"Clickmend.RawInput";

void noteHookInstalls(HWND window) {
  SetPropW(window, kHookInstallsProperty,
           reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(mouseHookInstalls())));
}

// The system drops a low-level hook silently (too slow a few times, sleep, a session change):
// the hook thread puts a fresh one in its place.
void reinstallHook(std::uint32_t silence) {
  requestHookReinstall();
  hookWatchdog.onReinstalled(GetTickCount());
  debugPrint("Hook reinstalled:\t%d\n", static_cast<std::int32_t>(silence));
}

// The hook thread counts its calls; the watchdog lives here, beside the raw input it compares
// them with.
void noteHookCalls(std::uint32_t now) {
  static std::uint32_t seen = 0;
  const std::uint32_t calls = mouseHookCalls();
  if (calls != seen) hookWatchdog.onHookCall(now);
  seen = calls;
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
      const std::uint32_t now = GetTickCount();
      static bool rawInputNoted = false;
      if (!rawInputNoted) rawInputNoted = SetPropW(window, kRawInputProperty, HANDLE(1));
      noteHookCalls(now);
      if (hookWatchdog.onRawInput(now)) reinstallHook(hookWatchdog.silence(now));
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
      RemovePropW(window, kHookInstallsProperty);
      RemovePropW(window, kRawInputProperty);
      [[fallthrough]];
    case WM_HOTKEY:
      // Deleted whatever the settings say now: the file may have been edited since the icon
      // was added, and deleting an absent icon does no harm.
      removeTrayIcon(window);
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      onMenuCommand(window, wParam, programSettings());
      requestHeldReleases();  // a repair may have been switched off
      return 0;
    case WM_USER:
      if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP) {
        showTrayMenu(window, programSettings());
      }
      return 0;
    case kSettingsChangedMessage:
      applySettings(window);
      requestHeldReleases();
      return 0;
    case kHookReinstalledMessage:
      noteHookInstalls(window);
      return 0;
    case WM_SETTINGCHANGE:
      readWheelRouting();
      break;
    case kRunGestureCommandMessage:
      runGestureCommand(takeGestureCommand(wParam).c_str());
      return 0;
    default:
      break;
  }
  if (message == RegisterWindowMessageW(L"TaskbarCreated")) {
    SendMessageW(window, WM_CREATE, wParam, lParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

int runClickmend(HINSTANCE instance) {
  Settings& settings = programSettings();
  {
    const std::wstring path = settingsFilePath();
    loadSettings(settings, path);
    saveSettings(settings, path);
  }
  if (FindWindowW(kAppName, kAppName)) return 0;

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
  InputFilter filter(settings, filterState, gestureTracker, desktopInputPlatform());
  if (!startMouseHook(instance, filter, window)) {
    MessageBoxW(nullptr, L"SetWindowsHookEx Failed!", kAppName, MB_OK);
    return 0;
  }
  watchHook(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  stopMouseHook();
  setDebugConsoleOpen(false);  // the console's last lines printed, its writer thread joined
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  restrictLibrarySearch();
  return runClickmend(instance);
}
