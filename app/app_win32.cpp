#include "app/app_win32.h"

#include <wtsapi32.h>

#include "common/debug_console.h"
#include "common/system_library_win32.h"
#include "input/hook_win32.h"
#include "tray/tray_win32.h"

namespace {
Settings settings;
FilterState filterState;
bool paused = false;  // main thread only, as the rule; the hook reads filterState.bypass
Bypass programRule = Bypass::none;

void publishBypass() {
  const Bypass bypass = paused ? Bypass::paused : programRule;
  filterState.bypass = bypass;
  // The hook lets a held release go at its next event anyway; this does it at once.
  if (bypass >= Bypass::all) requestHeldReleases();
}
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
  if (settings.showIcon) addTrayIcon(window, paused, settings.language);
  recheckForeground();
}

void setPaused(HWND window, bool pause) {
  if (pause == paused) return;
  paused = pause;
  publishBypass();
  if (settings.showIcon) showTrayIconPaused(window, paused, settings.language);
  debugPrint("Paused:\t%d\n", paused ? 1 : 0);
}

bool isPaused() {
  return paused;
}

void setProgramRule(Bypass rule) {
  programRule = rule;
  publishBypass();
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
