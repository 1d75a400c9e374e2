#include "health/calibration.h"

Calibration calibrate(const HealthCounts& kept) {
  Calibration out;
  for (int button = 0; button < kHealthButtons; ++button) {
    const DeviceCounts& d = kept.devices[button];
    out.buttons[button].choose =
        d.chatter >= kChooseChatter && static_cast<std::uint64_t>(d.chatter) * 1000 >= d.events;
  }
  return out;
}
