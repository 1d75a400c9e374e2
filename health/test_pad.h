// The test pad (测试区) of the 鼠标健康 window, portable: each click made on it as two lanes on
// one time axis and one row of text. The 开关 lane is every press and release the hook saw of the
// click's button (input/pad_feed.h); the 程序 lane is what the pad's own window received, so a
// held release or a timed press shows where it really went, and a click the repairs lost shows
// nothing there. The hand's clicks are read from the switch's lane and judged by what the window
// received, as the fit judges them (health/click_judgement.h).
//
// A click owns its button's events from its press up to the hand's next press of it. The
// switch's events other than the hand's press and release are marked: an opening that begins
// kPressBounceUs or more after the press and before the hand let go is the hold breaking, any
// other a bounce (at the press, or after the release). The verdict, first that applies, on the
// rows of the test table that walks it:
//   "a click lost, and one made off the pad"
//     开关 P(0)------R(90)               程序 (nothing)                     点击丢失
//   "a drag that opened, repaired"
//     开关 P(0)-R(500)P(510)---R(1000)   程序 P(0)---------------R(1000)    按住时断开已修复 (*)
//   "a drag that opened, not repaired"
//     开关 P(0)-R(500)P(510)---R(1000)   程序 P(0)-R(500)P(510)--R(1000)    按住时断开未修复
//   "a blip double, repaired"
//     开关 P(0)------R(90)P(94)R(96)     程序 P(0)------R(90)               抖动已修复 (*)
//   "a blip double with the repair off: what the intervals in force would have done"
//     开关 P(0)------R(90)P(94)R(96)     程序 P(0)------R(90)P(94)R(96)     抖动漏过
//   "a held release, then a timed press, each where it went"
//     开关 P(0)------R(30)               程序 P(0)---------R(50)            干净
//   (*) with what was swallowed: 1 press and 1 release
// A click is judged once it is over: its button's next hand press came, or its switch has been
// up kBounceUs and the pad saw the button let go, or its switch has been up kPadSettleUs (every
// held release is let go by then). Until then its verdict is pending.
// With the button's repair off, or the press's source left out of the repairs, the switch's events
// are replayed through the filter with the button chosen at the intervals in force
// (health/what_if.h), and judged the same way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/texts.h"
#include "health/click_judgement.h"
#include "health/what_if.h"
#include "input/click_record.h"
#include "input/input_source.h"

// A press bounces for 0.5 to 6 ms; an opening 20 ms into a hold is no bounce of the press.
constexpr std::uint64_t kPressBounceUs = 20000;
// Longer than any release is held (kMaxHoldMs), and a timer step after it.
constexpr std::uint64_t kPadSettleUs = 1100000;
// The rows the pad keeps, newest first.
constexpr std::size_t kPadRows = 50;
// The most switch events kept: what clicks outside the pad add is dropped beyond this.
constexpr std::size_t kPadMostEvents = 4096;

// What the pad holds, on the main thread: the hook's events while it was open, and what its
// window received, each in the order it came.
struct PadRecord {
  struct Switch {
    ClickEvent event;
    bool overPad = false;  // a press the hook saw over the pad's window
    bool repaired = true;  // its source meets the repairs
    EventSource source{SourceKind::unknown, -1};
    const wchar_t* device = nullptr;  // the device's short name, for SourceKind::device
  };
  std::vector<Switch> switches;
  std::vector<ShownClick> received;
};

enum class PadVerdict : std::uint8_t {
  pending,
  clean,
  bounceRepaired,
  bounceLeaked,
  breakRepaired,
  breakLeaked,
  lost,
};

enum PadLane { padSwitch, padProgram, padLaneCount };

struct PadMark {
  std::uint64_t us;  // after the click's press
  bool press;
  bool marked;  // a bounce or an opening, on the switch's lane
};

struct PadOutcome {
  PadVerdict verdict = PadVerdict::pending;
  int swallowedPresses = 0, swallowedReleases = 0;  // the switch's, that did not arrive
};

struct PadClick {
  int button = 0;
  EventSource source{SourceKind::unknown, -1};  // the hand's press's
  const wchar_t* device = nullptr;
  std::uint64_t pressUs = 0;  // the hand's press, the lanes' 0
  std::vector<PadMark> lanes[padLaneCount];
  PadOutcome outcome;
  bool whatIf = false;  // the button's repair is off: `wouldBe` is what it would have done
  PadOutcome wouldBe;
};

// The clicks pressed over the pad, oldest first, the latest kPadRows of them; `inForce` the
// repairs in force, `nowUs` the performance counter's time now. Trims `record` to what they need.
std::vector<PadClick> padClicks(PadRecord& record, const RepairChoice& inForce,
                                std::uint64_t nowUs);

// "鼠标左键：开关 按 2.0 松 2.0 按 86 松；程序 按 90 松（毫秒）。抖动已修复：吞掉 1 次按下、1
// 次松开"
std::wstring padRow(const PadClick& click, Language language);
