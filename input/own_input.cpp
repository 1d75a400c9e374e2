#include "input/own_input.h"

void OwnInputOnTheWay::sent(std::uint32_t now) {
  if (count_ == kCapacity) dropOldest();
  sentAt_[count_++] = now;
}

void OwnInputOnTheWay::refused() {
  if (count_ > 0) --count_;
}

void OwnInputOnTheWay::passed() {
  if (count_ > 0) dropOldest();
}

// The oldest sent kOnTheWayMs ago or more never comes: another program's hook swallowed it.
// Each is counted from its own sending, so that what is sent after it never keeps it alive.
bool OwnInputOnTheWay::onItsWay(std::uint32_t now) {
  while (count_ > 0 && now - sentAt_[0] >= kOnTheWayMs) dropOldest();
  return count_ > 0;
}

void OwnInputOnTheWay::dropOldest() {
  for (unsigned i = 1; i < count_; ++i) sentAt_[i - 1] = sentAt_[i];
  --count_;
}
