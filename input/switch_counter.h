// Switch health: every press, release and wheel notch the hook sees, counted on the hook thread
// and read by the main thread, whatever the repairs do with them.
//
// A press is chatter when it follows the same button's release by less than kChatterUs: no
// hand lets go of a button and presses it again that fast. Times come from the performance
// counter in microseconds; the tick counter's 15.6 ms steps cannot tell a 3 ms bounce from a
// 15 ms one.
//   P(0)------R(100)P(105)---R(300)       105: chatter (5 ms after its release)
//   P(0)------R(100)----P(140)            140: a deliberate press (40 ms)
// A notch is reversed when it goes against the remembered direction within 滚动间隔; like the
// wheel repair, a reversed notch does not change the remembered direction:
//   +(0)  -(20)  -(40)  -(100)            20 and 40 reversed (interval 50), 100 not
//
// What the calibration needs is kept per button as distributions in fixed buckets (see
// gapBucket): the gap from release to press of every press, the gap from the press before for
// chatter and for deliberate presses, how long the press before a chatter press was held (the
// bounced release's press time) and, for a deliberate press, the longer of its release's press
// time and its gap (a release filter of that length would have swallowed the press).
#pragma once

#include <atomic>
#include <cstdint>

#include "common/mouse_buttons.h"

struct Settings;

// Enumerators are lower camel case everywhere; an unscoped enum, used as an index, names its
// enumerators after itself. The buttons come first, each numbered as its MouseButton, so that a
// button's number is its device; the wheel follows them.
enum HealthDevice {
  healthLeft = static_cast<int>(MouseButton::left),
  healthRight = static_cast<int>(MouseButton::right),
  healthMiddle = static_cast<int>(MouseButton::middle),
  healthX1 = static_cast<int>(MouseButton::x1),
  healthX2 = static_cast<int>(MouseButton::x2),
  healthWheel = kButtonCount,
  healthDeviceCount
};
constexpr int kHealthButtons = kButtonCount;

constexpr std::uint64_t kChatterUs = 20000;

// Buckets: 1 ms wide below 32 ms, then four per doubling up to 512 ms, then one for the rest.
constexpr int kGapBuckets = 49;
int gapBucket(std::uint64_t microseconds);
// The bucket's bounds in milliseconds: [low, high); the last bucket's high is 0 (open).
int bucketLowMs(int bucket);
int bucketHighMs(int bucket);

enum GapKind {
  gapReleaseToPress,  // every press (wheel: the gap before a reversed notch)
  gapChatter,         // press to press, chatter presses
  gapClick,           // press to press, deliberate presses
  gapChatterHold,     // how long the press before a chatter press was held
  gapClickSpan,       // a deliberate press: the longer of its release's press time and gap
  gapKindCount
};

struct DeviceCounts {
  std::uint32_t events = 0;    // presses, or notches
  std::uint32_t chatter = 0;   // chatter presses, or reversed notches
  std::uint32_t repaired = 0;  // events the repairs swallowed
  std::uint32_t gaps[gapKindCount][kGapBuckets] = {};
};

struct HealthCounts {
  DeviceCounts devices[healthDeviceCount];
};

// A sum stops at the most a count holds: a day read from a file the user edited may be near it.
HealthCounts& operator+=(HealthCounts& into, const HealthCounts& add);
// Every count of `a` less the same count of `b` (b was taken earlier from the same counter),
// right across a counter's wrap.
HealthCounts operator-(const HealthCounts& a, const HealthCounts& b);
bool operator==(const HealthCounts& a, const HealthCounts& b);

// Written by the hook thread alone, read by any thread. Counting takes no lock and allocates
// nothing: the counts are relaxed atomics under a sequence number (odd while the hook writes),
// and a reader copies until it saw the same even number before and after. The counts since
// start wrap at 2^32 rather than stop: they are read only as differences between two snapshots,
// which stay right across a wrap, where a count that stopped would lose every event after it.
class SwitchCounter {
 public:
  explicit SwitchCounter(const Settings& settings) : settings_(settings) {}
  SwitchCounter(const SwitchCounter&) = delete;
  SwitchCounter& operator=(const SwitchCounter&) = delete;

  // Hook thread. `repaired`: how many events the repairs swallowed in this decision. A press
  // returns its gap from the release in microseconds when it is chatter, else -1.
  std::int32_t press(int button, std::uint64_t nowUs, int repaired);
  void release(int button, std::uint64_t nowUs, int repaired);
  void notch(std::int16_t delta, std::uint64_t nowUs, int repaired);

  // Any thread: every count since start, as one consistent whole.
  HealthCounts snapshot() const;

 private:
  struct LiveDevice {
    std::atomic<std::uint32_t> events{0}, chatter{0}, repaired{0};
    std::atomic<std::uint32_t> gaps[gapKindCount][kGapBuckets] = {};
  };
  // What the hook thread remembers of each device; no other thread reads it.
  struct Last {
    std::uint64_t pressUs = 0, releaseUs = 0, heldUs = 0;
    bool pressed = false, released = false;
  };
  void beginWrite();
  void endWrite();
  static void add(std::atomic<std::uint32_t>& count, std::uint32_t n);

  const Settings& settings_;
  std::atomic<std::uint32_t> sequence_{0};
  LiveDevice live_[healthDeviceCount];
  Last last_[healthDeviceCount];
  int wheelDirection_ = 0;
};
