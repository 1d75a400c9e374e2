// When is the hook presumed lost: event sequences of raw input (R) and hook calls (H) in ticks.
#include "input/hook_watchdog.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct WatchdogRun {
  HookWatchdog dog;
  HookProgress hook;
  std::vector<std::uint32_t> reinstalls;

  void hookCall(std::uint32_t t) {
    ++hook.calls;
    hook.latestEventTime = t;
  }
  bool raw(std::uint32_t t) { return dog.onRawInput(t, hook); }

  // Raw input every `step` ms from `from` to `to`; with hook calls when `hooked`.
  void input(std::uint32_t from, std::uint32_t to, std::uint32_t step, bool hooked,
             bool reinstallHelps = false) {
    const std::uint32_t steps = (to - from) / step;  // wraps like the ticks do
    for (std::uint32_t i = 0, t = from; i < steps; ++i, t += step) {
      if (hooked) hookCall(t);
      if (raw(t)) {
        reinstalls.push_back(t);
        dog.onReinstalled(t);
        if (reinstallHelps) hooked = true;
      }
    }
  }
};

TEST(HookWatchdog, SteadyInputWithHookCallsChangesNothing) {
  WatchdogRun run;
  run.input(1000, 61000, 8, true);
  EXPECT_TRUE(run.reinstalls.empty());
}

TEST(HookWatchdog, RawInputWithoutHookCallsReinstallsOnceWhenThatHelps) {
  WatchdogRun run;
  run.input(1000, 2000, 10, true);
  run.input(2000, 10000, 10, false, true);
  EXPECT_EQ(run.reinstalls, std::vector<std::uint32_t>{2490})
      << "500 ms of input after the last hook call at 1990";
}

// The main thread takes its raw input late, in batches, and the system may queue an event's raw
// input a moment before it calls the hook: neither is a lost hook.
TEST(HookWatchdog, RawInputReadLateOrAheadOfItsHookCallIsNoSilence) {
  WatchdogRun run;
  for (std::uint32_t t = 1000; t < 1040; ++t) run.hookCall(t);
  // Read 50 ms late, in one batch, then a pause and one event ahead of its hook call: the
  // watchdog of old re-installed here.
  for (std::uint32_t t = 1000; t < 1040; ++t) EXPECT_FALSE(run.raw(t)) << t;
  EXPECT_FALSE(run.raw(1600));
  run.hookCall(1600);
  // Steady input whose raw side is always one event ahead of the hook.
  for (std::uint32_t t = 1610; t < 5000; t += 10) {
    EXPECT_FALSE(run.raw(t)) << t;
    run.hookCall(t);
  }
}

TEST(HookWatchdog, NoInputAtAllChangesNothing) {
  WatchdogRun run;
  run.input(1000, 1100, 8, true);
  // An hour of silence, then the hook is called again with the first moves.
  run.input(3601000, 3602000, 8, true);
  EXPECT_TRUE(run.reinstalls.empty());
}

TEST(HookWatchdog, FewStrayRawEventsAreNotEnough) {
  WatchdogRun run;
  // Nine raw events spread over seconds without a hook call: not enough input to judge.
  for (std::uint32_t t = 1000; t < 10000; t += 1000) {
    EXPECT_FALSE(run.raw(t));
  }
}

TEST(HookWatchdog, ReinstallThatDoesNotHelpBacksOff) {
  WatchdogRun run;
  run.input(0, 200000, 10, false);
  ASSERT_FALSE(run.reinstalls.empty());
  EXPECT_EQ(run.reinstalls[0], 500u);
  std::vector<std::uint32_t> waits;
  for (std::size_t i = 1; i < run.reinstalls.size(); ++i) {
    waits.push_back(run.reinstalls[i] - run.reinstalls[i - 1]);
  }
  // 1 s, 2 s, 4 s ... capped at a minute: nine re-installs in 200 s of input, not a storm.
  EXPECT_EQ(waits,
            (std::vector<std::uint32_t>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000}));
}

TEST(HookWatchdog, HookCallsResetTheBackOff) {
  WatchdogRun run;
  run.input(0, 2000, 10, false);    // re-installs at 500 and 1500 bring nothing back
  run.input(2000, 3000, 10, true);  // then the hook works again
  run.input(3000, 5000, 10, false);
  EXPECT_EQ(run.reinstalls, (std::vector<std::uint32_t>{500, 1500, 3490, 4490}))
      << "judged afresh once the hook had come back, then 1 s of back-off again";
}

TEST(HookWatchdog, TickWrapAround) {
  WatchdogRun run;
  run.input(0xFFFFFE00u, 0x00000400u, 8, false, true);
  ASSERT_EQ(run.reinstalls.size(), 1u);
  EXPECT_EQ(run.reinstalls[0], 0xFFFFFE00u + 504u);
}

}  // namespace
