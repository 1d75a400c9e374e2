// The counts kept by day, in a CSV file beside the settings file that the user can open in a
// spreadsheet: ASCII, CRLF, one line per day and device, oldest day first. The distributions
// follow the fixed columns, each one column of bucket counts (see gapBucket) separated by
// spaces, trailing empty buckets left out:
//   date,device,events,chatter,repaired,release_to_press,chatter_gap,click_gap,chatter_hold,...
//   2025-03-14,left,1412,37,35,0 0 2 5 9,...
// The devices are left, right and wheel, each day, then middle, x1 and x2 (the side buttons,
// back and forward) on the days they counted anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "common/shared_file.h"
#include "input/switch_counter.h"

extern const char kStatsHeader[];
constexpr long kDaysKept = 400;
// Far more than 400 days of lines: anything larger is not this program's.
constexpr std::size_t kStatsLargestBytes = 16 * 1024 * 1024;

// clickmend.ini -> clickmend-stats.csv
std::wstring statsPathForSettings(const std::wstring& settingsPath);

// What a file's text is to the ledger. Ours: no text, or a first line of kStatsHeader, after the
// byte-order mark a spreadsheet's "CSV UTF-8" puts before it. Damaged: zero bytes in it (what a
// power loss leaves of a save), a control character other than a tab after our header, or only
// the start of the header. Anything else is the user's.
FileVerdict judgeStatsFile(const std::string& text);

// Days since 1970-01-01 of a YYYY-MM-DD date; false when it is not a real date.
bool dayNumber(const std::string& date, long* day);

// One line of the file, CRLF included.
std::string formatStatsLine(const std::string& date, int device, const DeviceCounts& counts);
// False when the line does not read whole (the distributions may be absent). A date a
// spreadsheet rewrote year first (2025/3/14, 2025-3-14) reads as that day, in `date` as
// 2025-03-14.
bool parseStatsLine(const std::string& line, std::string* date, int* device, DeviceCounts* counts);

// The days of the file and today's entry, kept current from the hook's counter.
//
// Nothing in the file is this program's alone: another instance (a second user's session runs
// the same exe) or the user may change it between two saves. So the ledger keeps the file's
// days as last read and, beside them, what this program counted since its last save; a save
// reads the file again (reread), adds those counts to what it holds now and writes the sum.
// Counts that come between midnight and the next update go to the day before. Days are kept as
// the text of their lines until counts are added to them, dates a spreadsheet rewrote written
// back as the program writes them; a line that does not read (a month-first date, an extra
// column) is kept as written, right after the header, and so is a byte-order mark before it.
//
// A day is dropped once it is more than kDaysKept days before the newest day held before today
// and more than kDaysKept later days are held. The dates alone cannot tell a year away from a
// clock set wrong, so a clock set far forward drops nothing at its first day, and after that
// only what a full file would; the file still holds about kDaysKept days at most.
class HealthLedger {
 public:
  // `text`: the file's contents (empty for no file). False, and nothing taken, when the text is
  // not this program's, or damaged (judgeStatsFile).
  bool start(const std::string& text, const std::string& today, const HealthCounts& live);
  // The file as it is just before a save (empty for none): its days replace those read before.
  // False, and nothing taken, when it is no longer this program's.
  bool reread(const std::string& text);
  // Brings today up to date; a new `today` closes the day before. True when the day changed.
  bool update(const HealthCounts& live, const std::string& today);
  // Something was counted, or the day changed, since markSaved.
  bool changed() const;
  // text() was written: the counts since the last save are in the file now.
  void markSaved();
  // The file's text: the lines that do not read, then every day kept, oldest first.
  std::string text() const;

  const std::string& date() const { return today_; }
  const HealthCounts& today() const { return current_; }
  // Each day kept, oldest first (today's included), read back from its lines.
  void forEachDay(const std::function<void(const std::string&, const HealthCounts&)>& each) const;
  // The sum over every day kept.
  HealthCounts kept() const;

 private:
  void read(const std::string& text);
  HealthCounts countsOn(const std::string& date) const;
  std::vector<std::string> datesKept() const;
  std::map<std::string, std::string> days_;  // date -> that day's lines, as last read or written
  std::string unread_;                       // lines that do not read, as written
  bool marked_ = false;                      // a byte-order mark before the header
  std::map<std::string, HealthCounts> unsaved_;  // date -> counted here since the last save
  std::string today_;
  HealthCounts live_, current_;
  std::string savedDate_;
};

// One save of `ledger` to the statistics file under its lock: the file as it is now reread, the
// counts since the last save added, and the sum written if anything changed (saveShared).
SharedSave saveLedger(HealthLedger& ledger, SharedFileAccess& file);

// One device's figures for a day, in the columns of the statistics file.
struct DeviceFigures {
  const char* device;  // "left", "right", "wheel", "middle", "x1", "x2"
  std::uint32_t events;
  std::uint32_t chatter;
  std::uint32_t repaired;
};

// The /stats reply: the statistics file's first five columns, header first, then one line per
// device, all dated `date` (YYYY-MM-DD).
std::string statsText(const char* date, const DeviceFigures* figures, std::size_t count);
