#include "input/pad_feed.h"

void PadFeed::open() {
  read_.store(written_.load(std::memory_order_acquire), std::memory_order_release);
  droppedSeen_ = dropped_.load(std::memory_order_relaxed);
  open_.store(true, std::memory_order_relaxed);
}

std::size_t PadFeed::take(PadSwitchEvent* out, std::size_t most, bool* lost) {
  const std::uint32_t written = written_.load(std::memory_order_acquire);
  std::uint32_t read = read_.load(std::memory_order_relaxed);
  std::size_t taken = 0;
  for (; read != written && taken < most; ++read) out[taken++] = slots_[read % kPadFeedSlots];
  read_.store(read, std::memory_order_release);
  const std::uint32_t dropped = dropped_.load(std::memory_order_relaxed);
  *lost = dropped != droppedSeen_;
  droppedSeen_ = dropped;
  return taken;
}
