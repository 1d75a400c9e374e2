#include "input/switch_counter.h"

#include "settings/settings.h"

int gapBucket(std::uint64_t microseconds) {
  const std::uint64_t ms = microseconds / 1000;
  if (ms < 32) return static_cast<int>(ms);
  if (ms >= 512) return kGapBuckets - 1;
  int octave = 5;
  while ((ms >> (octave + 1)) != 0) ++octave;
  const int quarter = static_cast<int>(ms >> (octave - 2)) & 3;
  return 32 + (octave - 5) * 4 + quarter;
}

int bucketLowMs(int bucket) {
  if (bucket < 32) return bucket;
  const int octave = 5 + (bucket - 32) / 4;
  return (1 << octave) + (bucket - 32) % 4 * (1 << (octave - 2));
}

int bucketHighMs(int bucket) {
  return bucket + 1 < kGapBuckets ? bucketLowMs(bucket + 1) : 0;
}

namespace {

void addUpToMost(std::uint32_t& to, std::uint32_t add) {
  to = to > UINT32_MAX - add ? UINT32_MAX : to + add;
}

}  // namespace

HealthCounts& operator+=(HealthCounts& into, const HealthCounts& add) {
  for (int device = 0; device < healthDeviceCount; ++device) {
    DeviceCounts& to = into.devices[device];
    const DeviceCounts& from = add.devices[device];
    addUpToMost(to.events, from.events);
    addUpToMost(to.chatter, from.chatter);
    addUpToMost(to.repaired, from.repaired);
    for (int kind = 0; kind < gapKindCount; ++kind) {
      for (int bucket = 0; bucket < kGapBuckets; ++bucket) {
        addUpToMost(to.gaps[kind][bucket], from.gaps[kind][bucket]);
      }
    }
  }
  return into;
}

HealthCounts operator-(const HealthCounts& a, const HealthCounts& b) {
  HealthCounts out = a;
  for (int device = 0; device < healthDeviceCount; ++device) {
    DeviceCounts& to = out.devices[device];
    const DeviceCounts& from = b.devices[device];
    to.events -= from.events;
    to.chatter -= from.chatter;
    to.repaired -= from.repaired;
    for (int kind = 0; kind < gapKindCount; ++kind) {
      for (int bucket = 0; bucket < kGapBuckets; ++bucket) {
        to.gaps[kind][bucket] -= from.gaps[kind][bucket];
      }
    }
  }
  return out;
}

bool operator==(const HealthCounts& a, const HealthCounts& b) {
  const HealthCounts difference = a - b;
  for (const DeviceCounts& d : difference.devices) {
    if (d.events || d.chatter || d.repaired) return false;
    for (const auto& kind : d.gaps) {
      for (std::uint32_t count : kind) {
        if (count) return false;
      }
    }
  }
  return true;
}

// One writer: a plain load and store is enough, and costs no locked instruction. The store
// releases, so a reader that sees the new count also sees the odd sequence number stored
// before it (no fence: ThreadSanitizer does not model fences).
void SwitchCounter::add(std::atomic<std::uint32_t>& count, std::uint32_t n) {
  count.store(count.load(std::memory_order_relaxed) + n, std::memory_order_release);
}

void SwitchCounter::beginWrite() {
  sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
}

void SwitchCounter::endWrite() {
  sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

std::int32_t SwitchCounter::press(int button, std::uint64_t nowUs, int repaired) {
  Last& last = last_[button];
  LiveDevice& device = live_[button];
  const std::uint64_t gap = nowUs - last.releaseUs;
  const bool chatter = last.released && gap < kChatterUs;
  beginWrite();
  add(device.events, 1);
  add(device.repaired, static_cast<std::uint32_t>(repaired));
  if (last.released) add(device.gaps[gapReleaseToPress][gapBucket(gap)], 1);
  if (last.pressed)
    add(device.gaps[chatter ? gapChatter : gapClick][gapBucket(nowUs - last.pressUs)], 1);
  if (chatter) {
    add(device.chatter, 1);
    add(device.gaps[gapChatterHold][gapBucket(last.heldUs)], 1);
  } else if (last.released) {
    add(device.gaps[gapClickSpan][gapBucket(last.heldUs > gap ? last.heldUs : gap)], 1);
  }
  endWrite();
  last.pressUs = nowUs;
  last.pressed = true;
  return chatter ? static_cast<std::int32_t>(gap) : -1;
}

void SwitchCounter::release(int button, std::uint64_t nowUs, int repaired) {
  Last& last = last_[button];
  if (repaired) {
    beginWrite();
    add(live_[button].repaired, static_cast<std::uint32_t>(repaired));
    endWrite();
  }
  last.heldUs = last.pressed ? nowUs - last.pressUs : 0;
  last.releaseUs = nowUs;
  last.released = true;
}

void SwitchCounter::notch(std::int16_t delta, std::uint64_t nowUs, int repaired) {
  Last& last = last_[healthWheel];
  LiveDevice& device = live_[healthWheel];
  const int direction = (delta > 0) - (delta < 0);
  const std::int32_t interval = settings_.scrollInterval;
  const std::uint64_t gap = nowUs - last.pressUs;
  const bool reversed = last.pressed && wheelDirection_ != 0 && direction != wheelDirection_ &&
                        interval > 0 && gap < static_cast<std::uint64_t>(interval) * 1000;
  beginWrite();
  add(device.events, 1);
  add(device.repaired, static_cast<std::uint32_t>(repaired));
  if (reversed) {
    add(device.chatter, 1);
    add(device.gaps[gapReleaseToPress][gapBucket(gap)], 1);
  }
  endWrite();
  if (!reversed) wheelDirection_ = direction;
  last.pressUs = nowUs;
  last.pressed = true;
}

HealthCounts SwitchCounter::snapshot() const {
  HealthCounts out;
  for (;;) {
    const std::uint32_t before = sequence_.load(std::memory_order_acquire);
    if (before & 1) continue;  // the hook is between two stores; it takes nanoseconds
    for (int i = 0; i < healthDeviceCount; ++i) {
      const LiveDevice& from = live_[i];
      DeviceCounts& to = out.devices[i];
      to.events = from.events.load(std::memory_order_acquire);
      to.chatter = from.chatter.load(std::memory_order_acquire);
      to.repaired = from.repaired.load(std::memory_order_acquire);
      for (int kind = 0; kind < gapKindCount; ++kind) {
        for (int bucket = 0; bucket < kGapBuckets; ++bucket) {
          to.gaps[kind][bucket] = from.gaps[kind][bucket].load(std::memory_order_acquire);
        }
      }
    }
    if (sequence_.load(std::memory_order_relaxed) == before) return out;
  }
}
