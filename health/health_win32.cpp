#include "health/health_win32.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/debug_console.h"
#include "common/process_win32.h"
#include "common/texts.h"
#include "common/window_contract.h"
#include "health/calibration.h"
#include "health/health_view.h"
#include "settings/settings.h"

namespace {

constexpr UINT_PTR kTimerId = 0x4865;  // "He"
constexpr UINT kTimerMs = 60 * 1000;
constexpr unsigned kSaveEveryMinutes = 10;

std::wstring fileName(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// On the fitting thread, below the main and hook threads: the fit yields to what answers the
// user.
ClickFit fitBehind(const FitRequest& request, const std::atomic<bool>& stop) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
  return fitClicks(request.runs, request.now, request.matters, &stop);
}

bool postFitDone(FitWorker::Window window, std::uint32_t ticket) {
  return PostMessageW(reinterpret_cast<HWND>(window), window_contract::kFitDoneMessage, ticket,
                      0) != 0;
}

DWORD WINAPI fittingThread(void* argument) {
  const std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(argument));
  (*body)();
  return 0;
}

bool startFittingThread(std::function<void()> body) {
  auto handed = std::make_unique<std::function<void()>>(std::move(body));
  if (!startThread(fittingThread, handed.get())) return false;
  handed.release();
  return true;
}

}  // namespace

std::string localDate() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char date[16];
  std::snprintf(date, sizeof date, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return date;
}

SwitchHealth::SwitchHealth(const SwitchCounter& counter, const ClickRecord& clicks, PadFeed& pad)
    : counter_(counter),
      pad_(pad),
      record_(clicks),
      fits_(fitBehind, postFitDone, startFittingThread) {}

bool SwitchHealth::stillOurs(const SharedSave& save, const SharedFileWin32& file,
                             const char* notOursLine) {
  if (!save.movedAside.empty()) {
    const std::wstring moved = file.path() + save.movedAside;
    debugPrintText("Damaged file moved aside, a new one started:\t%S\n", moved.c_str());
    movedNotices_.emplace_back(fileName(file.path()), fileName(moved));
  }
  if (save.outcome != SharedSave::Outcome::notOurs) return true;
  debugPrintText(notOursLine, file.path().c_str());
  return false;
}

// Read again at each save, so that another instance's run (another user of the same exe) stays.
void SwitchHealth::saveRecord() {
  if (!recordOurs_ || (recordRead_ && record_.appended() == recordSaved_)) return;
  // The first save only reads what the file holds (a folder that cannot be written keeps it for
  // the fit all the same); the clicks since go in at the next.
  std::uint32_t end = recordSaved_;
  const std::vector<ClickEvent> added =
      recordRead_ ? record_.copySince(recordSaved_, &end) : std::vector<ClickEvent>();
  std::vector<ClickRun> runs;
  const SharedSave save = saveClickRecord(*recordFile_, ledger_.date(), recordOwner_, added, &runs);
  recordOurs_ = stillOurs(save, *recordFile_, "Click record left alone, not ours:\t%S\n");
  // Not written, or held: tried again at the next save.
  if (save.outcome == SharedSave::Outcome::written) recordSaved_ = end;
  if (save.outcome == SharedSave::Outcome::written ||
      save.outcome == SharedSave::Outcome::unchanged) {
    savedRuns_ = std::move(runs);
    recordRead_ = true;
  }
}

