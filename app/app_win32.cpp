#include "app/app_win32.h"

#include "common/debug_console.h"
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
