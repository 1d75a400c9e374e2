// The press and release filters walked as timelines of (tick, event) -> decision: the verdict, and
// how many events the repairs swallowed with it.
#include <gtest/gtest.h>

#include "input/input_filter.h"
#include "input/own_input.h"
#include "tests/input/fake_platform.h"

namespace {

using namespace mouse_message;
using namespace side_button;
constexpr std::uint32_t hookInstalledAgain = 0;  // a step that calls forgetButtonStates

struct Step {
  std::uint32_t tick;
  std::uint32_t message;
  Decision expected;
  std::int32_t code = 0;
};

using Delivered = std::pair<std::uint32_t, std::uint32_t>;  // tick, message

struct Timeline {
  const char* name;
  std::vector<Step> steps;
  std::vector<std::string> lines;  // debug lines expected, in order
  std::vector<Delivered> delivered = {};
  std::uint32_t wakeUpLateBy = 0;  // the desktop's timer runs this much after the tick asked for
  int refusals = 0;                // deliveries the system refuses first
};

struct Moment {  // times in ms by the performance counter
  double ms;
  std::uint32_t message;
  Decision expected;
  double own = -1;               // when it happened, if the hook saw it later
  bool whileDelivering = false;  // the hook is asked while a wake-up's delivery waits
};
struct BlipTimeline {
  const char* name;
  std::vector<Moment> steps;
  std::vector<std::string> lines;                                // the value of a tick gap left out
  std::vector<std::pair<double, std::uint32_t>> delivered = {};  // each no sooner than this
};

class ButtonFilter : public FilterFixture {
 protected:
  ButtonFilter() { settings.blipLength = 0; }  // the blip rule has a table of its own

  // Plays the desktop: each wake-up asked for runs onTimer when due (plus the lateness), and
  // the timeline ends with every wake-up still asked for.
  void run(const Timeline& t, std::uint32_t firstCall = 0) {
    SCOPED_TRACE(t.name);
    state = FilterState{};
    platform = FakeInputPlatform{};
    platform.refusals = t.refusals;
    std::vector<Delivered> delivered;
    bool waking = false;
    std::uint32_t wakeAt = 0;
    auto after = [&](std::uint32_t tick) {
      for (std::uint32_t m : platform.delivered) delivered.push_back({tick, m});
      if (!platform.wakeRequests.empty()) {
        waking = true;
        wakeAt = tick + platform.wakeRequests.back() + t.wakeUpLateBy;
      }
      platform.delivered.clear();
      platform.wakeRequests.clear();
    };
    auto wakeUntil = [&](std::uint32_t tick, bool all) {
      while (waking && (all || tickGap(tick, wakeAt) >= 0)) {
        waking = false;
        filter.onTimer(atTick(wakeAt, firstCall));
        after(wakeAt);
      }
    };
    // The hook's first call, an event before the timeline's.
    EXPECT_EQ(filter.decide({0, move, 0, 0, 0}, atTick(firstCall, firstCall)), P);
    for (std::size_t i = 0; i < t.steps.size(); ++i) {
      const Step& s = t.steps[i];
      SCOPED_TRACE("step " + std::to_string(i) + " at tick " + std::to_string(s.tick));
      wakeUntil(s.tick, false);
      if (s.message == hookInstalledAgain) {
        filter.forgetButtonStates();
        after(s.tick);
        continue;
      }
      // A side button's step names it in the message's high word, where the hook has mouse data.
      const MouseEvent event{s.code, s.message & 0xFFFFu, 10, 10, s.message & 0xFFFF0000u};
      EXPECT_EQ(filter.decide(event, atTick(s.tick, firstCall)), s.expected);
      after(s.tick);
    }
    wakeUntil(0, true);
    EXPECT_EQ(platform.lines, t.lines);
    EXPECT_EQ(delivered, t.delivered);
    EXPECT_TRUE(platform.posted.empty());
    EXPECT_TRUE(platform.commands.empty());
  }

