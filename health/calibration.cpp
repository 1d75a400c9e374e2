#include "health/calibration.h"

#include "health/stats_file.h"

Calibration calibrate(const HealthCounts& kept) {
  Calibration out;
  for (int button = 0; button < kHealthButtons; ++button) {
    const DeviceCounts& d = kept.devices[button];
    out.buttons[button].choose =
        d.chatter >= kChooseChatter && static_cast<std::uint64_t>(d.chatter) * 1000 >= d.events;
  }
  return out;
}

bool openedInAHold(const DeviceCounts& counts) {
  const auto& held = counts.gaps[gapChatterHold];
  for (int bucket = gapBucket(std::uint64_t{kOpeningHoldMs} * 1000); bucket < kGapBuckets;
       ++bucket) {
    if (held[bucket] != 0) return true;
  }
  return false;
}

// Days whose date does not read, or lies after today (a clock set back), count as not lately.
void openedInAHoldLately(const HealthLedger& ledger, bool (&opened)[kHealthButtons]) {
  for (bool& button : opened) button = false;
  long today = 0;
  if (!dayNumber(ledger.date(), &today)) return;
  ledger.forEachDay([&](const std::string& date, const HealthCounts& counts) {
    long day = 0;
    if (!dayNumber(date, &day) || day > today || today - day >= kGuardMemoryDays) return;
    for (int button = 0; button < kHealthButtons; ++button) {
      if (openedInAHold(counts.devices[button])) opened[button] = true;
    }
  });
}
