#include "input/wheel_filter.h"

namespace {
int direction(std::int16_t delta) {
  return (delta > 0) - (delta < 0);
}
}  // namespace

// Only the direction counts, so a fine wheel's 40, 40, 80, 40 all pass; a swallowed notch moves
// the wheel's tick but not the remembered delta.
Decision WheelFilter::notch(std::int16_t delta, std::uint32_t now) {
  const std::int32_t gap = tickGap(now, state_.lastTick);
  state_.lastTick = now;
  if (settings_.scrollRepair && direction(delta) != direction(state_.lastDelta)) {
    platform_.print("Reverse Roller:\t%d\n", gap);
    if (gap < settings_.scrollInterval) return {Verdict::swallow, 1};
  }
  state_.lastDelta = delta;
  return {Verdict::pass, 0};
}
