#include "common/process_win32.h"
#include "settings/settings.h"

std::wstring settingsFilePath() {
  return settingsPathForExecutable(executablePath());
}
