// The counts kept by day, in a CSV file beside the settings file that the user can open in a
// spreadsheet: ASCII, CRLF, one line per day and device, oldest day first. The distributions
// follow the fixed columns, each one column of bucket counts (see gapBucket) separated by
// spaces, trailing empty buckets left out:
//   date,device,events,chatter,repaired,release_to_press,chatter_gap,click_gap,chatter_hold,...
//   2025-03-14,left,1412,37,35,0 0 2 5 9,...
#pragma once

#include <functional>
#include <map>
#include <string>

#include "input/switch_counter.h"

extern const char kStatsHeader[];
constexpr long kDaysKept = 400;

// clickmend.ini -> clickmend-stats.csv
std::wstring statsPathForSettings(const std::wstring& settingsPath);

// Days since 1970-01-01 of a YYYY-MM-DD date; false when it is not a real date.
bool dayNumber(const std::string& date, long* day);

// One line of the file, CRLF included.
std::string formatStatsLine(const std::string& date, int device, const DeviceCounts& counts);
// False when the line does not read whole (the distributions may be absent).
bool parseStatsLine(const std::string& line, std::string* date, int* device, DeviceCounts* counts);

// The days of the file and today's entry, kept current from the hook's counter.
//
// The counter only grows; the ledger remembers where today began in it (`dayStart_`) and what
// today held before (`carried_`, read back from the file at start), so today is
// carried_ + (live - dayStart_). Counts that come between midnight and the next update go to
// the day before. Past days are kept as the text of their lines, which is all the file needs.
class HealthLedger {
 public:
  // `text`: the file's contents (empty for no file). False, and nothing taken, when the text is
  // not this program's: its first line is not kStatsHeader.
  bool start(const std::string& text, const std::string& today, const HealthCounts& live);
  // Brings today up to date; a new `today` closes the day before. True when the day changed.
  bool update(const HealthCounts& live, const std::string& today);
  // Something changed since markSaved.
  bool changed() const;
  void markSaved();
  // The file's text: every day within kDaysKept days of today, oldest first.
  std::string text() const;

  const std::string& date() const { return today_; }
  const HealthCounts& today() const { return current_; }
  // Each day kept, oldest first (today's included), read back from its lines.
  void forEachDay(const std::function<void(const std::string&, const HealthCounts&)>& each) const;
  // The sum over every day kept.
  HealthCounts kept() const;

 private:
  void take(const std::string& date);
  std::map<std::string, std::string> past_;  // date -> that day's lines
  std::string today_;
  HealthCounts carried_, dayStart_, current_;
  HealthCounts saved_;
  std::string savedDate_;
};
