// Which buttons' switches are worn, from the counts. Portable: the switch health window and the
// balloon act on it; the intervals are fitted on the record of clicks (health/what_if.h).
//
// A button is worth choosing when it chattered at least kChooseChatter times and at least once
// in 1000 presses over the days kept.
//   worn switch bouncing 1-15 ms    choose
//   drag with openings mid-hold     choose
//   clean switch                    nothing
#pragma once

#include <cstdint>

#include "input/switch_counter.h"

constexpr std::uint32_t kChooseChatter = 3;

struct ButtonAdvice {
  bool choose = false;
};

struct Calibration {
  ButtonAdvice buttons[kHealthButtons];  // by device: left, right, middle, back, forward
};

Calibration calibrate(const HealthCounts& kept);
