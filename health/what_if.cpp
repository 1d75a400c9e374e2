#include "health/what_if.h"

#include <algorithm>
#include <cstdint>
#include <tuple>

#include "input/input_filter.h"
#include "input/null_platform.h"
#include "settings/settings.h"

// A choice's buttons are the settings' [设备选择] flags, by device.
static_assert(kHealthButtons == kButtonCount);

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

// The hook's event for a recorded one: the message, and for a side button which one.
MouseEvent eventOf(const ClickEvent& e) {
  using namespace mouse_message;
  static const std::uint32_t kDown[kHealthButtons] = {leftDown, rightDown, middleDown, xButtonDown,
                                                      xButtonDown};
  static const std::uint32_t kData[kHealthButtons] = {0, 0, 0, xButton1Data << 16,
                                                      xButton2Data << 16};
  const int b = e.button;  // the record holds buttons 0..kHealthButtons - 1 alone
  // Each button's up message follows its down message.
  return {0, kDown[b] + (e.press ? 0u : 1u), 0, 0, kData[b], e.tick};
}

void settingsOf(const RepairChoice& choice, Settings& s) {
  s.clickRepair = choice.clickRepair;
  s.releaseRepair = choice.releaseRepair;
  s.scrollRepair = 0;
  for (int b = 0; b < kHealthButtons; ++b) s.*kButtonChosen[b] = choice.buttons[b];
  s.wheelPassThrough = 0;
  s.volumeControl = 0;
  s.gestures = 0;
  s.clickInterval = choice.clickMs;
  s.releaseInterval = choice.releaseMs;
  s.holdGuardInterval = choice.guardMs;
}

