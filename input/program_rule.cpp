#include "input/program_rule.h"

#include "settings/profile_store.h"
#include "settings/settings.h"

bool coversItsMonitor(const ForegroundWindow& w) {
  return !w.shell && !w.maximised && w.window.left <= w.monitor.left &&
         w.window.top <= w.monitor.top && w.window.right >= w.monitor.right &&
         w.window.bottom >= w.monitor.bottom && w.monitor.right > w.monitor.left &&
         w.monitor.bottom > w.monitor.top;
}

std::wstring programFileName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

Bypass listedRule(ProfileStore& settingsFile, const std::wstring& programName) {
  if (programName.empty()) return Bypass::none;
  const wchar_t* key = programName.c_str();
  // An empty value reads as no line at all; the number is read as every other setting is.
  if (settingsFile.readString(kExcludedProgramsSection, key, 16).empty()) return Bypass::none;
  return settingsFile.readInt(kExcludedProgramsSection, key, 1) == 2 ? Bypass::all
                                                                     : Bypass::features;
}

Bypass foregroundRule(Bypass listed, const ForegroundWindow& foreground, bool fullScreenPause) {
  if (listed == Bypass::none && fullScreenPause && coversItsMonitor(foreground)) {
    return Bypass::features;
  }
  return listed;
}
