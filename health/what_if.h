// What applications would have seen of the user's recorded clicks under other repair settings:
// the record replayed through the input filter itself, over a desktop that answers with the
// recorded ticks, so that on Windows it judges at Windows' 15.6 ms clock by itself.
//
// Each hand click is judged as health/click_judgement.h lays out, the clicks read from the
// record with the blip length in force (the default where the rule is off). A doubtful press
// (kDoubtUs to kBounceUs after a release) counts both ways: shown, it is doubled; never shown,
// it is lost. So the fit never buys fewer doubled with real clicks.
//   doubled: a hand's click reached applications as more than one press, or as a release before
//            the hand let go (chatter leaked, or a hold broken)
//   lost:    no press of a hand's click reached applications before the hand's next press
//   unclean: doubled or lost
//   delay:   what the repairs add to the clicks that reached applications: how much later than
//            the hand each click's press was shown (a press held back to see whether it is a
//            blip, for as long as the blip length) and its release (held by the release
//            interval, or by the guard's window on a button whose guard is armed)
//
// The fit replays every candidate of a grid of 单击间隔, 释放间隔, the hold guard's window and
// 抖动时长 (each repair may also be off), keeps those that lose at most 1 press in 1000 (with
// every repair off nothing is lost, so one always does), then takes the fewest unclean, the
// fewest lost, the least delay, the fewest keys changed. It is offered only when it is better on
// the record than the settings in force: within the loss budget where they are not, or fewer
// unclean, or as few and less delay. A change that would only add delay is never offered. Where
// fewer doubled would lose more than the budget allows, it also says what that would cost.
// The best is then tried with the guard's window following the hold: 长按保护间隔 30, 35, 40 or
// 50 ms after holds longer than 拖动阈值 200, 250 or 300 ms, each only where the record holds no
// hand press that soon after the release of a hold that long. On the
// seeded records of a hand that the tests replay (tests/support/click_corpus.h):
//   "worn switch, the defaults, Windows' clock", "worn switch, the defaults, Wine's clock"
//       3 doubled, 3 lost -> click repair off, 释放间隔 16: long-hold window 30 ms after 250:
//       3 doubled, 0 lost (the same choice and figures at both clocks: the machine judges by the
//       performance counter, which the record holds beside the tick, so 16 and 24 ms intervals
//       tell apart at Windows' 15.6 ms steps what they do at Wine's 1 ms; the window set, the
//       guard is armed from the start)
//   "drags opening 25 to 35 ms, double clicks 30 ms apart"
//       16 doubled, 30 lost -> click repair off, 释放间隔 16: long-hold window 35 ms after 250:
//       40 doubled, 0 lost (the doubles' second clicks count as doubled, being as soon as a
//       bounce; every episode arrives clean)
//   "worn switch not chosen yet", "a worn back button not chosen yet"
//                                             a choice that loses none, the button chosen
//   "double clicks as fast as the bounces"    a choice that loses none: the blip rule tells the
//                                             bounces from the double clicks by their length
//   "bounces after releases, the defaults: every click clean, nothing to offer"
//                                             no change is cleaner, none adds less delay
//   "clean switch"                            no button chatters: nothing to fit
//   "a worn right button among many left clicks: too few of its own"
//                                             fewer than kFitMinimumPresses of its presses
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "health/click_judgement.h"
#include "input/click_record.h"
#include "input/switch_counter.h"
#include "settings/settings.h"
#include "settings/settings_table.h"

// Fewer hand presses than this say too little to fit anything to.
constexpr std::uint32_t kFitMinimumPresses = 200;
// The shortest interval the grid offers where the filter would judge the record by Windows' tick
// (its counter not comparable): two steps of it. Judged by the counter, at either clock, or where
// the ticks advance every millisecond, 16 and 24 are offered too.
constexpr int kShortestSuggestedMs = 32;

struct RepairChoice {
  bool buttons[kHealthButtons] = {};  // chosen, by device: left, right, middle, back, forward
  bool clickRepair = true;
  bool releaseRepair = true;
  int clickMs = 100;
  int releaseMs = 50;
  int guardMs = 20;
  int blipMs = kBlipMs;  // 0: the blip rule off
  int longGuardMs = 0;   // 长按保护间隔; 0: not set, guardMs's
  int dragMs = kDragThresholdMs;
};
bool operator==(const RepairChoice& a, const RepairChoice& b);

// The repairs in force.
RepairChoice repairChoiceOf(const Settings& settings);
// What a choice puts into the settings: its buttons chosen, the repairs on or off, the interval
// of each repair that is on and the blip length. The replay runs on these, and 应用建议间隔
// writes them.
std::vector<SettingValue> choiceValues(const RepairChoice& choice);

struct ReplayScore {
  std::uint32_t presses = 0;  // hand presses
  std::uint32_t bounces = 0;  // bounce presses
  std::uint32_t doubled = 0;
  std::uint32_t lost = 0;
  std::uint64_t delayUs = 0;
  std::uint32_t unclean() const { return doubled + lost; }
  // At most 1 lost in every 1000 presses begun: a record shorter than 1000 may lose one.
  bool withinBudget() const { return lost <= (presses + 999) / 1000; }
};

// What applications were shown of one run, in order.
std::vector<ShownClick> replayShown(const ClickRun& run, const RepairChoice& choice);

struct ClickFit {
  ReplayScore now;  // the settings in force
  // The hand presses of the buttons fitted: the fit needs kFitMinimumPresses of them.
  std::uint32_t presses = 0;
  enum Outcome {
    tooFew,     // fewer than kFitMinimumPresses hand presses of the buttons that matter
    nothing,    // nothing better than what is in force
    better,     // `best` is better
    analysing,  // none yet: asked for on the fitting thread, its answer still to come
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
// chooses them, and keeps the buttons chosen now. Once `stop` is set it returns between two
// candidates, with what it has (health/fit_worker.h).
ClickFit fitClicks(const std::vector<ClickRun>& runs, const RepairChoice& now,
                   const bool (&matters)[kHealthButtons], const std::atomic<bool>* stop = nullptr);
