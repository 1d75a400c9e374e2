// Entry, the hidden main window and the message loop.
#include <windows.h>

#include <shellapi.h>
#include <wtsapi32.h>

#include <memory>

#include "app/elevation_win32.h"
#include "app/program_win32.h"
#include "app/remote_command.h"
#include "app/remote_win32.h"
#include "common/debug_console.h"
#include "common/dpi_win32.h"
#include "common/identity.h"
#include "common/process_win32.h"
#include "common/system_library_win32.h"
#include "common/texts.h"
#include "common/window_contract.h"
#include "gesture/commands_win32.h"
#include "health/calibration.h"
#include "health/health_win32.h"
#include "health/window_win32.h"
#include "input/hook_win32.h"
#include "tray/options_win32.h"
#include "tray/tray_win32.h"

namespace {

namespace contract = window_contract;

void noteHookInstalls(HWND window) {
  SetPropW(window, contract::kHookInstallsProperty,
           reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(mouseHookInstalls())));
}

// wtsapi32 is not one of the DLLs Windows always takes from the system folder: imported, it
// would be looked for beside the exe first.
void watchSessionChanges(HWND window, bool watch) {
  if (watch) {
    if (const auto registerFor = systemLibraryFunction<decltype(&WTSRegisterSessionNotification)>(
            L"wtsapi32.dll", "WTSRegisterSessionNotification")) {
      registerFor(window, NOTIFY_FOR_THIS_SESSION);
    }
  } else if (const auto unregister =
                 systemLibraryFunction<decltype(&WTSUnRegisterSessionNotification)>(
                     L"wtsapi32.dll", "WTSUnRegisterSessionNotification")) {
    unregister(window);
  }
}

// After a resume or a session change the system may have dropped the hook: the hook thread puts
// a fresh one in its place. (A hook dropped silently meanwhile the hook thread notices itself,
// by its raw input: input/raw_input_win32.h.)
void reinstallHook() {
  requestHookReinstall();
  debugPrint("Hook reinstalled:\t%d\n", 0);
}

void watchHook(HWND window) {
  watchSessionChanges(window, true);
  noteHookInstalls(window);
}

// Mouse input arrived at the hook thread's raw input: a window that came to the front without
// a word (Wine sends no foreground events) is followed from here.
void onInputSeen(Program& program, HWND window) {
  inputSeenTaken();
  if (!program.rawInputNoted) {
    program.rawInputNoted = SetPropW(window, contract::kRawInputProperty, HANDLE(1));
  }
  program.foreground.check();
}

void onTrayCallback(Program& program, HWND window, LPARAM event) {
  if (event == WM_LBUTTONUP || event == WM_RBUTTONUP) {
    showTrayMenu(window, program.settings, program.paused());
  } else if (event == NIN_BALLOONUSERCLICK) {
    const OwnWindowDpi perMonitor;
    openSwitchHealthWindow(program.settings, program.health);
  }
}

// A menu command: the tray carries out its own, the pause and the restart are the program's.
void onCommand(Program& program, HWND window, WPARAM identifier) {
  switch (onMenuCommand(window, identifier, program.settings, program.health)) {
    case TrayAction::togglePause:
      program.setPaused(window, !program.paused());
      break;
    case TrayAction::restartElevated:
      restartElevated();
      break;
    default:
      break;
  }
  requestHeldReleases();  // a repair may have been switched off
}

// As the menu's 暂停 does, and said in a short balloon: the key gives no other sign.
void onPauseHotkey(Program& program, HWND window) {
  program.setPaused(window, !program.paused());
  requestHeldReleases();
  if (program.settings.showIcon) {
    showTrayBalloon(window, kAppName,
                    textOf(program.paused() ? TextName::pausedBalloon : TextName::resumedBalloon,
                           program.settings.language));
  }
}

// A full-screen program is not interrupted: the balloon comes at a later tick instead.
void showNotice(Program& program, HWND window) {
  std::wstring notice;
  if (!program.foreground.fullScreen() && program.health.takeNotice(program.settings, &notice)) {
    showTrayBalloon(window, textOf(TextName::healthTitle, program.settings.language), notice);
  }
}

