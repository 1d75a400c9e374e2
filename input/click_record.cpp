#include "input/click_record.h"

#include <algorithm>
#include <cstdlib>

#include "input/input_platform.h"
#include "input/switch_counter.h"

namespace {

// A file: the magic, then records of 16 bytes, little-endian: the time (8 bytes), the tick (4),
// the kind (1), three zero bytes. A run begins with a record of kind kRunStart whose time is the
// run's owner.
const char kMagic[8] = {'C', 'L', 'K', 'M', 'R', 'E', 'C', '1'};
constexpr std::size_t kRecordBytes = 16;
constexpr std::uint8_t kRunStart = 0x52;
// Kinds 0..9: bit 0 a press, the bits above it the button (0 and 1 the left, 2 and 3 the right,
// as files written before the middle and side buttons were recorded have them).
constexpr std::uint32_t kLastKind = 2 * kHealthButtons - 1;
std::uint32_t kindOf(int button, bool press) {
  return static_cast<std::uint32_t>(button) * 2 | (press ? 1u : 0u);
}

void put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
std::uint64_t get(const std::string& in, std::size_t at, int bytes) {
  std::uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) {
    value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
  }
  return value;
}

void putRecord(std::string& out, std::uint64_t us, std::uint32_t tick, std::uint32_t kind) {
  put(out, us, 8);
  put(out, tick, 4);
  put(out, kind, 4);
}

// The hook reads both clocks for each event, the tick and then the counter, so between two events
// of one run they tell the same time but for the tick's steps (15.625 ms either way on Windows),
// the hook thread preempted between its two reads on a busy machine (a few scheduler quanta of
// 20 to 120 ms) and the clocks' drift over a long gap (both count on through sleep; quartz
// drifts far less than 1 ms a second). Beyond that, one of the two times is no time the hook
// read: a damaged field, which a replay would take at its word.
constexpr std::int64_t kClockSlackMs = 500;  // 32 of Windows' tick steps
constexpr std::int64_t kGapMsPerDriftMs = 1000;

bool clocksAgree(const ClickEvent& before, const ClickEvent& after) {
  const auto us = static_cast<std::int64_t>(after.us - before.us);
  if (us < -kClockSlackMs * 1000) return false;  // the counter never goes back
  const std::int64_t ms = us / 1000;
  // The tick wraps every 49.7 days: compared modulo 2^32, a gap of any length.
  const std::int32_t off = tickGap(after.tick, before.tick + static_cast<std::uint32_t>(ms));
  const std::int64_t drift = std::min<std::int64_t>(std::abs(ms), INT32_MAX) / kGapMsPerDriftMs;
  return std::abs(std::int64_t{off}) <= kClockSlackMs + drift;
}

}  // namespace

void ClickRecord::append(int button, bool press, std::uint32_t tick, std::uint64_t us) {
  const std::uint32_t index = written_.load(std::memory_order_relaxed);
  Slot& slot = slots_[index % kClickRecordSize];
  slot.usLow.store(static_cast<std::uint32_t>(us), std::memory_order_release);
  slot.usHigh.store(static_cast<std::uint32_t>(us >> 32), std::memory_order_release);
  slot.tick.store(tick, std::memory_order_release);
  slot.kind.store(kindOf(button, press), std::memory_order_release);
  written_.store(index + 1, std::memory_order_release);
}

// A slot read with acquire loads that holds a newer event than the one looked for means the
// hook has written past it; the count read after the copy then tells which slots may be such.
std::vector<ClickEvent> ClickRecord::copySince(std::uint32_t since, std::uint32_t* endOut) const {
  const std::uint32_t end = written_.load(std::memory_order_acquire);
  if (endOut) *endOut = end;
  std::uint32_t count = end - since;
  if (count > kClickRecordSize) count = kClickRecordSize;
  std::vector<ClickEvent> events(count);
  const std::uint32_t begin = end - count;
  for (std::uint32_t i = 0; i < count; ++i) {
    const Slot& slot = slots_[(begin + i) % kClickRecordSize];
    ClickEvent& e = events[i];
    e.us = slot.usLow.load(std::memory_order_acquire) |
           static_cast<std::uint64_t>(slot.usHigh.load(std::memory_order_acquire)) << 32;
    e.tick = slot.tick.load(std::memory_order_acquire);
    const std::uint32_t kind = slot.kind.load(std::memory_order_acquire);
    e.button = static_cast<std::uint8_t>(kind >> 1);
    e.press = (kind & 1u) != 0;
  }
  // The hook may be writing the slot of event `after` now, which held event after - size.
  const std::uint32_t after = written_.load(std::memory_order_acquire);
  const std::uint32_t overwritten = after - begin + 1 > kClickRecordSize
                                        ? std::min(count, after - begin + 1 - kClickRecordSize)
                                        : 0;
  events.erase(events.begin(), events.begin() + overwritten);
  return events;
}

