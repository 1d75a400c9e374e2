#include "health/what_if.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <tuple>
#include <utility>

#include "input/input_filter.h"
#include "input/null_platform.h"
#include "settings/settings.h"

namespace {

// What applications were shown, as the replay goes: the desktop under the filter.
struct ReplayDesktop : NullInputPlatform {
  std::vector<ShownClick>* shown = nullptr;
  std::uint64_t nowUs = 0;
  std::uint32_t tickNow = 0;
  bool timerPending = false;
  std::uint32_t timerTick = 0;

  bool deliverButton(MouseButton button, bool press) override {
    shown->push_back({nowUs, static_cast<int>(button), press});
    return true;
  }
  void wakeAfter(std::uint32_t delayMs) override {
    timerPending = true;
    timerTick = tickNow + delayMs;
  }
};

// The hook's event for a recorded one (the record holds buttons 0..kHealthButtons - 1 alone).
MouseEvent eventOf(const ClickEvent& e) {
  const ButtonRow& row = kButtons[e.button];
  return {0, e.press ? row.downMessage : row.upMessage, 0, 0, row.xData << 16, e.tick};
}

// The replay's settings: the choice's, on a record with every feature and other repair off.
void settingsOf(const RepairChoice& choice, Settings& s) {
  putSettings(s, choiceValues(choice));
}

// An honest record's gap between two events needs a wake-up for each hold let go in it: a few
// for each button. The rest of a gap past this many is skipped.
constexpr int kMostWakeUpsPerGap = 64;

// One run through a fresh filter.
void replayRun(const ClickRun& run, const Settings& settings, std::vector<ShownClick>& shown) {
  FilterState state;
  GestureTracker gesture;
  ReplayDesktop desktop;
  desktop.shown = &shown;
  InputFilter filter(settings, state, gesture, desktop);
  // As the program starts once the choice is applied.
  for (MouseButton b : kMouseButtons)
    state.buttons[b].guardArmed = guardArmedAtStart(settings, b, false);
  std::uint64_t lastUs = 0;
  std::uint32_t lastTick = 0;
  // A wake-up due at a tick is a time after the latest event by as many milliseconds, and never
  // later than the next event (a coarse tick may put it past it). Once one comes at the next
  // event's time, those after it before that event would all come at that time too and let go
  // of nothing more: the timer is carried past them, each asking for the same wait, without
  // their work. Without that, a tick far ahead of its counter time (a damaged record) would be
  // walked through a wait at a time: 0x7FFFFF00 ticks in 44-tick steps took 11.6 s.
  const auto fireTimerBefore = [&](const ClickEvent* next) {
    for (int wakeUps = 1;
         desktop.timerPending && (!next || tickGap(next->tick, desktop.timerTick) > 0); ++wakeUps) {
      desktop.timerPending = false;
      desktop.tickNow = desktop.timerTick;
      const std::int32_t after = tickGap(desktop.timerTick, lastTick);
      desktop.nowUs = lastUs + static_cast<std::uint64_t>(after > 0 ? after : 0) * 1000;
      const bool atNext = next && next->us <= desktop.nowUs;
      if (atNext) desktop.nowUs = std::max(lastUs, next->us);
      filter.onTimer({desktop.timerTick, desktop.nowUs});
      if (!atNext && wakeUps < kMostWakeUpsPerGap) continue;
      if (next && desktop.timerPending) {
        const std::int64_t wait = std::max(1, tickGap(desktop.timerTick, desktop.tickNow));
        const std::int64_t left = tickGap(next->tick, desktop.timerTick);
        if (left > 0)
          desktop.timerTick += static_cast<std::uint32_t>((left + wait - 1) / wait * wait);
      }
      return;
    }
  };
  for (const ClickEvent& e : run.events) {
    fireTimerBefore(&e);
    desktop.tickNow = e.tick;
    desktop.nowUs = e.us;
    lastUs = e.us;
    lastTick = e.tick;
    if (filter.decide(eventOf(e), {e.tick, e.us}).verdict == Verdict::pass) {
      shown.push_back({e.us, e.button, e.press});
    }
  }
  fireTimerBefore(nullptr);
  filter.releaseHeld();
}

// The record's hand clicks, read once for every candidate.
struct JudgedRun {
  const ClickRun* run;
  std::vector<HandClick> hands[kHealthButtons];
};

struct JudgedRecord {
  std::vector<JudgedRun> runs;
  std::uint32_t presses[kHealthButtons] = {};
  std::uint32_t bounces = 0;
  // Each button's shortest gap from a release to a hand press (kNever: none), and from the
  // release of a hand's hold longer than each of kDragThresholds.
  std::uint64_t shortestGapUs[kHealthButtons] = {kNever, kNever, kNever, kNever, kNever};
  std::uint64_t shortestGapAfterDragUs[kHealthButtons][3] = {};
  // How long each button's contact stayed closed, where that was less than the grid's longest
  // blip length.
  std::vector<std::uint64_t> shortClosuresUs[kHealthButtons];
};

// 抖动时长 as the grid offers it, off first, then shortest first.
constexpr int kBlipLengths[] = {0, 6, 8, 10, 12};
constexpr std::uint64_t kLongestBlipUs = 12000;
// 拖动阈值 and 长按保护间隔 as the grid offers them.
constexpr int kDragThresholds[] = {200, 250, 300};
constexpr int kLongGuardWindows[] = {30, 35, 40, 50};

JudgedRecord judgeRecord(const std::vector<ClickRun>& runs, int blipMs) {
  const std::uint64_t blipUs = static_cast<std::uint64_t>(blipMs > 0 ? blipMs : kBlipMs) * 1000;
  JudgedRecord out;
  for (auto& button : out.shortestGapAfterDragUs)
    std::fill(std::begin(button), std::end(button), kNever);
  for (const ClickRun& run : runs) {
    JudgedRun judged{&run, {}};
    for (int b = 0; b < kHealthButtons; ++b) {
      judged.hands[b] = handClicks(run.events, b, blipUs, out.bounces);
      out.presses[b] += static_cast<std::uint32_t>(judged.hands[b].size());
      const std::vector<HandClick>& hands = judged.hands[b];
      for (std::size_t k = 0; k < hands.size(); ++k) {
        out.shortestGapUs[b] = std::min(out.shortestGapUs[b], hands[k].gapUs);
        const std::uint64_t held = k > 0 ? hands[k - 1].releaseUs - hands[k - 1].pressUs : 0;
        for (std::size_t t = 0; t < std::size(kDragThresholds); ++t) {
          std::uint64_t& shortest = out.shortestGapAfterDragUs[b][t];
          if (held >= kDragThresholds[t] * 1000ull) shortest = std::min(shortest, hands[k].gapUs);
        }
      }
    }
    out.runs.push_back(std::move(judged));
    std::uint64_t pressUs[kHealthButtons] = {};
    bool down[kHealthButtons] = {};
    for (const ClickEvent& e : run.events) {
      const int b = e.button;
      if (!e.press && down[b] && e.us >= pressUs[b] && e.us - pressUs[b] < kLongestBlipUs) {
        out.shortClosuresUs[b].push_back(e.us - pressUs[b]);
      }
      down[b] = e.press;
      pressUs[b] = e.us;
    }
  }
  return out;
}

// Scores what one run showed against what the hand did, click by click.
void score(const JudgedRun& run, const std::vector<ShownClick>& shown, ReplayScore& out) {
  for (int b = 0; b < kHealthButtons; ++b) {
    const std::vector<HandClick>& hands = run.hands[b];
    std::size_t at = 0;
    for (std::size_t k = 0; k < hands.size(); ++k) {
      const std::uint64_t until = k + 1 < hands.size() ? hands[k + 1].pressUs : kNever;
      const ClickJudgement j = judgeClick(hands[k], until, shown, b, at);
      out.delayUs += j.delayUs;
      if (j.presses == 0) {
        ++out.lost;
      } else if (!j.clean() || hands[k].doubtful()) {
        ++out.doubled;
      }
    }
  }
}

ReplayScore replayRecord(const JudgedRecord& record, const RepairChoice& choice) {
  Settings settings;
  settingsOf(choice, settings);
  ReplayScore out;
  for (std::uint32_t presses : record.presses) out.presses += presses;
  out.bounces = record.bounces;
  std::vector<ShownClick> shown;
  for (const JudgedRun& run : record.runs) {
    shown.clear();
    replayRun(*run.run, settings, shown);
    score(run, shown, out);
  }
  return out;
}

// How many keys a candidate changes.
int changes(const RepairChoice& a, const RepairChoice& b) {
  return (a.clickRepair != b.clickRepair) + (a.releaseRepair != b.releaseRepair) +
         (a.clickRepair && a.clickMs != b.clickMs) +
         (a.releaseRepair && a.releaseMs != b.releaseMs) +
         (a.releaseRepair && a.guardMs != b.guardMs) + (a.blipMs != b.blipMs) +
         (a.releaseRepair && a.longGuardMs != b.longGuardMs) +
         (a.releaseRepair && a.dragMs != b.dragMs);
}

// The order of choice: within the budget, then the fewest unclean, the fewest lost, the least
// delay, the fewest keys changed.
auto rank(const ReplayScore& s, const RepairChoice& candidate, const RepairChoice& now) {
  return std::make_tuple(!s.withinBudget(), s.unclean(), s.lost, s.delayUs,
                         changes(candidate, now));
}

// Two steps of the clock the filter judges the record's intervals by. That is the performance
// counter wherever it agrees with the tick (input/input_platform.h's sinceUs): every interval of
// the grid tells apart what it seems to, at Windows' 15.6 ms tick steps as at Wine's 1 ms. Where
// the filter falls back to the tick (a record joined across a restart, a damaged one), two of
// the tick's steps: 32 ms for Windows', less where it advances every millisecond.
int shortestInterval(const std::vector<ClickRun>& runs) {
  std::int32_t step = 0;
  bool byTick = false;
  for (const ClickRun& run : runs) {
    for (std::size_t i = 1; i < run.events.size(); ++i) {
      const ClickEvent& then = run.events[i - 1];
      const ClickEvent& now = run.events[i];
      const std::int64_t since = sinceUs({now.tick, now.us}, then.tick, then.us);
      if (now.us >= then.us && since == static_cast<std::int64_t>(now.us - then.us)) continue;
      byTick = true;
      const std::int32_t gap = tickGap(now.tick, then.tick);
      if (gap > 0 && (step == 0 || gap < step)) step = gap;
    }
  }
  if (!byTick) return 0;
  return step == 0 || step >= 8 ? kShortestSuggestedMs : 2 * step;
}

// A guard's window as long as the gap before a hand's press swallows that press with the
// bounces: the windows up to 30 ms stay under the line between a bounce and a hand, the longer
// ones are offered only where the user's own record holds no hand press that soon after a
// release.
std::vector<int> guardWindows(const JudgedRecord& record, const bool (&fitted)[kHealthButtons]) {
  std::vector<int> out = {20, 25, 30};
  for (int guard : {35, 40}) {
    bool room = true;
    for (int b = 0; b < kHealthButtons; ++b) {
      room = room && (!fitted[b] || record.shortestGapUs[b] > guard * 1000ull);
    }
    if (room) out.push_back(guard);
  }
  return out;
}

// Two blip lengths with no closure of the record between them tell every closure apart alike:
// they differ only in how long a hand's press soon after a release is held back, so of each such
// run the shortest is tried, and the length in force where it is one of them.
std::vector<int> blipLengths(const JudgedRecord& record, const bool (&fitted)[kHealthButtons],
                             int now) {
  std::vector<int> out = {kBlipLengths[0], kBlipLengths[1]};
  const auto between = [&](int low, int high) {
    for (int b = 0; b < kHealthButtons; ++b) {
      for (std::uint64_t us : record.shortClosuresUs[b]) {
        if (fitted[b] && us >= low * 1000ull && us < high * 1000ull) return true;
      }
    }
    return false;
  };
  int runStart = kBlipLengths[1];  // the shortest of the lengths alike so far
  for (std::size_t i = 2; i < std::size(kBlipLengths); ++i) {
    const int length = kBlipLengths[i];
    if (between(kBlipLengths[i - 1], length)) {
      runStart = length;
      out.push_back(length);
    } else if (length == now && runStart != now) {
      out.push_back(length);
    }
  }
  return out;
}

std::vector<RepairChoice> grid(const bool (&fitted)[kHealthButtons], const RepairChoice& now,
                               int shortest, const std::vector<int>& guards,
                               const std::vector<int>& blips) {
  static const int kClick[] = {0, 16, 24, 32, 40, 48, 64, 80, 100};
  static const int kRelease[] = {0, 16, 24, 32, 40, 50, 64, 80, 100};
  std::vector<RepairChoice> out;
  for (int blip : blips) {
    for (int click : kClick) {
      for (int release : kRelease) {
        for (int guard : guards) {
          if (release == 0 && guard != guards[0]) continue;  // the guard is the release repair's
          if ((click != 0 && click < shortest) || (release != 0 && release < shortest)) continue;
          RepairChoice c;
          std::copy(fitted, fitted + kHealthButtons, c.buttons);
          c.clickRepair = click != 0;
          c.clickMs = click != 0 ? click : now.clickMs;
          c.releaseRepair = release != 0;
          c.releaseMs = release != 0 ? release : now.releaseMs;
          c.guardMs = release != 0 ? guard : now.guardMs;
          c.blipMs = blip;
          c.longGuardMs = now.longGuardMs;
          c.dragMs = now.dragMs;
          out.push_back(c);
        }
      }
    }
  }
  return out;
}

// The best candidate with the guard's window following the hold: each long-hold window with
// each drag threshold, where the user's own record holds no hand press that soon after the
// release of a hold that long (a drag's opening and a hand's quick second press look alike by
// time alone: they differ in the hold before them).
void tryLongHolds(const JudgedRecord& record, const bool (&fitted)[kHealthButtons],
                  const RepairChoice& now, ClickFit& fit, const std::atomic<bool>* stop) {
  if (!fit.best.releaseRepair) return;
  const RepairChoice base = fit.best;
  for (std::size_t t = 0; t < std::size(kDragThresholds); ++t) {
    for (int window : kLongGuardWindows) {
      if (window <= base.guardMs) continue;
      bool room = true;
      for (int b = 0; b < kHealthButtons; ++b) {
        room = room && (!fitted[b] || record.shortestGapAfterDragUs[b][t] > window * 1000ull);
      }
      if (!room) continue;
      if (stop && stop->load(std::memory_order_relaxed)) return;
      RepairChoice candidate = base;
      candidate.longGuardMs = window;
      candidate.dragMs = kDragThresholds[t];
      const ReplayScore s = replayRecord(record, candidate);
      if (rank(s, candidate, now) < rank(fit.bestScore, fit.best, now)) {
        fit.best = candidate;
        fit.bestScore = s;
      }
    }
  }
}

}  // namespace

