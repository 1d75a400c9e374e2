#include "health/health_win32.h"

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/debug_console.h"
#include "common/file_access.h"
#include "health/calibration.h"
#include "health/health_view.h"
#include "settings/settings.h"

namespace {

constexpr UINT_PTR kTimerId = 0x4865;  // "He"
constexpr UINT kTimerMs = 60 * 1000;
constexpr unsigned kSaveEveryMinutes = 10;
// Far more than 400 days of lines: anything larger is not this program's.
constexpr std::size_t kLargestFile = 16 * 1024 * 1024;

// Far more than a full record: anything larger is not this program's.
constexpr std::size_t kLargestRecord = 1024 * 1024;

std::string localDate() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char date[16];
  std::snprintf(date, sizeof date, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return date;
}

}  // namespace

SwitchHealth::Read SwitchHealth::readStats(std::string* text) const {
  if (!fileExists(path_)) return Read::missing;
  auto bytes = readFileBytes(path_, kLargestFile);
  if (!bytes) return Read::failed;
  *text = std::move(*bytes);
  return Read::done;
}

// The runs the file holds now; nullopt when it cannot be read now (another program holds it),
// and `ours` false when it is no click record of ours.
std::optional<std::vector<ClickRun>> SwitchHealth::readRecord(bool* ours) const {
  *ours = true;
  if (!fileExists(recordPath_)) return std::vector<ClickRun>();
  const auto bytes = readFileBytes(recordPath_, kLargestRecord);
  if (!bytes) return std::nullopt;
  auto runs = parseClickRecord(*bytes);
  *ours = runs.has_value();
  return runs;
}

// Read again at each save, so that another instance's run (another user of the same exe) stays.
void SwitchHealth::saveRecord() {
  if (!recordOurs_ || record_.appended() == recordSaved_) return;
  auto runs = readRecord(&recordOurs_);
  if (!recordOurs_) {
    debugPrintText("Click record left alone, not ours:\t%S\n", recordPath_.c_str());
  }
  if (!runs) return;  // tried again at the next save
  std::uint32_t end = 0;
  addToClickRecord(*runs, recordOwner_, record_.copySince(recordSaved_, &end));
  if (writeFileBytes(recordPath_, clickRecordBytes(*runs))) {
    savedRuns_ = std::move(*runs);
    recordSaved_ = end;
  }
}

void SwitchHealth::write() {
  saveRecord();
  if (!ours_ || !ledger_.changed()) return;
  // Another instance or the user may have changed the file since: the counts go on top of what
  // it holds now. One held open by another program is tried again at the next save.
  std::string text;
  const Read read = readStats(&text);
  if (read == Read::failed) return;
  if (!ledger_.reread(text)) {
    ours_ = false;
    debugPrintText("Stats kept in memory only, not ours:\t%S\n", path_.c_str());
    return;
  }
  // Written beside the old file and moved over it: a failed write leaves every earlier day.
  if (writeFileBytes(path_, ledger_.text())) {
    ledger_.markSaved();
    minutesSinceSave_ = 0;
    writeFailed_ = false;
  } else if (!writeFailed_) {
    // A read-only folder is no error to show: the counts go on in memory.
    writeFailed_ = true;
    debugPrint("Stats not written:\t%d\n", static_cast<std::int32_t>(GetLastError()));
  }
}

void SwitchHealth::start(HWND window) {
  path_ = statsPathForSettings(settingsFilePath());
  recordPath_ = clickRecordPathForStats(path_);
  // Tells this instance's run from another's: the process and the moment it started.
  FILETIME created, unused;
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  recordOwner_ = static_cast<std::uint64_t>(GetCurrentProcessId()) << 32 ^ created.dwLowDateTime;
  if (auto runs = readRecord(&recordOurs_)) savedRuns_ = std::move(*runs);
  if (!recordOurs_) {
    debugPrintText("Click record left alone, not ours:\t%S\n", recordPath_.c_str());
  }
  std::string text;
  const Read read = readStats(&text);
  ours_ = read != Read::failed && ledger_.start(text, localDate(), counter_.snapshot());
  if (read == Read::failed) ledger_.start("", localDate(), counter_.snapshot());
  if (!ours_) debugPrintText("Stats kept in memory only, not ours:\t%S\n", path_.c_str());
  started_ = true;
  SetTimer(window, kTimerId, kTimerMs, nullptr);
}

bool SwitchHealth::onTimer(WPARAM timerId) {
  if (timerId != kTimerId || !started_) return false;
  const bool newDay = ledger_.update(counter_.snapshot(), localDate());
  if (newDay || ++minutesSinceSave_ >= kSaveEveryMinutes) write();
  return true;
}

void SwitchHealth::refresh() {
  if (started_ && ledger_.update(counter_.snapshot(), localDate())) write();
}

std::vector<ClickRun> SwitchHealth::clickRuns() const {
  std::vector<ClickRun> runs = savedRuns_;
  addToClickRecord(runs, recordOwner_, record_.copySince(recordSaved_));
  return runs;
}

ClickFit SwitchHealth::fit(const Settings& settings, const Calibration& calibration) const {
  bool matters[kHealthButtons] = {};
  buttonsThatMatter(calibration, matters);
  return fitClicks(clickRuns(), repairChoiceOf(settings), matters);
}

bool SwitchHealth::takeNotice(const Settings& settings, std::wstring* text) {
  if (!started_ || !settings.showIcon) return false;
  if (noticeDate_ != ledger_.date()) {
    noticeDate_ = ledger_.date();
    for (bool& noticed : noticed_) noticed = false;
  }
  const Calibration today = calibrate(ledger_.today());
  for (int button = 0; button < kHealthButtons; ++button) {
    const bool chosen = (settings.*kButtonChosen[button]) != 0;
    if (noticed_[button] || chosen || !today.buttons[button].choose) continue;
    noticed_[button] = true;
    *text = chatterBalloon(button, ledger_.today().devices[button], fit(settings, today),
                           settings.language);
    return true;
  }
  return false;
}

void SwitchHealth::save() {
  if (!started_) return;
  ledger_.update(counter_.snapshot(), localDate());
  write();
}

HealthCounts SwitchHealth::today(std::string* date) {
  if (started_) ledger_.update(counter_.snapshot(), localDate());
  *date = started_ ? ledger_.date() : localDate();
  return ledger_.today();
}
