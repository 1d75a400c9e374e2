#include "health/calibration.h"

namespace {

const int kFitBuckets = gapBucket(static_cast<std::uint64_t>(kLongestFitMs) * 1000);

// `chatter` from bucket `from` up to kFitBuckets against every deliberate press in `deliberate`.
// A value at a bucket's high bound swallows exactly the buckets up to it.
IntervalFit fit(const std::uint32_t* chatter, const std::uint32_t* deliberate, int from,
                std::uint64_t deliberateTotal) {
  IntervalFit result;
  std::uint64_t chatterTotal = 0;
  for (int b = from; b < kFitBuckets; ++b) chatterTotal += chatter[b];
  if (chatterTotal == 0) return result;
  result.needed = true;
  const auto withinBudget = [&](std::uint64_t lost) { return lost * 1000 <= deliberateTotal; };
  std::uint64_t caught = 0, lost = 0;
  for (int b = 0; b < kFitBuckets; ++b) {
    if (b >= from) caught += chatter[b];
    lost += deliberate[b];
    if (caught * 100 >= chatterTotal * 99) {
      result.found = withinBudget(lost);
      result.ms = bucketHighMs(b);
      result.lostPerMille =
          deliberateTotal ? static_cast<std::uint32_t>(lost * 1000 / deliberateTotal) : 0;
      return result;
    }
    if (withinBudget(lost)) {
      result.safeMs = bucketHighMs(b);
      result.caughtPercent = static_cast<std::uint32_t>(caught * 100 / chatterTotal);
    }
  }
  return result;  // unreachable: every fitted bucket lies below kFitBuckets
}

}  // namespace

Calibration calibrate(const HealthCounts& kept) {
  Calibration out;
  for (int button = 0; button < 2; ++button) {
    const DeviceCounts& d = kept.devices[button];
    ButtonAdvice& advice = out.buttons[button];
    advice.choose =
        d.chatter >= kChooseChatter && static_cast<std::uint64_t>(d.chatter) * 1000 >= d.events;
    for (int b = kFitBuckets; b < kGapBuckets; ++b) advice.guardChatter += d.gaps[gapChatter][b];
    const std::uint64_t deliberate = d.events - (d.chatter < d.events ? d.chatter : d.events);
    advice.click = fit(d.gaps[gapChatter], d.gaps[gapClick], 0, deliberate);
    // The release filter takes a release more than 2 ms after its press.
    advice.release = fit(d.gaps[gapChatterHold], d.gaps[gapClickSpan], 3, deliberate);
  }
  return out;
}