bool operator==(const RepairChoice& a, const RepairChoice& b) {
  return std::equal(a.buttons, a.buttons + kHealthButtons, b.buttons) &&
         a.clickRepair == b.clickRepair && a.releaseRepair == b.releaseRepair &&
         a.clickMs == b.clickMs && a.releaseMs == b.releaseMs && a.guardMs == b.guardMs &&
         a.blipMs == b.blipMs && a.longGuardMs == b.longGuardMs && a.dragMs == b.dragMs;
}

RepairChoice repairChoiceOf(const Settings& settings) {
  RepairChoice c;
  for (int b = 0; b < kHealthButtons; ++b) c.buttons[b] = (settings.*kButtonChosen[b]) != 0;
  c.clickRepair = settings.clickRepair != 0;
  c.releaseRepair = settings.releaseRepair != 0;
  c.clickMs = settings.clickInterval;
  c.releaseMs = settings.releaseInterval;
  c.guardMs = settings.holdGuardInterval;
  c.blipMs = settings.blipLength;
  c.longGuardMs = settings.longHoldGuardInterval;
  c.dragMs = settings.dragThreshold;
  return c;
}

std::vector<SettingValue> choiceValues(const RepairChoice& choice) {
  using K = SettingKey;
  std::vector<SettingValue> values;
  for (MouseButton button : kMouseButtons) {
    if (choice.buttons[static_cast<int>(button)]) values.push_back({chosenSetting(button), 1});
  }
  values.push_back({K::clickRepair, choice.clickRepair});
  values.push_back({K::releaseRepair, choice.releaseRepair});
  if (choice.clickRepair) values.push_back({K::clickInterval, choice.clickMs});
  if (choice.releaseRepair) {
    values.push_back({K::releaseInterval, choice.releaseMs});
    values.push_back({K::holdGuard, choice.guardMs});
    // Set by the fit alone: a choice without one leaves the user's as it is.
    if (choice.longGuardMs != 0) {
      values.push_back({K::longHoldGuard, choice.longGuardMs});
      values.push_back({K::dragThreshold, choice.dragMs});
    }
  }
  values.push_back({K::blipLength, choice.blipMs});
  return values;
}

