// The wheel's repair: a worn wheel now and then reads a notch backwards. Only a change of
// direction can be such a notch, so a fine wheel's or a touchpad's steps of any size pass.
//
// As a timeline under the name its test repeats, +120 and -120 a notch each way at (t) ms,
// scroll interval 50:
//   "reversed notches within the interval"
//     +120(0)  -120(20)  -120(40)  -120(100)   passes, swallowed, swallowed, passes
//
// Debug line: "Reverse Roller:\t%d", the gap to the notch before, at each change of direction.
#pragma once

#include <cstdint>

#include "input/input_platform.h"
#include "settings/settings.h"

struct WheelState {
  std::uint32_t lastTick = 0;  // the last notch, or the hook's first call before any
  std::int16_t lastDelta = 0;  // the last notch that passed the repair
  bool stamped = false;        // lastTick is set on the hook's first call
};

class WheelFilter {
 public:
  WheelFilter(const Settings& settings, WheelState& state, InputPlatform& platform)
      : settings_(settings), state_(state), platform_(platform) {}

  // Any event: the first one the hook sees is where the first notch is measured from.
  void noteCall(std::uint32_t now) {
    if (state_.stamped) return;
    state_.lastTick = now;
    state_.stamped = true;
  }
  // A notch of `delta`: swallowed when it reverses the last one within the scroll interval,
  // otherwise left to where the wheel goes.
  Decision notch(std::int16_t delta, std::uint32_t now);

 private:
  const Settings& settings_;
  WheelState& state_;
  InputPlatform& platform_;
};