  // Ticks step every `stepUs`; the timer fires at the first step reaching the tick asked for, as
  // Windows' does (up to a step early). Nothing goes out early, nor a step (+1 ms) late.
  void run(const BlipTimeline& t, std::uint64_t stepUs) {
    SCOPED_TRACE(std::string(t.name) + ", tick steps of " + std::to_string(stepUs) + " us");
    state = FilterState{};
    platform = FakeInputPlatform{};
    const auto clocks = [stepUs](std::uint64_t us) {
      return ClockReading{static_cast<std::uint32_t>(us / stepUs * stepUs / 1000), us};
    };
    const auto at = [](double ms) { return static_cast<std::uint64_t>(1e6 + ms * 1000 + 0.5); };
    std::vector<std::pair<std::uint64_t, std::uint32_t>> delivered;
    std::uint64_t wakeUs = UINT64_MAX;
    const auto call = [&](std::uint64_t us, const Moment* m) {
      if (m) {
        const std::uint32_t own = clocks(at(m->own < 0 ? m->ms : m->own)).tick;
        const auto x = m->message == move ? static_cast<std::int32_t>(m->ms) : 10;  // where it went
        EXPECT_EQ(filter.decide({0, m->message, x, 10, 0, own}, clocks(us)), m->expected);
      } else {
        wakeUs = UINT64_MAX;
        filter.onTimer(clocks(us));
      }
      for (std::uint32_t message : platform.delivered) delivered.push_back({us, message});
      for (std::uint32_t ms : platform.wakeRequests) {
        wakeUs = ((clocks(us).tick + ms) * std::uint64_t{1000} + stepUs - 1) / stepUs * stepUs;
      }
      platform.delivered.clear();
      platform.wakeRequests.clear();
    };
    filter.decide({0, move, 0, 0, 0}, clocks(at(-500)));
    for (std::size_t i = 0; i <= t.steps.size(); ++i) {
      const std::uint64_t us = i < t.steps.size() ? at(t.steps[i].ms) : UINT64_MAX - 1;
      SCOPED_TRACE("step " + std::to_string(i));
      const bool nested = i < t.steps.size() && t.steps[i].whileDelivering;
      if (nested) platform.whileDelivering = [&, us, i] { call(us, &t.steps[i]); };
      while (wakeUs <= us) call(wakeUs, nullptr);
      EXPECT_FALSE(std::exchange(platform.whileDelivering, nullptr)) << "nothing was delivered";
      if (i < t.steps.size() && !nested) call(us, &t.steps[i]);
    }
    for (std::string& l : platform.lines) {
      if (l.rfind("Contact", 0) != 0) l.resize(l.find('\t'));
    }
    EXPECT_EQ(platform.lines, t.lines);
    ASSERT_EQ(delivered.size(), t.delivered.size());
    for (std::size_t i = 0; i < delivered.size(); ++i) {
      const std::uint64_t due = at(t.delivered[i].first);
      EXPECT_EQ(delivered[i].second, t.delivered[i].second) << i;
      EXPECT_TRUE(delivered[i].first >= due && delivered[i].first <= due + stepUs + 1000) << i;
    }
  }
};

// A click whose release, `gap` ms after its press, is held and let go at press + interval.
Timeline heldClick(const char* name, std::uint32_t gap) {
  return {name,
          {{1000, leftDown, P}, {1000 + gap, leftUp, S}},
          {"ReleaseTime:\t" + std::to_string(gap) + "\n"},
          {{1050, leftUp}}};
}

// A click, then a press 90 ms after the last that the press filter swallows; the hand holds it.
std::vector<Step> swallowedPressThen(const std::vector<Step>& steps) {
  std::vector<Step> all = {{1000, leftDown, P}, {1060, leftUp, P}, {1090, leftDown, S1}};
  all.insert(all.end(), steps.begin(), steps.end());
  return all;
}

TEST_F(ButtonFilter, LeftButtonChosen) {
  settings.leftButton = 1;
  const Timeline timelines[] = {
      {"chattering click",
       {{1000, leftDown, P}, {1030, leftUp, S}, {1040, leftDown, S2}, {1200, leftUp, P}},
       {"ReleaseTime:\t30\n", "ClickTime:\t40\n"}},
      {"worked sequence",
       {{1000, leftDown, P}, {1020, leftUp, S}, {1035, leftDown, S2}, {1200, leftUp, P}},
       {"ReleaseTime:\t20\n", "ClickTime:\t35\n"}},
      {"press boundary 99/100",
       {{1000, leftDown, P}, {1099, leftDown, S1}, {1199, leftDown, P}},
       {"ClickTime:\t99\n"}},
      {"a burst renews the stamp each time",
       {{1000, leftDown, P}, {1040, leftDown, S1}, {1090, leftDown, S1}, {1300, leftDown, P}},
       {"ClickTime:\t40\n", "ClickTime:\t50\n"}},
      heldClick("release 2 ms after the press is held like any bounce", 2),
      heldClick("a bounce 3 ms after the press is let go at press + interval", 3),
      {"a release late in the interval is held for the guard's window",
       {{1000, leftDown, P}, {1040, leftUp, S}},
       {"ReleaseTime:\t40\n"},
       {{1060, leftUp}}},
      {"a 30 ms click without bounce is let go on the timer",
       {{1000, leftDown, P}, {1030, leftUp, S}, {1200, leftDown, P}},
       {"ReleaseTime:\t30\n"},
       {{1050, leftUp}}},
      {"the real release soon after a bounce press is let go",
       {{1000, leftDown, P}, {1030, leftUp, S}, {1040, leftDown, S2}, {1045, leftUp, S}},
       {"ReleaseTime:\t30\n", "ClickTime:\t40\n", "ReleaseTime:\t5\n"},
       {{1090, leftUp}}},
      {"a press after a late wake-up goes out behind the held release",
       {{1000, leftDown, P}, {1030, leftUp, S}, {1100, leftDown, S}, {1300, leftUp, P}},
       {"ReleaseTime:\t30\n"},
       {{1100, leftUp}, {1100, leftDown}},
       70},
      {"a release the system refuses is tried again at the next wake-up",
       {{1000, leftDown, P}, {1030, leftUp, S}},
       {"ReleaseTime:\t30\n"},
       {{1051, leftUp}},
       0,
       1},
      {"the release of a swallowed press is swallowed too",
       swallowedPressThen({{1200, leftUp, S}}),
       {"ClickTime:\t90\n"}},
      {"two releases in a row: the held one stands for both",
       {{1000, leftDown, P}, {1030, leftUp, S}, {1035, leftUp, S1}},
       {"ReleaseTime:\t30\n"},
       {{1050, leftUp}}},
      {"a release whose press the hook never saw passes",
       {{1000, leftDown, P}, {1060, leftUp, P}, {1300, leftUp, P}},
       {}},
      {"after the hook is installed again the release of a swallowed press passes",
       swallowedPressThen({{1100, hookInstalledAgain, P}, {1200, leftUp, P}}),
       {"ClickTime:\t90\n"}},
      {"release 50 ms after the press passes", {{1000, leftDown, P}, {1050, leftUp, P}}, {}},
      {"a bounce inside one tick keeps the button down",
       {{1000, leftDown, P}, {1000, leftUp, S}, {1000, leftDown, S2}, {1200, leftUp, P}},
       {"ReleaseTime:\t0\n", "ClickTime:\t0\n"}},
      heldClick("a quick click inside one tick arrives whole", 0),
      {"right button is not chosen",
       {{1000, rightDown, P}, {1010, rightDown, P}, {1012, rightUp, P}},
       {}},
      {"hook codes other than 0 pass unexamined",
       {{1000, leftDown, P}, {1010, leftDown, P, 3}, {1020, leftUp, P, -1}},
       {}},
      {"middle button and horizontal wheel pass",
       {{1000, middleDown, P}, {1001, middleDown, P}, {1002, horizontalWheel, P}},
       {}},
  };
  for (const Timeline& t : timelines) run(t);
  Timeline told = timelines[0];
  settings.debugMode = 1;  // each change of phase told too
  told.lines = {"Button phase:\tleft unknown -> down\n",     "ReleaseTime:\t30\n",
                "Button phase:\tleft down -> releaseHeld\n", "ClickTime:\t40\n",
                "Button phase:\tleft releaseHeld -> down\n", "Button phase:\tleft down -> up\n"};
  run(told);
  settings.debugMode = 0;
  settings.releaseInterval = 100;
  run({"a double click of 70 ms presses 140 ms apart stays two clicks",
       {{1000, leftDown, P}, {1070, leftUp, S}, {1140, leftDown, P}, {1210, leftUp, S}},
       {"ReleaseTime:\t70\n", "ReleaseTime:\t70\n"},
       {{1100, leftUp}, {1240, leftUp}}});
  settings.volumeKey = vk::rightButton;  // 快捷键=5
  run({"a held-back right press goes out as a click when the hook is installed again",
       {{1000, rightDown, S},
        {1100, hookInstalledAgain, P},
        {2000, rightDown, S},
        {2100, rightUp, S}},
       {},
       {{1100, rightDown}, {1100, rightUp}, {2100, rightDown}, {2100, rightUp}}});
  settings.blipLength = 10;
  run({"a timed press goes out as a click when the hook is installed again",
       {{1000, leftDown, P}, {1100, leftUp, P}, {1120, leftDown, S}, {1125, hookInstalledAgain, P}},
       {},
       {{1125, leftDown}, {1125, leftUp}}});
  settings.volumeKey = vk::leftButton;  // 快捷键=6
  settings.middleButton = 1;
  run({"a volume notch lets what waited go, and a held release that is due with it",
       {{1000, leftDown, P},
        {1050, middleDown, P},
        {1100, leftUp, P},
        {1120, leftDown, S},
        {1123, middleUp, S},
        {1124, rightDown, S},
        {1180, wheel | 120u << 16, S}},
       {"Reverse Roller:\t1180\n", "ReleaseTime:\t73\n", "Wheel direction:\t120\n"},
       {{1180, leftDown}, {1180, rightDown}, {1180, middleUp}},
       70});
}

// A click right after logon is the first event the hook sees: nothing came before it to bounce.
TEST_F(ButtonFilter, TheFirstPressTheHookSeesPasses) {
  settings.leftButton = 1;
  run({"the first press the hook sees passes", {{99, leftDown, P}}, {}});
  run({"press 100 ms after the hook's first call", {{100, leftDown, P}}, {}});
  run({"a release before any press passes", {{20, leftUp, P}}, {}});
}

TEST_F(ButtonFilter, BothButtonsShareOneStamp) {
  settings.leftButton = 1;
  settings.rightButton = 1;
  // The right press was swallowed, so its release is too.
  run({"left then right within the interval",
       {{1000, leftDown, P}, {1050, rightDown, S1}, {1060, rightUp, S}, {1200, rightDown, P}},
       {"ClickTime:\t50\n", "ReleaseTime:\t10\n"}});
  run({"a left release soon after a right press is held, not lost",
       {{1000, leftDown, P}, {1200, rightDown, P}, {1220, leftUp, S}, {1400, rightUp, P}},
       {"ReleaseTime:\t20\n"},
       {{1250, leftUp}}});
}

TEST_F(ButtonFilter, DefaultsSwallowNoButtonEvent) {
  run({"no device chosen",
       {{1000, leftDown, P},
        {1001, leftDown, P},
        {1004, leftUp, P},
        {1005, rightDown, P},
        {1008, rightUp, P}},
       {}});
}

TEST_F(ButtonFilter, RepairsSwitchedOff) {
  settings.leftButton = 1;
  settings.clickRepair = 0;
  // Each press is stamped all the same, so releases are measured from the last one.
  run({"press repair off",
       {{1000, leftDown, P}, {1010, leftDown, P}, {1030, leftUp, S}},
       {"ReleaseTime:\t20\n"},
       {{1060, leftUp}}});
  run({"press repair off, release soon after the first call",
       {{10, leftDown, P}, {20, leftUp, S}},
       {"ReleaseTime:\t10\n"},
       {{60, leftUp}}});
  settings.clickRepair = 1;
  settings.releaseRepair = 0;
  run({"release repair off", {{1000, leftDown, P}, {1010, leftUp, P}}, {}});
}

TEST_F(ButtonFilter, TickWrapAroundIsASmallGap) {
  settings.leftButton = 1;
  run({"press across 2^32",
       {{0xFFFFFF00u, leftDown, P},
        {0xFFFFFF20u, leftUp, S},
        {0x00000010u, leftDown, P},
        {0x00000050u, leftDown, S1}},
       {"ReleaseTime:\t32\n", "ClickTime:\t64\n"},
       {{0xFFFFFF34u, leftUp}}},
      0xFFFFF000u);
}

TEST_F(ButtonFilter, HoldGuard) {
  settings.leftButton = 1;
  settings.rightButton = 1;
  // A drag whose switch opens for 5 ms: the drop waits for it, it is swallowed, and it arms
  // the left guard.
  auto armedThen = [](std::vector<Step> steps) {
    steps.insert(steps.begin(), {{1000, leftDown, P}, {5000, leftUp, S}, {5005, leftDown, S2}});
    return steps;
  };
  const std::string opened = "Hold guard:\t5\n", armed = "Hold guard armed:\t5\n";
  const Timeline timelines[] = {
      {"the drag ends", armedThen({{9000, leftUp, S}}), {opened, armed}, {{9020, leftUp}}},
      {"later bounces are swallowed",
       armedThen({{6000, leftUp, S},
                  {6004, leftDown, S2},
                  {6500, leftUp, S},
                  {6516, leftDown, S2},
                  {9000, leftUp, S}}),
       {opened, armed, "Hold guard:\t4\n", "Hold guard:\t16\n"},
       {{9020, leftUp}}},
      {"a click and a double click arrive whole",
       armedThen({{6000, leftUp, S},
                  {7000, leftDown, P},
                  {7060, leftUp, S},
                  {7150, leftDown, P},
                  {7210, leftUp, S}}),
       {opened, armed},
       {{6020, leftUp}, {7080, leftUp}, {7230, leftUp}}},
      {"a bounce the release filter sees keeps its longer hold",
       armedThen({{5030, leftUp, S}}),
       {opened, armed, "ReleaseTime:\t25\n"},
       {{5055, leftUp}}},
      {"the right button is untouched",
       armedThen({{6000, rightDown, P}, {6100, rightUp, P}, {9000, leftUp, S}}),
       {opened, armed},
       {{9020, leftUp}}},
  };
  for (const Timeline& t : timelines) run(t);
  // 保护间隔 35: openings of 30 ms arm the guard, and each release waits 35 ms.
  settings.holdGuardInterval = 35;
  run({"a longer window",
       {{1000, leftDown, P}, {5000, leftUp, S}, {5030, leftDown, P}, {9000, leftUp, S}},
       {"Hold guard armed:\t30\n"},
       {{5010, leftUp}, {9035, leftUp}}});
}

// The middle and side buttons are repaired as the left is, each from its own press stamp: a press
// of another button is never its bounce.
TEST_F(ButtonFilter, MiddleAndSideButtons) {
  settings.leftButton = settings.middleButton = settings.xButton1 = 1;
  const Timeline timelines[] = {
      {"the real release soon after a middle bounce press is let go",
       {{1000, middleDown, P}, {1030, middleUp, S}, {1040, middleDown, S2}, {1045, middleUp, S}},
       {"ReleaseTime:\t30\n", "ClickTime:\t40\n", "ReleaseTime:\t5\n"},
       {{1090, middleUp}}},
      {"a back press after a late wake-up goes out behind the held release",
       {{1000, x1Down, P}, {1030, x1Up, S}, {1100, x1Down, S}, {1300, x1Up, P}},
       {"ReleaseTime:\t30\n"},
       {{1100, x1Up}, {1100, x1Down}},
       70},
      {"the forward button not chosen lets its bounce through",
       {{1000, x2Down, P}, {1004, x2Up, P}, {1008, x2Down, P}, {1100, x2Up, P}},
       {}},
      {"two buttons held at once",
       {{1000, leftDown, P}, {1040, middleDown, P}, {1060, middleUp, S}, {1200, leftUp, P}},
       {"ReleaseTime:\t20\n"},
       {{1090, middleUp}}},
      {"a side button while a left release is held",
       {{1000, leftDown, P}, {1030, leftUp, S}, {1040, x1Down, P}, {1200, x1Up, P}},
       {"ReleaseTime:\t30\n"},
       {{1050, leftUp}}},
      {"two held releases due at one late wake-up go out in the order they came",
       {{1000, x1Down, P}, {1005, middleDown, P}, {1020, x1Up, S}, {1030, middleUp, S}},
       {"ReleaseTime:\t20\n", "ReleaseTime:\t25\n"},
       {{1120, x1Up}, {1120, middleUp}},
       70},
  };
  for (const Timeline& t : timelines) run(t);
  settings.xButton2 = 1;
  run({"a forward button bounce is held like the others",
       {{1000, x2Down, P}, {1030, x2Up, S}},
       {"ReleaseTime:\t30\n"},
       {{1050, x2Up}}});
}

// A phase no events lead to, as a fault of this filter would leave it: the event that meets it
// is told, and the button's clicks still reach applications.
TEST_F(ButtonFilter, AnEventInAPhaseWithoutTransitionIsToldAndTheButtonStillWorks) {
  settings.leftButton = 1;
  ButtonState& left = state.buttons[MouseButton::left];
  left.phase = left.beneath = ButtonPhase::pressTimed;
  left.pressTick = 800;  // a click's press, not a drag's
  left.pressUs = 800000;
  EXPECT_EQ(at(1000, leftUp), S);
  EXPECT_EQ(platform.lines,
            std::vector<std::string>{"Button state bug:\tleft press in pressTimed\n"});
  EXPECT_EQ(platform.delivered, (std::vector<std::uint32_t>{leftDown, leftUp}));
  EXPECT_EQ(at(2000, leftDown), P);
  EXPECT_EQ(at(2100, leftUp), P);
}

TEST_F(ButtonFilter, AGapTheSignedDifferenceReadsAsNegativeIsLongAgo) {
  // The tick never goes back: a negative gap is a press more than 2^31 ms after the last.
  settings.leftButton = 1;
  run({"a press 24.9 days after the last passes",
       {{1000, leftDown, P}, {1000 + 0x80000000u + 5, leftDown, P}},
       {}});
}

TEST_F(ButtonFilter, ContactBlipsAtBothClocks) {
  settings.leftButton = settings.middleButton = 1;
  settings.blipLength = 10;
  const BlipTimeline timelines[] = {
      {"a blip inside one tick",
       {{0, leftDown, P}, {90, leftUp, P}, {94.2, leftDown, S}, {95.1, leftUp, S2}},
       {"Contact blip:\t900\n"}},
      {"a middle button's blip",
       {{0, middleDown, P}, {90, middleUp, P}, {94.2, middleDown, S}, {95.1, middleUp, S2}},
       {"Contact blip:\t900\n"}},
      {"a blip across a tick step",
       {{0, leftDown, P}, {90, leftUp, P}, {92.9, leftDown, S}, {94.1, leftUp, S2}},
       {"Contact blip:\t1200\n"}},
      {"a hand's press 30 ms after a blip",
       {{0, leftDown, P}, {90, leftUp, P}, {94, leftDown, S}, {96, leftUp, S2}, {126, leftDown, S}},
       {"Contact blip:\t2000\n"},
       {{136, leftDown}}},
      // The press still down makes a pair with the held release, counted at the hold's end.
      {"a blip, then a bounce that stays down, inside a held release",
       {{0, leftDown, P},
        {30, leftUp, S},
        {35, leftDown, S},
        {37, leftUp, S2},
        {40, leftDown, S},
        {200, leftUp, {Verdict::pass, 2}}},
       {"ReleaseTime:", "Contact blip:\t2000\n", "ClickTime:"}},
      // By the hook's clocks the click is a bounce pair, which the repairs take it for.
      {"a hand's 80 ms click delivered in one batch after a stall",
       {{0, leftDown, P},
        {230, leftUp, P, 100},
        {230.05, leftDown, S, 120},
        {230.1, leftUp, S, 200}},
       {"Hold guard armed:", "ReleaseTime:"},
       {{230.1, leftDown}, {280.05, leftUp}}},
      {"a hand's press the hook is asked about while the held release goes out",
       {{0, leftDown, P},
        {200, leftUp, P},
        {205, leftDown, S},
        {300, leftUp, S},
        {330, leftDown, S, -1, true}},
       {"Hold guard armed:"},
       {{215, leftDown}, {320, leftUp}, {340, leftDown}}},
      {"a held release woken a step early",
       {{0.5, leftDown, P}, {30.7, leftUp, S}},
       {"ReleaseTime:"},
       {{50.7, leftUp}}},
      {"a press being timed keeps its place",
       {{0, leftDown, P},
        {200, leftUp, P},
        {230, leftDown, S},
        {232, rightDown, S},
        {233, move, S},
        {236, move, S},
        {238, rightUp, S}},
       {},
       {{240, leftDown}, {240, rightDown}, {240, move | 236u << 16}, {240, rightUp}}},
      // How long the button was held (拖动阈值 250, 长按保护间隔 35).
      {"a 6 ms opening 500 ms into a hold, nothing armed",
       {{0, leftDown, P}, {500, leftUp, S}, {506, leftDown, S}, {906, leftUp, S2}},
       {"Hold guard:", "Hold guard armed:"},
       {{941, leftUp}}},
      {"a 29 ms opening 743 ms into a hold, with the long window",
       {{0, leftDown, P},
        {200, leftUp, P},
        {205, leftDown, S},
        {948, leftUp, S},
        {977, leftDown, S},
        {1300, leftUp, S2}},
       {"Hold guard armed:", "Hold guard:"},
       {{215, leftDown}, {1335, leftUp}}},
      {"a hand's second press 30.7 ms after the release of a 172 ms click",
       {{0, leftDown, P},
        {200, leftUp, P},
        {205, leftDown, S},
        {400, leftUp, S},
        {1200, leftDown, P},
        {1372, leftUp, S},
        {1402.7, leftDown, S}},
       {"Hold guard armed:"},
       {{215, leftDown}, {420, leftUp}, {1392, leftUp}, {1412.7, leftDown}}},
      {"a release at the threshold's edge",
       {{0.3, leftDown, P}, {250.3, leftUp, S}, {256, leftDown, S}},
       {"Hold guard:", "Hold guard armed:"}},
      {"a release just before the threshold's edge",
       {{0.3, leftDown, P}, {250.2, leftUp, P}, {256, leftDown, S}},
       {"Hold guard armed:"},
       {{266, leftDown}}},
  };
  settings.longHoldGuardInterval = 35;
  for (std::uint64_t stepUs : {1000u, 15625u}) {
    for (const BlipTimeline& t : timelines) run(t, stepUs);
  }
}

TEST(OwnInput, AUserEventGoesBehindOursWhileOursIsOnItsWay) {
  enum Step { sent, back, reinstalled, user };
  struct Row {
    std::uint32_t tick;
    Step step;
    bool behind = false;
  };
  const std::pair<const char*, std::vector<Row>> cases[] = {
      {"ours comes back", {{0, sent}, {5, user, true}, {8, back}, {9, user}}},
      {"a swallowed own input stops counting",
       {{0, sent}, {999, user, true}, {1000, user}, {1500, sent}, {1501, back}, {1502, user}}},
      {"the hook installed again", {{0, sent}, {100, reinstalled}, {200, user}}},
  };
  for (const auto& [name, rows] : cases) {
    SCOPED_TRACE(name);
    OwnInputOnTheWay own;
    for (const Row& r : rows) {
      SCOPED_TRACE("at " + std::to_string(r.tick));
      EXPECT_EQ(r.step == user && own.onItsWay(r.tick), r.behind);
      if (r.step == sent) own.sent(r.tick);
      if (r.step == back) own.passed();
      if (r.step == reinstalled) own.clear();
    }
  }
}

}  // namespace
