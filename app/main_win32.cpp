// Entry, the hidden main window and the message loop.
#include <windows.h>

#include "app/app_win32.h"
#include "app/identity.h"
#include "gesture/commands_win32.h"
#include "input/hook_win32.h"
#include "tray/tray_win32.h"

namespace {

FilterState filterState;
GestureTracker gestureTracker;

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      applySettings(window);
      return 0;
    case WM_DESTROY:
    case WM_HOTKEY:
      // Deleted whatever the settings say now: the file may have been edited since the icon
      // was added, and deleting an absent icon does no harm.
      removeTrayIcon(window);
      PostQuitMessage(0);
      return 0;
    case WM_COMMAND:
      onMenuCommand(window, wParam, programSettings());
      return 0;
    case WM_USER:
      if (lParam == WM_LBUTTONUP || lParam == WM_RBUTTONUP) {
        showTrayMenu(window, programSettings());
      }
      return 0;
    case kRunGestureCommandMessage:
      runGestureCommand(takeGestureCommand(wParam));
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

  InputFilter filter(settings, filterState, gestureTracker, desktopInputPlatform());
  if (!installMouseHook(instance, filter, window)) {
    MessageBoxW(nullptr, L"SetWindowsHookEx Failed!", kAppName, MB_OK);
    return 0;
  }

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  removeMouseHook();
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  return runClickmend(instance);
}
