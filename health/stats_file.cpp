#include "health/stats_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

const char kStatsHeader[] =
    "date,device,events,chatter,repaired,release_to_press,chatter_gap,click_gap,chatter_hold,"
    "click_span";

namespace {

// What a spreadsheet puts before the header when it saves as UTF-8.
const char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr std::size_t kByteOrderMarkSize = 3;

bool startsWith(const std::string& text, const char* prefix, std::size_t size) {
  return text.compare(0, size, prefix, size) == 0;
}

// A button by its debug name in the button table, then the wheel.
const char* deviceName(int device) {
  return device < kHealthButtons ? kButtons[device].debugName : "wheel";
}
// A day's lines in this order. The middle and side buttons came later: their lines are written
// only once they counted something, so that a day without them reads as it always did.
const int kLineOrder[healthDeviceCount] = {healthLeft,   healthRight, healthWheel,
                                           healthMiddle, healthX1,    healthX2};

bool counted(const DeviceCounts& counts) {
  if (counts.events || counts.chatter || counts.repaired) return true;
  for (const auto& kind : counts.gaps) {
    for (std::uint32_t count : kind) {
      if (count) return true;
    }
  }
  return false;
}

bool readNumber(const std::string& text, std::uint32_t* value) {
  if (text.empty() || text.size() > 10) return false;
  std::uint64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (n > UINT32_MAX) return false;
  *value = static_cast<std::uint32_t>(n);
  return true;
}

// Splits at `separator`; an empty text is one empty field.
std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> fields(1);
  for (char c : text) {
    if (c == separator) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// Each line of `text` without its CR LF or LF.
template <typename Each>
void forEachLine(const std::string& text, Each each) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::size_t cut = end;
    if (cut > at && text[cut - 1] == '\r') --cut;
    if (!each(text.substr(at, cut - at))) return;
    at = end + 1;
  }
}

void addLines(const std::string& lines, HealthCounts* into) {
  forEachLine(lines, [&](const std::string& line) {
    std::string date;
    int device = 0;
    DeviceCounts counts;
    if (!parseStatsLine(line, &date, &device, &counts)) return true;
    HealthCounts one;
    one.devices[device] = counts;
    *into += one;
    return true;
  });
}

// YYYY-MM-DD from a year-first date with '/' or '-' and a month and day of one or two digits,
// as a spreadsheet writes 2025-03-14 back (2025/3/14); false when it is none or no real date.
bool readDate(const std::string& text, std::string* date) {
  if (text.size() < 8 || (text[4] != '/' && text[4] != '-')) return false;
  const std::vector<std::string> parts = split(text, text[4]);
  if (parts.size() != 3 || parts[0].size() != 4) return false;
  std::string read = parts[0];
  for (std::size_t i = 1; i < 3; ++i) {
    if (parts[i].empty() || parts[i].size() > 2) return false;
    read += '-' + std::string(2 - parts[i].size(), '0') + parts[i];
  }
  long day = 0;
  if (!dayNumber(read, &day)) return false;
  *date = read;
  return true;
}

std::string linesOf(const std::string& date, const HealthCounts& counts) {
  std::string lines;
  for (int device : kLineOrder) {
    const bool always = device == healthLeft || device == healthRight || device == healthWheel;
    if (always || counted(counts.devices[device])) {
      lines += formatStatsLine(date, device, counts.devices[device]);
    }
  }
  return lines;
}

}  // namespace