// One run through a fresh filter.
void replayRun(const ClickRun& run, const Settings& settings, std::vector<ShownClick>& shown) {
  FilterState state;
  GestureTracker gesture;
  ReplayDesktop desktop;
  desktop.shown = &shown;
  InputFilter filter(settings, state, gesture, desktop);
  std::uint64_t lastUs = 0;
  std::uint32_t lastTick = 0;
  // A wake-up due at a tick is a time after the latest event by as many milliseconds, and never
  // later than the next event (a coarse tick may put it past it).
  const auto fireTimerBefore = [&](const ClickEvent* next) {
    while (desktop.timerPending && (!next || tickGap(next->tick, desktop.timerTick) > 0)) {
      desktop.timerPending = false;
      desktop.tickNow = desktop.timerTick;
      const std::int32_t after = tickGap(desktop.timerTick, lastTick);
      desktop.nowUs = lastUs + static_cast<std::uint64_t>(after > 0 ? after : 0) * 1000;
      if (next && next->us < desktop.nowUs) desktop.nowUs = std::max(lastUs, next->us);
      filter.onTimer({desktop.timerTick, desktop.nowUs});
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

bool isBounce(std::uint64_t us, std::uint64_t releaseUs, bool released) {
  return released && us >= releaseUs && us - releaseUs < kBounceUs;
}
bool isDoubtful(std::uint64_t us, std::uint64_t releaseUs, bool released) {
  return released && us >= releaseUs && us - releaseUs >= kDoubtUs && us - releaseUs < kBounceUs;
}

// Scores what one run showed against what the hand did, click by click: each hand press owns
// what was shown of its button from it up to the next hand press.
void score(const ClickRun& run, const std::vector<ShownClick>& shown, ReplayScore& out) {
  bool present[kHealthButtons] = {};
  for (const ClickEvent& e : run.events) present[e.button] = true;
  for (int b = 0; b < kHealthButtons; ++b) {
    if (!present[b]) continue;
    struct Hand {
      std::uint64_t pressUs, releaseUs;
      bool doubtful;
    };
    std::vector<Hand> hands;
    std::vector<std::uint64_t> releases;  // every release of the button, for the delay
    std::uint64_t releaseUs = 0;
    bool released = false;
    for (const ClickEvent& e : run.events) {
      if (e.button != b) continue;
      if (!e.press) {
        releaseUs = e.us;
        released = true;
        releases.push_back(e.us);
        if (!hands.empty()) hands.back().releaseUs = e.us;
      } else if (isDoubtful(e.us, releaseUs, released)) {
        hands.push_back({e.us, UINT64_MAX, true});
      } else if (isBounce(e.us, releaseUs, released)) {
        ++out.bounces;
      } else {
        hands.push_back({e.us, UINT64_MAX, false});
      }
    }
    out.presses += static_cast<std::uint32_t>(hands.size());
    std::size_t at = 0, release = 0;
    for (std::size_t k = 0; k < hands.size(); ++k) {
      const std::uint64_t until = k + 1 < hands.size() ? hands[k + 1].pressUs : UINT64_MAX;
      int presses = 0;
      bool early = false;
      for (; at < shown.size() && shown[at].us < until; ++at) {
        const ShownClick& s = shown[at];
        if (s.button != b) continue;
        if (s.press) {
          if (s.us >= hands[k].pressUs) ++presses;
          continue;
        }
        if (presses > 0 && s.us < hands[k].releaseUs) early = true;
        // Held back: shown later than the switch let go.
        while (release < releases.size() && releases[release] <= s.us) ++release;
        if (release > 0) out.delayUs += s.us - releases[release - 1];
      }
      if (presses == 0) ++out.lost;
      if (presses > 1 || early || (presses > 0 && hands[k].doubtful)) ++out.doubled;
    }
  }
}

// How many keys a candidate changes.
int changes(const RepairChoice& a, const RepairChoice& b) {
  return (a.clickRepair != b.clickRepair) + (a.releaseRepair != b.releaseRepair) +
         (a.clickRepair && a.clickMs != b.clickMs) +
         (a.releaseRepair && a.releaseMs != b.releaseMs) +
         (a.releaseRepair && a.guardMs != b.guardMs);
}

// The order of choice: within the budget, then the fewest doubled, then the fewest lost, then
// the least delay, then the fewest keys changed.
auto rank(const ReplayScore& s, const RepairChoice& candidate, const RepairChoice& now) {
  return std::make_tuple(!s.withinBudget(), s.doubled, s.lost, s.delayUs, changes(candidate, now));
}

// Two steps of the clock the record's ticks advance by: 32 ms for Windows' 15.6 ms steps, less
// where the tick counter advances every millisecond (Wine). An interval shorter than that tells
// apart less than it seems to.
int shortestInterval(const std::vector<ClickRun>& runs) {
  std::int32_t step = 0;
  for (const ClickRun& run : runs) {
    for (std::size_t i = 1; i < run.events.size(); ++i) {
      const std::int32_t gap = tickGap(run.events[i].tick, run.events[i - 1].tick);
      if (gap > 0 && (step == 0 || gap < step)) step = gap;
    }
  }
  return step == 0 || step >= 8 ? kShortestSuggestedMs : 2 * step;
}

std::vector<RepairChoice> grid(const bool (&matters)[kHealthButtons], const RepairChoice& now,
                               int shortest) {
  static const int kClick[] = {0, 16, 24, 32, 40, 48, 64, 80, 100};
  static const int kRelease[] = {0, 16, 24, 32, 40, 50, 64, 80, 100};
  // A guard's window reaching the line between a bounce and a hand would swallow the fastest
  // double clicks with the bounces.
  static const int kGuard[] = {20, 25, 30};
  std::vector<RepairChoice> out;
  for (int click : kClick) {
    for (int release : kRelease) {
      for (int guard : kGuard) {
        if (release == 0 && guard != kGuard[0]) continue;  // the guard is the release repair's
        if ((click != 0 && click < shortest) || (release != 0 && release < shortest)) continue;
        RepairChoice c;
        for (int b = 0; b < kHealthButtons; ++b) c.buttons[b] = matters[b] || now.buttons[b];
        c.clickRepair = click != 0;
        c.clickMs = click != 0 ? click : now.clickMs;
        c.releaseRepair = release != 0;
        c.releaseMs = release != 0 ? release : now.releaseMs;
        c.guardMs = guard;
        out.push_back(c);
      }
    }
  }
  return out;
}

}  // namespace

bool operator==(const RepairChoice& a, const RepairChoice& b) {
  return std::equal(a.buttons, a.buttons + kHealthButtons, b.buttons) &&
         a.clickRepair == b.clickRepair && a.releaseRepair == b.releaseRepair &&
         a.clickMs == b.clickMs && a.releaseMs == b.releaseMs && a.guardMs == b.guardMs;
}

RepairChoice repairChoiceOf(const Settings& settings) {
  RepairChoice c;
  for (int b = 0; b < kHealthButtons; ++b) c.buttons[b] = (settings.*kButtonChosen[b]) != 0;
  c.clickRepair = settings.clickRepair != 0;
  c.releaseRepair = settings.releaseRepair != 0;
  c.clickMs = settings.clickInterval;
  c.releaseMs = settings.releaseInterval;
  c.guardMs = settings.holdGuardInterval;
  return c;
}

std::vector<ShownClick> replayShown(const ClickRun& run, const RepairChoice& choice) {
  Settings settings;
  settingsOf(choice, settings);
  std::vector<ShownClick> shown;
  replayRun(run, settings, shown);
  return shown;
}

ReplayScore replayClicks(const std::vector<ClickRun>& runs, const RepairChoice& choice) {
  Settings settings;
  settingsOf(choice, settings);
  ReplayScore out;
  std::vector<ShownClick> shown;
  for (const ClickRun& run : runs) {
    shown.clear();
    replayRun(run, settings, shown);
    score(run, shown, out);
  }
  return out;
}

ClickFit fitClicks(const std::vector<ClickRun>& runs, const RepairChoice& now,
                   const bool (&matters)[kHealthButtons]) {
  ClickFit fit;
  fit.now = replayClicks(runs, now);
  // Only the buttons that matter count towards enough.
  std::uint32_t presses = 0;
  for (const ClickRun& run : runs) {
    std::uint64_t releaseUs[kHealthButtons] = {};
    bool released[kHealthButtons] = {};
    for (const ClickEvent& e : run.events) {
      if (!e.press) {
        releaseUs[e.button] = e.us;
        released[e.button] = true;
      } else if (matters[e.button] && !isBounce(e.us, releaseUs[e.button], released[e.button])) {
        ++presses;
      }
    }
  }
  if (presses < kFitMinimumPresses) return fit;

  bool any = false;
  for (const RepairChoice& candidate : grid(matters, now, shortestInterval(runs))) {
    const ReplayScore s = replayClicks(runs, candidate);
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
  // Worth telling when the best leaves 2 % of the presses doubled and another would halve that.
  fit.tradeOff = static_cast<std::uint64_t>(fit.bestScore.doubled) * 50 >= fit.bestScore.presses &&
                 fit.fewestDoubledScore.doubled * 2 <= fit.bestScore.doubled;
  const auto key = [](const ReplayScore& s) {
    return std::make_tuple(!s.withinBudget(), s.doubled, s.lost);
  };
  fit.outcome = key(fit.bestScore) < key(fit.now) ? ClickFit::better : ClickFit::nothing;
  return fit;
}
