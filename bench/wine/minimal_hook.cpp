// The floor any hook-based tool pays: a low-level mouse hook that only hands each event on.
// Its process is shaped like Clickmend's (a hidden window, the hook on the window's thread, a
// message loop), so the latency benchmark can put the two side by side. WM_CLOSE to the window
// (class and title below) ends it.
//
// With --raw-input the window also receives raw mouse input, as Clickmend's does to watch its
// hook, and leaves each to the default handling: the floor of a hook with such a witness.
#include <windows.h>

#include <cstring>

namespace {

const wchar_t kWindowName[] = L"Clickmend minimal hook";

LRESULT CALLBACK passOn(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowName;
  RegisterClassExW(&windowClass);
  const HHOOK hook = SetWindowsHookExW(WH_MOUSE_LL, passOn, instance, 0);
  if (!hook) return 1;
  // Created after the hook: a benchmark that finds the window knows the hook is in place.
  const HWND window = CreateWindowExW(WS_EX_TOOLWINDOW, kWindowName, kWindowName, WS_POPUP, 0, 0, 0,
                                      0, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  if (std::strstr(commandLine, "--raw-input")) {
    RAWINPUTDEVICE mouse{};
    mouse.usUsagePage = 0x01;  // generic desktop controls
    mouse.usUsage = 0x02;      // mouse
    mouse.dwFlags = RIDEV_INPUTSINK;
    mouse.hwndTarget = window;
    if (!RegisterRawInputDevices(&mouse, 1, sizeof mouse)) return 1;
  }
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  UnhookWindowsHookEx(hook);
  return 0;
}
