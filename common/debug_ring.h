// Debug lines on their way to the console: any thread puts a formatted line in, one reader
// takes the lines out in the order they were put in and prints them where it may block.
//
// The hook is among the writers, so a put never allocates, never waits on a lock and never
// waits for the reader: the ring is a bounded queue of fixed-size slots in which writers claim
// a slot by compare-and-swap and hand it over with the slot's sequence number (a writer stopped
// between claim and hand-over holds up only the reader, never another writer). A per-writer
// ring would lose the order between threads, and a lock, however short, lets a writer that the
// scheduler stops while holding it stall the hook.
//
// A full ring drops the line and counts it. The count rides on the next line that gets in, so
// the reader says how many were dropped exactly where they went missing:
//
//   two slots: put A, put B (ring full), put C dropped, put D dropped, reader takes A, put E
//   taken: A, B, "Dropped lines:\t2\n", E
//
// Drops with no line after them are reported once the reader has taken everything.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

class DebugRing {
 public:
  // Long enough for a window class, a command line and the format around them.
  static constexpr std::size_t kLineCapacity = 600;
  static constexpr std::uint32_t kSlots = 128;

  struct Line {
    wchar_t text[kLineCapacity];
    std::size_t length;
  };

  // All zeros is an empty ring.
  constexpr DebugRing() = default;
  DebugRing(const DebugRing&) = delete;
  DebugRing& operator=(const DebugRing&) = delete;

  // Any thread. False when the ring was full and the line was dropped.
  bool put(const char* format, std::int32_t value);
  bool put(const char* format, const wchar_t* text);

  // The one reader only. Copies out the next line, or the note of dropped lines that comes
  // before it; false when there is nothing to print yet.
  bool take(Line& out);

 private:
  struct Slot {
    // Less the slot's index: equal to a position, the slot is free for the line of that
    // position; one more, that line is ready.
    std::atomic<std::uint32_t> sequence{0};
    std::uint32_t droppedBefore = 0;
    std::size_t length = 0;
    wchar_t text[kLineCapacity] = {};
  };

  Slot* claim(std::uint32_t& position);
  void publish(Slot& slot, std::uint32_t position);
  template <typename Value>
  bool putLine(const char* format, Value value);

  static_assert((kSlots & (kSlots - 1)) == 0, "positions wrap around a power of two");
  Slot slots_[kSlots];
  std::atomic<std::uint32_t> enqueuePosition_{0};
  std::atomic<std::uint32_t> dropped_{0};
  std::uint32_t dequeuePosition_ = 0;  // the reader's own
};