std::vector<ShownClick> replayShown(const ClickRun& run, const RepairChoice& choice) {
  Settings settings;
  settingsOf(choice, settings);
  std::vector<ShownClick> shown;
  replayRun(run, settings, shown);
  return shown;
}

ClickFit fitClicks(const std::vector<ClickRun>& runs, const RepairChoice& now,
                   const bool (&matters)[kHealthButtons], const std::atomic<bool>* stop) {
  ClickFit fit;
  const JudgedRecord record = judgeRecord(runs, now.blipMs);
  fit.now = replayRecord(record, now);
  // Only the buttons that matter count towards enough.
  for (int b = 0; b < kHealthButtons; ++b) fit.presses += matters[b] ? record.presses[b] : 0;
  if (fit.presses < kFitMinimumPresses) return fit;

  // Each candidate chooses the buttons that matter and keeps those chosen now.
  bool fitted[kHealthButtons] = {};
  for (int b = 0; b < kHealthButtons; ++b) fitted[b] = matters[b] || now.buttons[b];
  bool any = false;
  for (const RepairChoice& candidate :
       grid(fitted, now, shortestInterval(runs), guardWindows(record, fitted),
            blipLengths(record, fitted, now.blipMs))) {
    if (stop && stop->load(std::memory_order_relaxed)) return fit;
    const ReplayScore s = replayRecord(record, candidate);
    if (!any || rank(s, candidate, now) < rank(fit.bestScore, fit.best, now)) {
      fit.best = candidate;
      fit.bestScore = s;
    }
    const auto byDoubled = [](const ReplayScore& x) {
      return std::make_tuple(x.doubled, x.lost, x.delayUs);
    };
    if (!any || byDoubled(s) < byDoubled(fit.fewestDoubledScore)) {
      fit.fewestDoubled = candidate;
      fit.fewestDoubledScore = s;
    }
    any = true;
  }
  if (any) tryLongHolds(record, fitted, now, fit, stop);
  // Worth telling when the best leaves 2 % of the presses doubled and another would halve that.
  fit.tradeOff = static_cast<std::uint64_t>(fit.bestScore.doubled) * 50 >= fit.bestScore.presses &&
                 fit.fewestDoubledScore.doubled * 2 <= fit.bestScore.doubled;
  // Fewer unclean, or as few for less delay: what only adds delay is no improvement.
  const auto key = [](const ReplayScore& s) {
    return std::make_tuple(!s.withinBudget(), s.unclean(), s.lost, s.delayUs);
  };
  fit.outcome = fit.bestScore.withinBudget() && key(fit.bestScore) < key(fit.now)
                    ? ClickFit::better
                    : ClickFit::nothing;
  return fit;
}
