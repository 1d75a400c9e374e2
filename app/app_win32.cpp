#include "app/app_win32.h"

#include <wtsapi32.h>

#include "common/debug_console.h"
#include "common/system_library_win32.h"
#include "tray/tray_win32.h"

namespace {
Settings settings;
}  // namespace

Settings& programSettings() {
  return settings;
}

void applySettings(HWND window) {
  const std::wstring path = settingsFilePath();
  loadSettings(settings, path);
  saveSettings(settings, path);
  setDebugConsoleOpen(settings.debugMode != 0);
  if (settings.showIcon) addTrayIcon(window);
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
