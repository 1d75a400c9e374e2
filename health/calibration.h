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

// A switch that opens in the middle of a hold shows it as a chatter press after a press held
// this long: longer than any release interval reaches, and than people hold a click on purpose
// (desktop clicks: median 119 ms). A contact blip after a click that long is counted too.
constexpr int kOpeningHoldMs = 512;
// A switch that opened in a hold on one of this many days, today's included, starts with its hold
// guard armed: its first bounce of a session no longer reaches applications.
constexpr long kGuardMemoryDays = 30;

bool openedInAHold(const DeviceCounts& counts);

class HealthLedger;
// For each button, whether the ledger's days of the last kGuardMemoryDays show the switch
// opening in the middle of a hold.
void openedInAHoldLately(const HealthLedger& ledger, bool (&opened)[kHealthButtons]);
