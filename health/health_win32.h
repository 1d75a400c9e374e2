// The desktop side of the switch health: the file kept by day beside the settings file, written
// by the main thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/shared_file_win32.h"
#include "health/calibration.h"
#include "health/fit_worker.h"
#include "health/stats_file.h"
#include "health/what_if.h"
#include "input/click_record.h"
#include "input/pad_feed.h"
#include "input/switch_counter.h"

struct Settings;

// Today, as the statistics file's lines name their day: the local date, "2024-05-31".
std::string localDate();

// The statistics file and the click record's file of one running program, and what was said of
// them today. Main thread.
class SwitchHealth {
 public:
  SwitchHealth(const SwitchCounter& counter, const ClickRecord& clicks, PadFeed& pad);

  // Reads today's counts back from the file and starts the timer on `window` that writes it
  // every 10 minutes while something changed, and at a change of day; the click record is kept
  // in its own file beside it, written at the same times. A file another program holds is read
  // again every minute until it can be; a damaged one is moved aside and started anew
  // (saveShared); one that is not this program's is left alone, the counts or clicks then
  // kept in memory only.
  void start(HWND window);
  // A WM_TIMER of the window; other timers are left alone (false).
  bool onTimer(WPARAM timerId);
  // Brings today up to date from the counter now (the health window, every second).
  void refresh();
  // A balloon's text: once for each damaged file moved aside, and once per button and day for a
  // button that is not chosen and whose chatter today reaches the calibration's threshold, once
  // the fit asked for it has come (onFitDone). Nothing while the icon is hidden: the balloon
  // comes later instead.
  bool takeNotice(const Settings& settings, std::wstring* text);
  // kFitDoneMessage on the window given to start(): the fit for a chatter balloon.
  void onFitDone(WPARAM ticket, const Settings& settings);
  // The clicks recorded, in the file and since: what the fit replays.
  std::vector<ClickRun> clickRuns() const;
  // How many clicks were recorded since start, to tell when the record has grown.
  std::uint32_t clicksRecorded() const { return record_.appended(); }
  // Asks for the fit on the record for the buttons that matter under `settings`, made on the
  // fitting thread; its answer comes to `window` as kFitDoneMessage, with the ticket for takeFit
  // in wParam (health/fit_worker.h). A window that closes drops its fits.
  std::uint32_t askFit(HWND window, const Settings& settings, const Calibration& calibration);
  std::optional<ClickFit> takeFit(WPARAM ticket) {
    std::optional<ClickFit> fit = fits_.take(static_cast<std::uint32_t>(ticket));
    if (fit) latestFit_ = fit;
    return fit;
  }
  // The latest fit taken, for the window or a balloon; nullopt before the first.
  const std::optional<ClickFit>& latestFit() const { return latestFit_; }
  void dropFits(HWND window) { fits_.drop(reinterpret_cast<FitWorker::Window>(window)); }
  // The hook's button events for the 鼠标健康 window's test pad.
  PadFeed& padFeed() { return pad_; }
  // Writes the file now if anything changed (at exit and at the end of the session).
  void save();
  // Today's counts as of now (brought up to date from the counter), and today's date.
  HealthCounts today(std::string* date);
  // Today and the days kept, as of the last timer or save.
  const HealthLedger& ledger() const { return ledger_; }

 private:
  void saveStats();
  void saveRecord();
  void write();
  // What a save of either file says alike: a damaged file moved aside is told, in the console
  // now and in a balloon at the next timer; a file that is not ours is left alone from now on
  // (false), said in the console by `notOursLine`.
  bool stillOurs(const SharedSave& save, const SharedFileWin32& file, const char* notOursLine);

  const SwitchCounter& counter_;
  PadFeed& pad_;
  bool started_ = false;
  HealthLedger ledger_;
  std::unique_ptr<SharedFileWin32> stats_;
  bool ours_ = false;  // the file is this program's to write
  bool read_ = false;  // it was read since the start
  bool writeFailed_ = false;
  unsigned minutesSinceSave_ = 0;
  // The click record: what the file held after our last read or save, and how many events of
  // the ring had been added to it then. A file that is not a click record is left alone.
  const ClickRecord& record_;
  std::unique_ptr<SharedFileWin32> recordFile_;
  bool recordOurs_ = false;
  bool recordRead_ = false;
  std::vector<ClickRun> savedRuns_;
  std::uint32_t recordSaved_ = 0;
  std::uint64_t recordOwner_ = 0;
  // Damaged files moved aside, not told in a balloon yet: the file's name and its new name.
  std::vector<std::pair<std::wstring, std::wstring>> movedNotices_;
  std::string noticeDate_;  // the day the balloons below were shown on
  bool noticed_[kHealthButtons] = {};
  HWND window_ = nullptr;
  FitWorker fits_;
  std::optional<ClickFit> latestFit_;
  // The chatter balloon whose fit was asked for (its ticket, 0 for none), and its text once the
  // fit came.
  std::uint32_t balloonTicket_ = 0;
  int balloonButton_ = 0;
  std::wstring balloon_;
};
