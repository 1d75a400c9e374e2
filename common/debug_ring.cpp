#include "common/debug_ring.h"

#include <climits>

#include "common/debug_line.h"

DebugRing::Slot* DebugRing::claim(std::uint32_t& position) {
  position = enqueuePosition_.load(std::memory_order_relaxed);
  for (;;) {
    const std::uint32_t index = position % kSlots;
    Slot& slot = slots_[index];
    // Acquire: the reader's copy of the line that was here is finished before it is overwritten.
    const std::uint32_t sequence = slot.sequence.load(std::memory_order_acquire) + index;
    const auto lead = static_cast<std::int32_t>(sequence - position);
    if (lead == 0) {
      if (enqueuePosition_.compare_exchange_weak(position, position + 1,
                                                 std::memory_order_relaxed)) {
        // Whatever was dropped so far went missing before this line.
        slot.droppedBefore = dropped_.load(std::memory_order_relaxed) != 0
                                 ? dropped_.exchange(0, std::memory_order_relaxed)
                                 : 0;
        return &slot;
      }
    } else if (lead < 0) {
      dropped_.fetch_add(1, std::memory_order_relaxed);
      return nullptr;
    } else {
      position = enqueuePosition_.load(std::memory_order_relaxed);  // another writer took it
    }
  }
}

void DebugRing::publish(Slot& slot, std::uint32_t position) {
  // Release: the reader that sees the new sequence sees the whole line.
  slot.sequence.store(position + 1 - position % kSlots, std::memory_order_release);
}

template <typename Value>
bool DebugRing::putLine(const char* format, Value value) {
  std::uint32_t position;
  Slot* slot = claim(position);
  if (!slot) return false;
  slot->length = formatDebugLine(slot->text, kLineCapacity, format, value);
  publish(*slot, position);
  return true;
}

bool DebugRing::put(const char* format, std::int32_t value) {
  return putLine(format, value);
}

bool DebugRing::put(const char* format, const wchar_t* text) {
  return putLine(format, text);
}

bool DebugRing::take(Line& out) {
  const std::uint32_t index = dequeuePosition_ % kSlots;
  Slot& slot = slots_[index];
  std::uint32_t dropped = 0;
  if (slot.sequence.load(std::memory_order_acquire) + index != dequeuePosition_ + 1) {
    // Not ready. Drops wait for the line after them unless every claimed line has been taken.
    if (enqueuePosition_.load(std::memory_order_relaxed) != dequeuePosition_) return false;
    dropped = dropped_.exchange(0, std::memory_order_relaxed);
    if (dropped == 0) return false;
  } else if (slot.droppedBefore != 0) {
    dropped = slot.droppedBefore;
    slot.droppedBefore = 0;
  }
  if (dropped != 0) {
    const auto count = static_cast<std::int32_t>(dropped > INT32_MAX ? INT32_MAX : dropped);
    out.length = formatDebugLine(out.text, kLineCapacity, "Dropped lines:\t%d\n", count);
    return true;
  }
  for (std::size_t i = 0; i < slot.length; ++i) out.text[i] = slot.text[i];
  out.text[slot.length] = L'\0';
  out.length = slot.length;
  // Release: the copy is done before a writer may fill the slot again.
  slot.sequence.store(dequeuePosition_ + kSlots - index, std::memory_order_release);
  ++dequeuePosition_;
  return true;
}