// A resume from sleep, or the session unlocked or connected again: the system may have dropped
// the hook meanwhile.
bool hookMayBeGone(UINT message, WPARAM event) {
  if (message == WM_POWERBROADCAST) {
    return event == PBT_APMRESUMEAUTOMATIC || event == PBT_APMRESUMESUSPEND;
  }
  return event == WTS_SESSION_UNLOCK || event == WTS_CONSOLE_CONNECT || event == WTS_REMOTE_CONNECT;
}

// WM_DESTROY, or WM_HOTKEY: the pause hot key's, or any other, another program's way to end
// Clickmend.
void onEndOrHotkey(Program& program, HWND window, UINT message, WPARAM wParam) {
  if (message == WM_HOTKEY && wParam == Program::kPauseHotkeyId) {
    onPauseHotkey(program, window);
    return;
  }
  if (message == WM_DESTROY) {
    watchSessionChanges(window, false);
    RemovePropW(window, contract::kHookInstallsProperty);
    RemovePropW(window, contract::kRawInputProperty);
  }
  // Deleted whatever the settings say now: the file may have been edited since the icon was
  // added, and deleting an absent icon does no harm.
  removeTrayIcon(window);
  PostQuitMessage(0);
}

LRESULT onMessage(Program& program, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      program.applySettings(window);
      return 0;
    case contract::kInputSeenMessage:
      onInputSeen(program, window);
      return 0;
    case contract::kDeviceSeenMessage:
      program.readDeviceChoices();
      program.describeDevice(window, static_cast<int>(wParam));
      return 0;
    case contract::kDeviceNamedMessage:
      program.takeDeviceDescription(reinterpret_cast<DeviceDescription*>(lParam));
      return 0;
    case WM_POWERBROADCAST:
    case WM_WTSSESSION_CHANGE:
      // A console session taken over remotely, or back: 模拟输入's default follows it.
      if (message == WM_WTSSESSION_CHANGE) readRemoteSession(program.inputDevices);
      if (hookMayBeGone(message, wParam)) reinstallHook();
      return message == WM_POWERBROADCAST ? TRUE : 0;
    case WM_DESTROY:
    case WM_HOTKEY:
      onEndOrHotkey(program, window, message, wParam);
      return 0;
    case WM_COMMAND:
      onCommand(program, window, wParam);
      return 0;
    case WM_COPYDATA:
      return onRemoteCommand(program, window, wParam,
                             reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case contract::kTrayCallbackMessage:
      onTrayCallback(program, window, lParam);
      return 0;
    case contract::kSettingsChangedMessage:
      program.applySettings(window);
      requestHeldReleases();
      return 0;
    case contract::kHookReinstalledMessage:
      noteHookInstalls(window);
      return 0;
    case contract::kStartRefusedMessage:  // posted once a session
      showTrayBalloon(window, kAppName,
                      textOf(TextName::startRefusedBalloon, program.settings.language));
      return 0;
    case WM_SETTINGCHANGE:
      readWheelRouting();
      break;
    case WM_TIMER:
      if (program.health.onTimer(wParam)) showNotice(program, window);
      return 0;
    case contract::kFitDoneMessage:
      program.health.onFitDone(wParam, program.settings);
      showNotice(program, window);
      return 0;
    case WM_ENDSESSION:
      if (wParam) program.health.save();  // the process may end as soon as this returns
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
  if (message == program.taskbarCreatedMessage && message != 0) {
    program.applySettings(window);  // the new taskbar has no icon of ours
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  Program* program = programOf(window);
  if (!program) return DefWindowProcW(window, message, wParam, lParam);
  return onMessage(*program, window, message, wParam, lParam);
}

// The instance mutex is held until the hook is gone. Another instance holds it already, with
// rights this one lacks (run as administrator) or not, or is just starting: this one is not the
// first. The window check comes after it as ever, and decides alone when no mutex can be made.
bool firstInstance(UniqueHandle* mutex) {
  *mutex = UniqueHandle(CreateMutexW(nullptr, FALSE, contract::kInstanceMutexName));
  const DWORD error = GetLastError();
  if (mutex->get()) return error != ERROR_ALREADY_EXISTS;
  return error != ERROR_ACCESS_DENIED;
}

// Hidden; the window contract's class and title, by which the command line and other
// programs find it.
HWND createMainWindow(HINSTANCE instance, Program& program) {
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
  return CreateWindowExW(WS_EX_TOOLWINDOW, kAppName, kAppName, WS_POPUPWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance,
                         &program);
}

// How long a new instance waits for the one it replaces to end: the old one's hook thread is
// joined and its windows closed first, seconds on a busy machine.
constexpr DWORD kTakeOverMs = 15000;

// Started by 以管理员身份重新启动 (/takeover): the instance that started this one is asked to
// end, and this one waits for its mutex and window to go, then runs in its place. Without an
// answer in time, the rule stays as ever: this one ends and the other runs on.
bool takeOver(UniqueHandle* mutex) {
  *mutex = UniqueHandle();
  askRunningToQuit();
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kTakeOverMs) {
    if (firstInstance(mutex) && !FindWindowW(kAppName, kAppName)) return true;
    *mutex = UniqueHandle();
    Sleep(50);
  }
  return false;
}

int runClickmend(HINSTANCE instance, bool takingOver) {
  UniqueHandle instanceMutex;
  bool first = firstInstance(&instanceMutex);
  if (takingOver && (!first || FindWindowW(kAppName, kAppName))) first = takeOver(&instanceMutex);
  // Made once, here, and reached by the main window through its user data.
  const auto program = std::make_unique<Program>();
  Settings& settings = program->settings;
  // Before the single-instance check: starting the program again, even while it runs, brings the
  // settings file up to date (its encoding mended, the saved keys written) and then just exits.
  {
    const std::wstring path = settingsFilePath();
    loadSettings(settings, path);
    saveSettings(settings, path);
  }
  if (!first || FindWindowW(kAppName, kAppName)) return 0;

  const HWND window = createMainWindow(instance, *program);
  if (!window) return 0;
  listDevicesInOptions(program->inputDevices);
  reportRefusedStartsTo(window);

  // The statistics are read before the hook starts: a switch that opened in the middle of a
  // hold lately, or whose long-hold window was set, starts with its hold guard armed, set while
  // the hook thread does not run yet.
  program->health.start(window);
  bool opened[kHealthButtons] = {};
  openedInAHoldLately(program->health.ledger(), opened);
  for (MouseButton button : kMouseButtons) {
    const int device = static_cast<int>(button);  // a button's device has its number
    const bool armed = guardArmedAtStart(settings, button, opened[device]);
    program->filterState.buttons[button].guardArmed = armed;
    if (opened[device]) debugPrint("Hold guard armed by its history:\t%d\n", device);
  }
  readWheelRouting();
  readRemoteSession(program->inputDevices);
  if (!startMouseHook(instance, program->filter, window, &program->switchCounter,
                      &program->clickRecord, &program->sourceTracker, &program->padFeed)) {
    const OwnWindowDpi perMonitor;
    MessageBoxW(nullptr, textOf(TextName::hookFailed, settings.language), kAppName, MB_OK);
    DestroyWindow(window);
    return 0;
  }
  watchHook(window);
  program->foreground.start(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (switchHealthWindowMessage(&message)) continue;
    if (optionsWindowMessage(&message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  // The window may outlive the loop (the hot key ends it without destroying the window): it
  // reaches the program no longer.
  if (IsWindow(window)) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  program->foreground.stop();
  stopMouseHook();
  // The next instance may start now: the statistics file takes both instances' saves.
  instanceMutex = UniqueHandle();
  program->health.save();  // every way out (退出, WM_CLOSE, a gesture, the hot key) ends the loop
  setDebugConsoleOpen(false);  // the console's last lines printed, its writer thread joined
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  restrictLibrarySearch();
  if (const auto exitCode = runCommandLine(GetCommandLineW())) return *exitCode;
  return runClickmend(instance, parseCommandLine(GetCommandLineW()).kind == StartKind::takeOver);
}
