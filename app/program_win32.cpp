#include "app/program_win32.h"

#include "common/debug_console.h"
#include "input/hook_win32.h"
#include "tray/tray_win32.h"

Program::Program()
    : filter(settings, filterState, gestureTracker, desktopInputPlatform()),
      switchCounter(settings),
      health(switchCounter, clickRecord, padFeed),
      foreground(settings, *this),
      taskbarCreatedMessage(RegisterWindowMessageW(L"TaskbarCreated")) {}

Program* programOf(HWND window) {
  return reinterpret_cast<Program*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void Program::publishBypass() {
  const Bypass bypass = paused_ ? Bypass::paused : programRule_;
  filterState.bypass = bypass;
  // The hook lets a held release go at its next event anyway; this does it at once.
  if (bypass >= Bypass::all) requestHeldReleases();
}

void Program::applySettings(HWND window) {
  const std::wstring path = settingsFilePath();
  loadSettings(settings, path);
  saveSettings(settings, path);
  setDebugConsoleOpen(settings.debugMode != 0);
  if (settings.showIcon) addTrayIcon(window, paused_, settings.language);
  foreground.recheck();
}

void Program::setPaused(HWND window, bool pause) {
  if (pause == paused_) return;
  paused_ = pause;
  publishBypass();
  if (settings.showIcon) showTrayIconPaused(window, paused_, settings.language);
  debugPrint("Paused:\t%d\n", paused_ ? 1 : 0);
}

void Program::setProgramRule(Bypass rule) {
  programRule_ = rule;
  publishBypass();
}
