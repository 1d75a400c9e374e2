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

const SwitchCounter* counter = nullptr;
// The click record: what the file held after our last read or save, and how many events of the
// ring had been added to it then. A file that is not a click record is left alone.
const ClickRecord* record = nullptr;
std::wstring recordPath;
bool recordOurs = false;
std::vector<ClickRun> savedRuns;
std::uint32_t recordSaved = 0;
std::uint64_t recordOwner = 0;
// Far more than a full record: anything larger is not this program's.
constexpr std::size_t kLargestRecord = 1024 * 1024;
HealthLedger ledger;
std::wstring path;
bool ours = false;  // the file is this program's to write
bool writeFailed = false;
unsigned minutesSinceSave = 0;
std::string noticeDate;  // the day the balloons below were shown on
bool noticed[2] = {};

std::string localDate() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char date[16];
  std::snprintf(date, sizeof date, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return date;
}

enum class Read { missing, done, failed };

Read readFile(std::string* text) {
  if (!fileExists(path)) return Read::missing;
  auto bytes = readFileBytes(path, kLargestFile);
  if (!bytes) return Read::failed;
  *text = std::move(*bytes);
  return Read::done;
}

// The runs the file holds now; nullopt when it cannot be read now (another program holds it),
// and `ours` false when it is no click record of ours.
std::optional<std::vector<ClickRun>> readRecord(bool* ours) {
  *ours = true;
  if (!fileExists(recordPath)) return std::vector<ClickRun>();
  const auto bytes = readFileBytes(recordPath, kLargestRecord);
  if (!bytes) return std::nullopt;
  auto runs = parseClickRecord(*bytes);
  *ours = runs.has_value();
  return runs;
}

// Read again at each save, so that another instance's run (another user of the same exe) stays.
void saveRecord() {
  if (!recordOurs || record->appended() == recordSaved) return;
  auto runs = readRecord(&recordOurs);
  if (!recordOurs) debugPrintText("Click record left alone, not ours:\t%S\n", recordPath.c_str());
  if (!runs) return;  // tried again at the next save
  std::uint32_t end = 0;
  addToClickRecord(*runs, recordOwner, record->copySince(recordSaved, &end));
  if (writeFileBytes(recordPath, clickRecordBytes(*runs))) {
    savedRuns = std::move(*runs);
    recordSaved = end;
  }
}

void save() {
  saveRecord();
  if (!ours || !ledger.changed()) return;
  // Another instance or the user may have changed the file since: the counts go on top of what
  // it holds now. One held open by another program is tried again at the next save.
  std::string text;
  const Read read = readFile(&text);
  if (read == Read::failed) return;
  if (!ledger.reread(text)) {
    ours = false;
    debugPrintText("Stats kept in memory only, not ours:\t%S\n", path.c_str());
    return;
  }
  // Written beside the old file and moved over it: a failed write leaves every earlier day.
  if (writeFileBytes(path, ledger.text())) {
    ledger.markSaved();
    minutesSinceSave = 0;
    writeFailed = false;
  } else if (!writeFailed) {
    // A read-only folder is no error to show: the counts go on in memory.
    writeFailed = true;
    debugPrint("Stats not written:\t%d\n", static_cast<std::int32_t>(GetLastError()));
  }
}

}  // namespace

void startSwitchHealth(HWND window, const SwitchCounter& switchCounter, const ClickRecord& clicks) {
  counter = &switchCounter;
  path = statsPathForSettings(settingsFilePath());
  record = &clicks;
  recordPath = clickRecordPathForStats(path);
  // Tells this instance's run from another's: the process and the moment it started.
  FILETIME created, unused;
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  recordOwner = static_cast<std::uint64_t>(GetCurrentProcessId()) << 32 ^ created.dwLowDateTime;
  if (auto runs = readRecord(&recordOurs)) savedRuns = std::move(*runs);
  if (!recordOurs) debugPrintText("Click record left alone, not ours:\t%S\n", recordPath.c_str());
  std::string text;
  const Read read = readFile(&text);
  ours = read != Read::failed && ledger.start(text, localDate(), counter->snapshot());
  if (read == Read::failed) ledger.start("", localDate(), counter->snapshot());
  if (!ours) debugPrintText("Stats kept in memory only, not ours:\t%S\n", path.c_str());
  SetTimer(window, kTimerId, kTimerMs, nullptr);
}

bool onSwitchHealthTimer(WPARAM timerId) {
  if (timerId != kTimerId || !counter) return false;
  const bool newDay = ledger.update(counter->snapshot(), localDate());
  if (newDay || ++minutesSinceSave >= kSaveEveryMinutes) save();
  return true;
}

void refreshSwitchHealth() {
  if (counter && ledger.update(counter->snapshot(), localDate())) save();
}

std::vector<ClickRun> switchHealthClickRuns() {
  std::vector<ClickRun> runs = savedRuns;
  if (record) addToClickRecord(runs, recordOwner, record->copySince(recordSaved));
  return runs;
}

std::uint32_t switchHealthClicksRecorded() {
  return record ? record->appended() : 0;
}

ClickFit fitSwitchHealth(const Settings& settings, const Calibration& calibration) {
  bool matters[2] = {};
  buttonsThatMatter(calibration, matters);
  return fitClicks(switchHealthClickRuns(), repairChoiceOf(settings), matters);
}

bool takeSwitchHealthNotice(const Settings& settings, std::wstring* text) {
  if (!counter || !settings.showIcon) return false;
  if (noticeDate != ledger.date()) {
    noticeDate = ledger.date();
    noticed[0] = noticed[1] = false;
  }
  const Calibration today = calibrate(ledger.today());
  const bool chosen[2] = {settings.leftButton != 0, settings.rightButton != 0};
  for (int button = 0; button < 2; ++button) {
    if (noticed[button] || chosen[button] || !today.buttons[button].choose) continue;
    noticed[button] = true;
    *text = chatterBalloon(button, ledger.today().devices[button], fitSwitchHealth(settings, today),
                           settings.language);
    return true;
  }
  return false;
}

void saveSwitchHealth() {
  if (!counter) return;
  ledger.update(counter->snapshot(), localDate());
  save();
}

HealthCounts switchHealthToday(std::string* date) {
  if (counter) ledger.update(counter->snapshot(), localDate());
  *date = counter ? ledger.date() : localDate();
  return ledger.today();
}

const HealthLedger& switchHealthLedger() {
  return ledger;
}