// Another instance or the user may have changed the file since: the counts go on top of what it
// holds now.
void SwitchHealth::saveStats() {
  if (!ours_ || (read_ && !ledger_.changed())) return;
  const SharedSave save = saveLedger(ledger_, *stats_);
  ours_ = stillOurs(save, *stats_, "Stats kept in memory only, not ours:\t%S\n");
  switch (save.outcome) {
    case SharedSave::Outcome::written:
      minutesSinceSave_ = 0;
      writeFailed_ = false;
      read_ = true;
      break;
    case SharedSave::Outcome::unchanged:
      read_ = true;
      break;
    case SharedSave::Outcome::notWritten:
      read_ = true;
      // A read-only folder is no error to show: the counts go on in memory.
      if (!writeFailed_) {
        debugPrint("Stats not written:\t%d\n", static_cast<std::int32_t>(GetLastError()));
      }
      writeFailed_ = true;
      break;
    case SharedSave::Outcome::notOurs:
    case SharedSave::Outcome::held:  // tried again at the next save
      break;
  }
}

void SwitchHealth::write() {
  saveRecord();
  saveStats();
}

void SwitchHealth::start(HWND window) {
  window_ = window;
  const std::wstring path = statsPathForSettings(settingsFilePath());
  stats_ = std::make_unique<SharedFileWin32>(path, kStatsLargestBytes);
  recordFile_ =
      std::make_unique<SharedFileWin32>(clickRecordPathForStats(path), kClickRecordLargestBytes);
  // Tells this instance's run from another's: the process and the moment it started.
  FILETIME created, unused;
  GetProcessTimes(GetCurrentProcess(), &created, &unused, &unused, &unused);
  recordOwner_ = static_cast<std::uint64_t>(GetCurrentProcessId()) << 32 ^ created.dwLowDateTime;
  // Nothing counted yet: the first save only reads, and writes no more than a fresh file.
  ledger_.start("", localDate(), counter_.snapshot());
  ours_ = recordOurs_ = true;
  write();
  started_ = true;
  SetTimer(window, kTimerId, kTimerMs, nullptr);
}

bool SwitchHealth::onTimer(WPARAM timerId) {
  if (timerId != kTimerId || !started_) return false;
  const bool newDay = ledger_.update(counter_.snapshot(), localDate());
  const bool due = newDay || ++minutesSinceSave_ >= kSaveEveryMinutes;
  // A file that could not be read yet (another program held it) is tried every minute.
  if (due || !recordRead_) saveRecord();
  if (due || !read_) saveStats();
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

std::uint32_t SwitchHealth::askFit(HWND window, const Settings& settings,
                                   const Calibration& calibration) {
  FitRequest request;
  request.runs = clickRuns();
  request.now = repairChoiceOf(settings);
  buttonsThatMatter(calibration, request.matters);
  return fits_.ask(reinterpret_cast<FitWorker::Window>(window), std::move(request));
}

void SwitchHealth::onFitDone(WPARAM ticket, const Settings& settings) {
  const std::optional<ClickFit> fit = takeFit(ticket);
  if (!fit || ticket != balloonTicket_) return;
  balloonTicket_ = 0;
  balloon_ = chatterBalloon(balloonButton_, ledger_.today().devices[balloonButton_], *fit,
                            settings.language);
}

bool SwitchHealth::takeNotice(const Settings& settings, std::wstring* text) {
  if (!started_ || !settings.showIcon) return false;
  if (!movedNotices_.empty()) {
    const auto& [name, moved] = movedNotices_.front();
    *text = fillText(TextName::fileMovedAside, settings.language, {name, moved});
    movedNotices_.erase(movedNotices_.begin());
    return true;
  }
  if (!balloon_.empty()) {
    *text = std::move(balloon_);
    balloon_.clear();
    return true;
  }
  if (noticeDate_ != ledger_.date()) {
    noticeDate_ = ledger_.date();
    for (bool& noticed : noticed_) noticed = false;
  }
  const Calibration today = calibrate(ledger_.today());
  for (int button = 0; button < kHealthButtons && balloonTicket_ == 0; ++button) {
    const bool chosen = buttonChosen(settings, static_cast<MouseButton>(button));
    if (noticed_[button] || chosen || !today.buttons[button].choose) continue;
    noticed_[button] = true;
    balloonButton_ = button;
    balloonTicket_ = askFit(window_, settings, today);
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
