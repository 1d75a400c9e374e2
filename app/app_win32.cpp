#include "app/app_win32.h"

#include "common/debug_console.h"
#include "input/hook_win32.h"
#include "tray/tray_win32.h"

namespace {
Settings settings;
FilterState filterState;
bool paused = false;  // main thread only; the hook reads filterState.bypass
}  // namespace

Settings& programSettings() {
  return settings;
}

FilterState& programFilterState() {
  return filterState;
}

void applySettings(HWND window) {
  const std::wstring path = settingsFilePath();
  loadSettings(settings, path);
  saveSettings(settings, path);
  setDebugConsoleOpen(settings.debugMode != 0);
  if (settings.showIcon) addTrayIcon(window, paused);
}

void setPaused(HWND window, bool pause) {
  if (pause == paused) return;
  paused = pause;
  filterState.bypass = paused ? Bypass::paused : Bypass::none;
  // The hook lets a held release go at its next event anyway; this does it at once.
  requestHeldReleases();
  if (settings.showIcon) showTrayIconPaused(window, paused);
  debugPrint("Paused:\t%d\n", paused ? 1 : 0);
}

bool isPaused() {
  return paused;
}
