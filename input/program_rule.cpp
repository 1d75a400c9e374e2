#include "input/program_rule.h"

#include "settings/ini_document.h"
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

void ProgramList::read(ProfileStore& settingsFile) {
  lines_ = settingsFile.readSection(kExcludedProgramsSection);
}

Bypass listedRule(const std::wstring& written) {
  std::wstring value = written;
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') {
    value = value.substr(1, value.size() - 2);
  }
  if (value.empty()) return Bypass::none;
  return profileInteger(value) == 2 ? Bypass::all : Bypass::features;
}

Bypass ProgramList::rule(const std::wstring& programName) const {
  if (programName.empty()) return Bypass::none;
  return listedRule(keyValueAsWritten(lines_, programName).value_or(L""));
}

Bypass foregroundRule(Bypass listed, const ForegroundWindow& foreground, bool fullScreenPause) {
  if (listed == Bypass::none && fullScreenPause && coversItsMonitor(foreground)) {
    return Bypass::features;
  }
  return listed;
}
