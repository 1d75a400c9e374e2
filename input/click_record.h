// The user's own clicks, as the hook saw them: each press and release of every button with the tick
// the filter decided by and the performance counter's time. Timings only: no position, no window,
// no program. The switch health replays it through the filter to fit the repairs to this switch and
// this hand.
//
// The hook thread appends to a fixed ring of the latest kClickRecordSize events: no allocation,
// no lock, no I/O. The main thread copies the ring and keeps it in a file of its own beside the
// statistics, as runs: each run one instance's unbroken timeline, so that two instances sharing
// the file (two users of one exe) each add their own run and a replay never joins two timelines.
//   file  [run A: P R P R ...][run B: P R ...]       at a save by B: B's new events join run B,
//                                                     or start a run of B's at the end
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/shared_file.h"

constexpr std::uint32_t kClickRecordSize = 16384;
// The largest record read, and so the most ever written: a full record whose every event is a
// run of its own, with room to spare. Larger is no record of this program's.
constexpr std::size_t kClickRecordLargestBytes = 1024 * 1024;
static_assert(8 + 2 * 16 * std::size_t{kClickRecordSize} <= kClickRecordLargestBytes,
              "a record trimmed by addToClickRecord fits");

struct ClickEvent {
  std::uint64_t us = 0;     // performance counter time of the event
  std::uint32_t tick = 0;   // the tick the filter decided it by
  std::uint8_t button = 0;  // a HealthDevice button: 0 left, 1 right, 2 middle, 3 and 4 the sides
  bool press = false;
};

// Written by the hook thread alone, copied by any thread.
class ClickRecord {
 public:
  ClickRecord() = default;
  ClickRecord(const ClickRecord&) = delete;
  ClickRecord& operator=(const ClickRecord&) = delete;

  // Hook thread.
  void append(int button, bool press, std::uint32_t tick, std::uint64_t us);
  // Any thread: how many events were ever appended (wrapping at 2^32).
  std::uint32_t appended() const { return written_.load(std::memory_order_acquire); }
  // Any thread: the events appended after the first `since` (every one still in the ring),
  // oldest first, and in `end` how many had been appended when it looked. An event the hook
  // overwrites while it is copied is left out, never torn.
  std::vector<ClickEvent> copySince(std::uint32_t since, std::uint32_t* end = nullptr) const;

 private:
  // Each event in four words, so that a 32-bit build stores it with plain 32-bit stores.
  struct Slot {
    std::atomic<std::uint32_t> usLow{0}, usHigh{0}, tick{0}, kind{0};
  };
  Slot slots_[kClickRecordSize];
  std::atomic<std::uint32_t> written_{0};
};

// One instance's unbroken timeline; `owner` tells instances apart.
struct ClickRun {
  std::uint64_t owner = 0;
  std::vector<ClickEvent> events;
};

// The runs of the file, oldest first; nullopt for a file that is not a click record or is
// damaged, a run whose two clocks disagree between two events included (a tick and a counter
// time more than half a second apart, and a little more over long gaps). An empty text is an
// empty record.
std::optional<std::vector<ClickRun>> parseClickRecord(const std::string& bytes);
// Damaged: the magic, or the start of it, followed by what does not read (a record cut short,
// zeros where an event should be: no event of ours is all zeros), or zeros where the magic
// should be (what a power loss leaves). Not ours: anything else that does not read.
FileVerdict judgeClickRecord(const std::string& bytes);
// `events` of `owner` added to the runs: to its run when that is the last, else as a new run;
// then empty runs dropped (a record of nothing but runs would outgrow its bound) and the oldest
// events dropped until kClickRecordSize are left.
void addToClickRecord(std::vector<ClickRun>& runs, std::uint64_t owner,
                      const std::vector<ClickEvent>& events);
std::string clickRecordBytes(const std::vector<ClickRun>& runs);
// One save under the file's lock: `added`, this instance's events since its last save, go on
// top of the runs the file holds now; `runs` is then what was written (or, when nothing was
// added, what the file holds).
SharedSave saveClickRecord(SharedFileAccess& file, const std::string& date, std::uint64_t owner,
                           const std::vector<ClickEvent>& added, std::vector<ClickRun>* runs);
std::size_t clickRecordEvents(const std::vector<ClickRun>& runs);

// D:\Tools\clickmend-stats.csv -> D:\Tools\clickmend-clicks.dat
std::wstring clickRecordPathForStats(const std::wstring& statsPath);
