// What applications would have seen of the user's recorded clicks under other repair settings:
// the record replayed through the input filter itself, over a desktop that answers with the
// recorded ticks, so that on Windows it judges at Windows' 15.6 ms clock by itself.
//
// One line between a bounce and a hand: a press less than kBounceUs after the same button's
// release is a bounce, later a hand (the fastest deliberate double clicks leave about 47 ms
// between release and press; worn switches bounce mostly 5 to 15 ms after it, a few up to 40).
// Between kDoubtUs and the line a press may be either, and counts both ways: shown, it is
// doubled; never shown, it is lost. So the fit never buys fewer doubled with real clicks.
//   doubled: a hand's click reached applications as more than one press, or as a release before
//            the hand let go (chatter leaked, or a hold broken)
//   lost:    a hand press after which no press of that button reached applications before the
//            next hand press
//   delay:   how much later than the hand let go the releases reached applications
//
// The fit replays every candidate of a grid of 单击间隔, 释放间隔 and the hold guard's window
// (each repair may also be off), keeps those that lose at most 1 press in 1000 (with every repair
// off nothing is lost, so one always does), then takes the fewest doubled, then the least delay,
// then the fewest keys changed. It is offered only when it is strictly better on the record
// than the settings in force: within the loss budget where they are not, or fewer doubled, or
// as few doubled and fewer lost.
//   worn switch, defaults             4 doubled, 32 lost  ->  32/32/20: 3 doubled, 0 lost
//   clean switch                      nothing to offer
//   double clicks as fast as bounces  the best within budget, and what fewer doubled would cost
#pragma once

#include <cstdint>
#include <vector>

#include "input/click_record.h"
#include "input/switch_counter.h"

struct Settings;

constexpr std::uint64_t kBounceUs = 40000;
constexpr std::uint64_t kDoubtUs = 30000;
// Fewer hand presses than this say too little to fit anything to.
constexpr std::uint32_t kFitMinimumPresses = 200;
// The shortest interval the grid offers on Windows: two steps of its tick counter, the clock the
// filter compares. Where the record's ticks advance every millisecond, 16 and 24 are offered too.
constexpr int kShortestSuggestedMs = 32;

struct RepairChoice {
  bool buttons[kHealthButtons] = {};  // chosen, by device: left, right, middle, back, forward
  bool clickRepair = true;
  bool releaseRepair = true;
  int clickMs = 100;
  int releaseMs = 50;
  int guardMs = 20;
};
bool operator==(const RepairChoice& a, const RepairChoice& b);

// The repairs in force.
RepairChoice repairChoiceOf(const Settings& settings);

struct ReplayScore {
  std::uint32_t presses = 0;  // hand presses
  std::uint32_t bounces = 0;  // bounce presses
  std::uint32_t doubled = 0;
  std::uint32_t lost = 0;
  std::uint64_t delayUs = 0;
  // At most 1 lost in every 1000 presses begun: a record shorter than 1000 may lose one.
  bool withinBudget() const { return lost <= (presses + 999) / 1000; }
};

// What applications were shown of one run, in order.
struct ShownClick {
  std::uint64_t us;
  int button;
  bool press;
};
std::vector<ShownClick> replayShown(const ClickRun& run, const RepairChoice& choice);

ReplayScore replayClicks(const std::vector<ClickRun>& runs, const RepairChoice& choice);

struct ClickFit {
  ReplayScore now;  // the settings in force
  enum Outcome {
    tooFew,   // fewer than kFitMinimumPresses hand presses of the buttons that matter
    nothing,  // nothing better than what is in force
    better,   // `best` is strictly better
  } outcome = tooFew;
  RepairChoice best;  // the candidate chosen
  ReplayScore bestScore;
  // Double clicks as fast as the bounces: fewer doubled than `best` would lose more than the
  // budget allows; what that would cost.
  bool tradeOff = false;
  RepairChoice fewestDoubled;
  ReplayScore fewestDoubledScore;
};

// `now`: the repairs in force. `matters`: the buttons to fit, those that chatter; each candidate
// chooses them, and keeps the buttons chosen now.
ClickFit fitClicks(const std::vector<ClickRun>& runs, const RepairChoice& now,
                   const bool (&matters)[kHealthButtons]);