std::optional<std::vector<ClickRun>> parseClickRecord(const std::string& bytes) {
  std::vector<ClickRun> runs;
  if (bytes.empty()) return runs;
  if (bytes.size() < sizeof kMagic || bytes.compare(0, sizeof kMagic, kMagic, sizeof kMagic) != 0 ||
      (bytes.size() - sizeof kMagic) % kRecordBytes != 0) {
    return std::nullopt;
  }
  std::size_t events = 0;
  for (std::size_t at = sizeof kMagic; at < bytes.size(); at += kRecordBytes) {
    const std::uint64_t us = get(bytes, at, 8);
    const auto tick = static_cast<std::uint32_t>(get(bytes, at + 8, 4));
    const auto kind = static_cast<std::uint32_t>(get(bytes, at + 12, 4));
    if (kind == kRunStart) {
      runs.push_back({us, {}});
      continue;
    }
    if (kind > kLastKind || runs.empty() || ++events > kClickRecordSize ||
        (us == 0 && tick == 0 && kind == 0)) {
      return std::nullopt;
    }
    ClickEvent e;
    e.us = us;
    e.tick = tick;
    e.button = static_cast<std::uint8_t>(kind >> 1);
    e.press = (kind & 1u) != 0;
    std::vector<ClickEvent>& run = runs.back().events;
    if (!run.empty() && !clocksAgree(run.back(), e)) return std::nullopt;
    run.push_back(e);
  }
  return runs;
}

FileVerdict judgeClickRecord(const std::string& bytes) {
  if (parseClickRecord(bytes)) return FileVerdict::ours;
  const std::size_t magic = std::min(bytes.size(), sizeof kMagic);
  if (bytes[0] == '\0' || bytes.compare(0, magic, kMagic, magic) == 0) return FileVerdict::damaged;
  return FileVerdict::notOurs;
}

void addToClickRecord(std::vector<ClickRun>& runs, std::uint64_t owner,
                      const std::vector<ClickEvent>& events) {
  if (!events.empty() && (runs.empty() || runs.back().owner != owner)) {
    runs.push_back({owner, {}});
  }
  if (!runs.empty()) {
    std::vector<ClickEvent>& last = runs.back().events;
    last.insert(last.end(), events.begin(), events.end());
  }
  runs.erase(std::remove_if(runs.begin(), runs.end(),
                            [](const ClickRun& run) { return run.events.empty(); }),
             runs.end());
  std::size_t excess = clickRecordEvents(runs);
  excess = excess > kClickRecordSize ? excess - kClickRecordSize : 0;
  while (excess > 0) {
    std::vector<ClickEvent>& oldest = runs.front().events;
    const std::size_t drop = std::min(excess, oldest.size());
    oldest.erase(oldest.begin(), oldest.begin() + static_cast<std::ptrdiff_t>(drop));
    excess -= drop;
    if (oldest.empty()) runs.erase(runs.begin());
  }
}

std::string clickRecordBytes(const std::vector<ClickRun>& runs) {
  std::string out(kMagic, sizeof kMagic);
  for (const ClickRun& run : runs) {
    putRecord(out, run.owner, 0, kRunStart);
    for (const ClickEvent& e : run.events) putRecord(out, e.us, e.tick, kindOf(e.button, e.press));
  }
  return out;
}

SharedSave saveClickRecord(SharedFileAccess& file, const std::string& date, std::uint64_t owner,
                           const std::vector<ClickEvent>& added, std::vector<ClickRun>* runs) {
  return saveShared(file, date, judgeClickRecord, [&](const std::string& now, std::string* out) {
    *runs = parseClickRecord(now).value_or(std::vector<ClickRun>());
    addToClickRecord(*runs, owner, added);
    *out = clickRecordBytes(*runs);
    return !added.empty();
  });
}

std::size_t clickRecordEvents(const std::vector<ClickRun>& runs) {
  std::size_t count = 0;
  for (const ClickRun& run : runs) count += run.events.size();
  return count;
}

std::wstring clickRecordPathForStats(const std::wstring& statsPath) {
  const std::wstring suffix = L"-stats.csv";
  std::wstring base = statsPath;
  if (base.size() >= suffix.size() &&
      base.compare(base.size() - suffix.size(), suffix.size(), suffix) == 0) {
    base.resize(base.size() - suffix.size());
  }
  return base + L"-clicks.dat";
}