std::wstring statsPathForSettings(const std::wstring& settingsPath) {
  std::wstring base = settingsPath;
  if (base.size() >= 4) {
    std::wstring extension = base.substr(base.size() - 4);
    for (wchar_t& c : extension) c = (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c;
    if (extension == L".ini") base.resize(base.size() - 4);
  }
  return base + L"-stats.csv";
}

bool dayNumber(const std::string& date, long* day) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
  std::uint32_t y = 0, m = 0, d = 0;
  if (!readNumber(date.substr(0, 4), &y) || !readNumber(date.substr(5, 2), &m) ||
      !readNumber(date.substr(8, 2), &d)) {
    return false;
  }
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  const std::uint32_t monthDays[12] = {31, leap ? 29u : 28u, 31, 30, 31, 30, 31, 31, 30, 31, 30,
                                       31};
  if (y < 1970 || m < 1 || m > 12 || d < 1 || d > monthDays[m - 1]) return false;
  // Days from the civil date, counting years from March so that February comes last.
  const long year = static_cast<long>(m <= 2 ? y - 1 : y);
  const long era = year / 400;
  const long yearOfEra = year - era * 400;
  const long dayOfYear = (153 * static_cast<long>(m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  *day = era * 146097 + dayOfEra - 719468;
  return true;
}

std::string formatStatsLine(const std::string& date, int device, const DeviceCounts& counts) {
  std::string line = date + ',' + deviceName(device) + ',' + std::to_string(counts.events) + ',' +
                     std::to_string(counts.chatter) + ',' + std::to_string(counts.repaired);
  for (const auto& kind : counts.gaps) {
    int used = kGapBuckets;
    while (used > 0 && kind[used - 1] == 0) --used;
    line += ',';
    for (int bucket = 0; bucket < used; ++bucket) {
      if (bucket) line += ' ';
      line += std::to_string(kind[bucket]);
    }
  }
  return line + "\r\n";
}

bool parseStatsLine(const std::string& line, std::string* date, int* device, DeviceCounts* counts) {
  const std::vector<std::string> fields = split(line, ',');
  std::string day;
  if (fields.size() < 5 || fields.size() > 5 + gapKindCount || !readDate(fields[0], &day)) {
    return false;
  }
  int found = -1;
  for (int i = 0; i < healthDeviceCount; ++i) {
    if (fields[1] == deviceName(i)) found = i;
  }
  DeviceCounts read;
  if (found < 0 || !readNumber(fields[2], &read.events) || !readNumber(fields[3], &read.chatter) ||
      !readNumber(fields[4], &read.repaired)) {
    return false;
  }
  for (std::size_t kind = 0; kind + 5 < fields.size(); ++kind) {
    if (fields[kind + 5].empty()) continue;
    const std::vector<std::string> buckets = split(fields[kind + 5], ' ');
    if (buckets.size() > kGapBuckets) return false;
    for (std::size_t bucket = 0; bucket < buckets.size(); ++bucket) {
      if (!readNumber(buckets[bucket], &read.gaps[kind][bucket])) return false;
    }
  }
  *date = day;
  *device = found;
  *counts = read;
  return true;
}

bool HealthLedger::start(const std::string& text, const std::string& today,
                         const HealthCounts& live) {
  const bool ours = reread(text);
  if (!ours) read("");
  unsaved_.clear();
  today_ = today;
  live_ = live;
  current_ = countsOn(today_);
  markSaved();
  return ours;
}

FileVerdict judgeStatsFile(const std::string& text) {
  const bool marked = startsWith(text, kByteOrderMark, kByteOrderMarkSize);
  const std::string body = marked ? text.substr(kByteOrderMarkSize) : text;
  bool ours = true;
  forEachLine(body, [&](const std::string& line) {
    ours = line == kStatsHeader;
    return false;
  });
  // Our file is ASCII: zeros are what a power loss leaves of it, or a save cut short in its
  // header. No line of ours, nor one a user or a spreadsheet wrote, holds a control character
  // other than a tab, so such a line after our header is damage too. UTF-16 (a spreadsheet's
  // "Unicode text") holds zeros, and is the user's.
  if (ours) {
    const bool damaged = std::any_of(body.begin(), body.end(), [](char c) {
      const auto byte = static_cast<unsigned char>(c);
      return (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F;
    });
    return damaged ? FileVerdict::damaged : FileVerdict::ours;
  }
  const std::string header = std::string(kStatsHeader) + "\r\n";
  const bool utf16 = startsWith(text, "\xFF\xFE", 2) || startsWith(text, "\xFE\xFF", 2);
  const bool cutShort = body.size() < header.size() && startsWith(header, body.data(), body.size());
  if (!utf16 && (body.find('\0') != std::string::npos || cutShort)) return FileVerdict::damaged;
  return FileVerdict::notOurs;
}

bool HealthLedger::reread(const std::string& text) {
  if (judgeStatsFile(text) != FileVerdict::ours) return false;
  read(text);
  current_ = countsOn(today_);
  return true;
}

void HealthLedger::read(const std::string& text) {
  days_.clear();
  unread_.clear();
  marked_ = startsWith(text, kByteOrderMark, kByteOrderMarkSize);
  bool header = true;
  forEachLine(marked_ ? text.substr(kByteOrderMarkSize) : text, [&](const std::string& line) {
    std::string date;
    int device = 0;
    DeviceCounts counts;
    if (header) {
      header = false;
    } else if (parseStatsLine(line, &date, &device, &counts)) {
      days_[date] += date + line.substr(line.find(',')) + "\r\n";
    } else if (!line.empty()) {
      unread_ += line + "\r\n";
    }
    return true;
  });
}

HealthCounts HealthLedger::countsOn(const std::string& date) const {
  HealthCounts counts;
  const auto lines = days_.find(date);
  if (lines != days_.end()) addLines(lines->second, &counts);
  const auto added = unsaved_.find(date);
  if (added != unsaved_.end()) counts += added->second;
  return counts;
}

bool HealthLedger::update(const HealthCounts& live, const std::string& today) {
  const HealthCounts added = live - live_;
  live_ = live;
  if (!(added == HealthCounts{})) unsaved_[today_] += added;
  const bool newDay = today != today_;
  today_ = today;
  current_ = countsOn(today_);
  return newDay;
}

bool HealthLedger::changed() const {
  return savedDate_ != today_ || !unsaved_.empty();
}

void HealthLedger::markSaved() {
  const std::string written = text();
  unsaved_.clear();
  read(written);
  savedDate_ = today_;
}

// Oldest first. A date is dropped when it is over kDaysKept days before the newest date held
// before today, and over kDaysKept later dates are held: a clock set far forward drops nothing
// at its first day, and after that no more than a full file would.
std::vector<std::string> HealthLedger::datesKept() const {
  std::vector<std::string> dates;
  for (const auto& day : days_) dates.push_back(day.first);
  for (const auto& day : unsaved_) {
    if (!days_.count(day.first)) dates.push_back(day.first);
  }
  if (!days_.count(today_) && !unsaved_.count(today_)) dates.push_back(today_);
  std::sort(dates.begin(), dates.end());
  long newest = 0;
  const auto before = std::lower_bound(dates.begin(), dates.end(), today_);
  const bool known = before != dates.begin() && dayNumber(*(before - 1), &newest);
  std::size_t first = dates.size();
  while (first > 0) {
    long day = 0;
    const std::size_t later = dates.size() - first;
    if (known && later > static_cast<std::size_t>(kDaysKept) && dayNumber(dates[first - 1], &day) &&
        newest - day > kDaysKept) {
      break;
    }
    --first;
  }
  return {dates.begin() + static_cast<std::ptrdiff_t>(first), dates.end()};
}

std::string HealthLedger::text() const {
  std::string text = (marked_ ? kByteOrderMark : "") + std::string(kStatsHeader) + "\r\n" + unread_;
  for (const std::string& date : datesKept()) {
    const auto lines = days_.find(date);
    if (unsaved_.count(date) || lines == days_.end()) {
      text += linesOf(date, countsOn(date));
    } else {
      text += lines->second;
    }
  }
  return text;
}

void HealthLedger::forEachDay(
    const std::function<void(const std::string&, const HealthCounts&)>& each) const {
  for (const std::string& date : datesKept()) each(date, countsOn(date));
}

HealthCounts HealthLedger::kept() const {
  HealthCounts sum;
  forEachDay([&](const std::string&, const HealthCounts& day) { sum += day; });
  return sum;
}

SharedSave saveLedger(HealthLedger& ledger, SharedFileAccess& file) {
  const SharedSave save = saveShared(file, ledger.date(), judgeStatsFile,
                                     [&](const std::string& now, std::string* out) {
                                       ledger.reread(now);
                                       *out = ledger.text();
                                       return ledger.changed();
                                     });
  if (save.outcome == SharedSave::Outcome::written) ledger.markSaved();
  return save;
}

std::string statsText(const char* date, const DeviceFigures* figures, std::size_t count) {
  std::string text = "date,device,events,chatter,repaired\n";
  for (std::size_t i = 0; i < count; ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "%.10s,%.8s,%lu,%lu,%lu\n", date, figures[i].device,
                  static_cast<unsigned long>(figures[i].events),
                  static_cast<unsigned long>(figures[i].chatter),
                  static_cast<unsigned long>(figures[i].repaired));
    text += line;
  }
  return text;
}
