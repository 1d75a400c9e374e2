// What one mouse event costs the hook: InputFilter::decide on each of its paths, onTimer letting
// a held release go, addPoint, the source of a button event, the watchdog and a debug line put
// into the console's ring.
//
// The hook runs for every event of the desktop, up to 8,000 a second on a gaming mouse, so a
// decision must be a few tens of nanoseconds and must never reach the heap (an allocation can
// take a lock and page in memory). Every global operator new of this program counts; each
// benchmark reports the allocations made inside its timed loop per event, and fails when there
// is any, or when the events did not take the path the benchmark is named after.
#include <benchmark/benchmark.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "bench/full_record.h"
#include "common/debug_ring.h"
#include "gesture/tracker.h"
#include "health/what_if.h"
#include "input/click_record.h"
#include "input/hook_watchdog.h"
#include "input/input_filter.h"
#include "input/null_platform.h"
#include "input/pad_feed.h"
#include "input/switch_counter.h"
#include "settings/settings.h"
#include "tests/support/every_feature_on.h"

// ---- Counting allocator -------------------------------------------------------------------

namespace {
std::atomic<std::uint64_t> allocationCount{0};

void* countedAllocate(std::size_t size) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

void* countedAllocateAligned(std::size_t size, std::align_val_t align) {
  allocationCount.fetch_add(1, std::memory_order_relaxed);
  const auto alignment = static_cast<std::size_t>(align);
  // aligned_alloc wants a size that is a multiple of the alignment.
  const std::size_t rounded = (size + alignment - 1) / alignment * alignment;
  if (void* p = std::aligned_alloc(alignment, rounded == 0 ? alignment : rounded)) return p;
  throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) {
  return countedAllocate(size);
}
void* operator new[](std::size_t size) {
  return countedAllocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return countedAllocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void* operator new(std::size_t size, std::align_val_t align) {
  return countedAllocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align) {
  return countedAllocateAligned(size, align);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}

namespace {

bool anyBenchmarkFailed = false;

void fail(benchmark::State& state, const char* why) {
  anyBenchmarkFailed = true;
  state.SkipWithError(why);
}

// Reports allocations per event and fails the benchmark when the loop allocated at all.
// `wrongVerdicts` counts events that did not come out as the path under test should.
void finish(benchmark::State& state, std::uint64_t allocationsBefore, std::uint64_t wrongVerdicts) {
  const std::uint64_t allocations =
      allocationCount.load(std::memory_order_relaxed) - allocationsBefore;
  state.counters["allocs/event"] =
      benchmark::Counter(static_cast<double>(allocations), benchmark::Counter::kAvgIterations);
  if (allocations != 0) {
    const std::string why = "the decision path allocated " + std::to_string(allocations) +
                            " times in " + std::to_string(state.iterations()) + " events";
    fail(state, why.c_str());
  } else if (wrongVerdicts != 0) {
    fail(state, "the events did not take the path under test");
  }
}

// ---- A desktop that answers at once and records nothing ------------------------------------

class QuietPlatform final : public NullInputPlatform {
 public:
  std::uint32_t heldKey = 0;  // the one key held, 0 for none
  bool routesWheel = false;
  std::uint32_t delivered = 0;
  std::int64_t wakes = 0;

  void wakeAfter(std::uint32_t) override { ++wakes; }
  bool isKeyHeld(std::uint32_t virtualKey) override {
    return heldKey != 0 && virtualKey == heldKey;
  }
  bool deliverButton(MouseButton, bool) override {
    ++delivered;
    return true;
  }
  bool systemRoutesWheelToCursor() override { return routesWheel; }
};

std::uint32_t wheelData(std::int16_t delta) {
  return static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta)) << 16;
}

// A square drawn round and round: nine 10-pixel steps per side, so every step is a real move
// and every side appends a letter until the text is full.
struct SquarePath {
  static constexpr int kSteps = 36;
  std::int32_t x[kSteps];
  std::int32_t y[kSteps];
  SquarePath() {
    const std::int32_t dx[4] = {10, 0, -10, 0};
    const std::int32_t dy[4] = {0, 10, 0, -10};
    std::int32_t px = 500, py = 500;
    for (int i = 0; i < kSteps; ++i) {
      px += dx[i / 9];
      py += dy[i / 9];
      x[i] = px;
      y[i] = py;
    }
  }
};

// The performance counter going with the millisecond tick, which wraps in a long run where the
// counter does not: ticks are read in the order they come.
ClockReading at(std::uint32_t tick) {
  static std::uint64_t wraps = 0;
  static std::uint32_t last = 0;
  if (tickGap(tick, last) >= 0 && tick < last) wraps += std::uint64_t{1} << 32;
  last = tick;
  return {tick, (wraps + tick) * 1000};
}

struct Rig {
  Settings settings = everyFeatureOn();
  FilterState state;
  GestureTracker gesture;
  QuietPlatform platform;
  InputFilter filter{settings, state, gesture, platform};
  Rig() {
    filter.decide({0, mouse_message::move, 0, 0, 0}, at(0));  // stamps the ticks
  }
};

// The event of step `i`: the same at every step, or what a function of `i` returns.
const MouseEvent& eventAt(const MouseEvent& event, std::uint32_t) {
  return event;
}
template <typename EventAt>
const MouseEvent& eventAt(const EventAt& event, std::uint32_t i) {
  return event(i);
}

// Runs the event of step i at tick `tick(i)` for each iteration i and expects `expected` every
// time. `prepare(i)` puts back, before each event, the state the path starts from (a few stores).
template <typename EventAt, typename TickAt, typename Prepare>
void runPath(benchmark::State& state, Rig& rig, Verdict expected, EventAt event, TickAt tick,
             Prepare prepare) {
  std::uint64_t wrong = 0;
  std::uint32_t i = 0;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    prepare(i);
    const Verdict v = rig.filter.decide(eventAt(event, i), at(tick(i))).verdict;
    benchmark::DoNotOptimize(v);
    wrong += v != expected;
    ++i;
  }
  finish(state, before, wrong);
}

template <typename EventAt, typename TickAt>
void runPath(benchmark::State& state, Rig& rig, Verdict expected, EventAt event, TickAt tick) {
  runPath(state, rig, expected, event, tick, [](std::uint32_t) {});
}

// The left button in `phase`, its last release at `releaseTick`.
ButtonState& leftReleased(Rig& rig, ButtonPhase phase, std::uint32_t releaseTick) {
  ButtonState& b = rig.state.buttons[MouseButton::left];
  b.phase = phase;
  b.releaseTick = releaseTick;
  b.releaseUs = at(releaseTick).us;
  b.released = true;
  return b;
}

// A release of the left button held back since `releaseTick`, to be let go at `deadline`.
void holdLeft(Rig& rig, std::uint32_t releaseTick, std::uint32_t deadline, bool byGuard) {
  const ButtonPhase held = byGuard ? ButtonPhase::releaseGuarded : ButtonPhase::releaseHeld;
  leftReleased(rig, held, releaseTick).deadlineUs = at(deadline).us;
}

// ---- The paths ------------------------------------------------------------------------------

void BM_Move(benchmark::State& state) {
  Rig rig;
  const MouseEvent move{0, mouse_message::move, 300, 400, 0};
  runPath(state, rig, Verdict::pass, move, [](std::uint32_t i) { return 1000 + i; });
}

// Presses 100 ms apart: each is examined and passes.
void BM_PressPassed(benchmark::State& state) {
  Rig rig;
  const MouseEvent press{0, mouse_message::leftDown, 300, 400, 0};
  runPath(state, rig, Verdict::pass, press, [](std::uint32_t i) { return 1000 + 100 * i; });
}

// Presses 1 ms apart: each is a bounce of the one before and is swallowed.
void BM_PressSwallowed(benchmark::State& state) {
  Rig rig;
  const MouseEvent press{0, mouse_message::leftDown, 300, 400, 0};
  rig.filter.decide(press, at(1000));
  runPath(state, rig, Verdict::swallow, press, [](std::uint32_t i) { return 1001 + i; });
}

// Left releases at `tick`, after a press at 1000. Each is the first since its press:
// applications are shown the button down again before each one.
void runRelease(benchmark::State& state, Rig& rig, Verdict expected, std::uint32_t tick) {
  rig.filter.decide({0, mouse_message::leftDown, 300, 400, 0}, at(1000));
  const MouseEvent release{0, mouse_message::leftUp, 300, 400, 0};
  runPath(
      state, rig, expected, release, [tick](std::uint32_t) { return tick; },
      [&](std::uint32_t) { rig.state.buttons[MouseButton::left].phase = ButtonPhase::down; });
}

// Releases 100 ms after the last press pass; 10 ms after it they are swallowed as bounces.
void BM_ReleasePassed(benchmark::State& state) {
  Rig rig;
  runRelease(state, rig, Verdict::pass, 1100);
}

// The bounce is held back and a wake-up asked for; the hold is cleared before the next one.
void BM_ReleaseSwallowed(benchmark::State& state) {
  Rig rig;
  runRelease(state, rig, Verdict::swallow, 1010);
}

// The back button's bounce 10 ms after its press: its message names the side button in the
// mouse data, and its own stamp judges it.
void BM_SideReleaseSwallowed(benchmark::State& state) {
  Rig rig;
  rig.settings.xButton1 = 1;
  const std::uint32_t back = mouse_message::xButton1Data << 16;
  rig.filter.decide({0, mouse_message::xButtonDown, 300, 400, back}, at(1000));
  const MouseEvent release{0, mouse_message::xButtonUp, 300, 400, back};
  runPath(
      state, rig, Verdict::swallow, release, [](std::uint32_t) { return 1010; },
      [&](std::uint32_t) { rig.state.buttons[MouseButton::x1].phase = ButtonPhase::down; });
}

// The guard armed: a release long after its press (a drag's drop) is held for the guard's
// long-hold window.
void BM_ReleaseHeldByGuard(benchmark::State& state) {
  Rig rig;
  rig.state.buttons[MouseButton::left].guardArmed = true;
  runRelease(state, rig, Verdict::swallow, 5000);
}

// The same after a click's hold (100 ms), for 保护间隔: beside the row above, what telling the
// two holds apart costs.
void BM_ReleaseHeldByGuardAfterClick(benchmark::State& state) {
  Rig rig;
  rig.state.buttons[MouseButton::left].guardArmed = true;
  runRelease(state, rig, Verdict::swallow, 1100);
}

// The press 5 ms after a release the guard holds: both swallowed, the drag goes on (judged at
// once, with the contact-blip rule off).
void BM_PressGuardBounce(benchmark::State& state) {
  Rig rig;
  rig.settings.blipLength = 0;
  rig.state.buttons[MouseButton::left].guardArmed = true;
  const MouseEvent press{0, mouse_message::leftDown, 300, 400, 0};
  runPath(
      state, rig, Verdict::swallow, press, [](std::uint32_t i) { return 5005 + 1000 * i; },
      [&](std::uint32_t i) { holdLeft(rig, 5000 + 1000 * i, 5020 + 1000 * i, true); });
}

// The wake-up is late: the press after the deadline is swallowed and the held release and the
// press are delivered in order.
void BM_PressAfterLateWakeUp(benchmark::State& state) {
  Rig rig;
  const MouseEvent press{0, mouse_message::leftDown, 300, 400, 0};
  runPath(
      state, rig, Verdict::swallow, press, [](std::uint32_t i) { return 5200 + 1000 * i; },
      [&](std::uint32_t i) { holdLeft(rig, 5030 + 1000 * i, 5080 + 1000 * i, false); });
  if (rig.platform.delivered != 2 * state.iterations()) {
    fail(state, "the held release and the press were not delivered");
  }
}

// The timer's turn at `tick(i)` after `prepare(i)`, each to deliver `deliveries` events.
template <typename TickAt, typename Prepare>
void runTimer(benchmark::State& state, Rig& rig, int deliveries, TickAt tick, Prepare prepare) {
  std::uint32_t i = 0;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    prepare(i);
    rig.filter.onTimer(at(tick(i)));
    benchmark::ClobberMemory();
    ++i;
  }
  finish(state, before, deliveries * state.iterations() - rig.platform.delivered);
}

// The timer lets the held release go.
void BM_TimerLetsGo(benchmark::State& state) {
  Rig rig;
  runTimer(
      state, rig, 1, [](std::uint32_t i) { return 5080 + 1000 * i; },
      [&](std::uint32_t i) { holdLeft(rig, 5030 + 1000 * i, 5080 + 1000 * i, false); });
}

// A left press `afterUs` after a release at `releaseTick` that applications saw, held back while
// its length is measured.
void timeLeft(Rig& rig, std::uint32_t releaseTick, std::uint64_t afterUs) {
  ButtonState& b = leftReleased(rig, ButtonPhase::pressTimed, releaseTick);
  b.beneath = ButtonPhase::up;
  b.pressTick = releaseTick + static_cast<std::uint32_t>(afterUs / 1000);
  b.pressTime = 0;  // the events here carry no tick of their own
  b.pressUs = b.releaseUs + afterUs;
}

// A press 4 ms after its button's release: held back, and a wake-up asked for.
void BM_PressTimed(benchmark::State& state) {
  Rig rig;
  const MouseEvent press{0, mouse_message::leftDown, 300, 400, 0};
  runPath(
      state, rig, Verdict::swallow, press, [](std::uint32_t i) { return 5004 + 1000 * i; },
      [&](std::uint32_t i) { leftReleased(rig, ButtonPhase::up, 5000 + 1000 * i); });
  if (rig.platform.wakes != state.iterations()) fail(state, "the press was not timed");
}

// The release 2 ms after a timed press: a contact blip, swallowed with its press.
void BM_BlipReleased(benchmark::State& state) {
  Rig rig;
  const MouseEvent release{0, mouse_message::leftUp, 300, 400, 0};
  runPath(
      state, rig, Verdict::swallow, release, [](std::uint32_t i) { return 5006 + 1000 * i; },
      [&](std::uint32_t i) { timeLeft(rig, 5000 + 1000 * i, 4000); });
  if (rig.state.buttons[MouseButton::left].phase != ButtonPhase::up) {
    fail(state, "the release was not taken for a blip's");
  }
}

// The timer finds a timed press still down after 抖动时长: the hand's, judged and delivered.
void BM_TimerSettlesHand(benchmark::State& state) {
  Rig rig;
  runTimer(
      state, rig, 1, [](std::uint32_t i) { return 5040 + 1000 * i; },
      [&](std::uint32_t i) { timeLeft(rig, 5000 + 1000 * i, 30000); });
}

// A middle press 2 ms into a timed left press: it waits behind it.
void BM_PressBehindTimed(benchmark::State& state) {
  Rig rig;
  const MouseEvent press{0, mouse_message::middleDown, 300, 400, 0};
  runPath(
      state, rig, Verdict::swallow, press, [](std::uint32_t i) { return 5006 + 1000 * i; },
      [&](std::uint32_t i) {
        timeLeft(rig, 5000 + 1000 * i, 4000);
        rig.state.buttons.waitingCount = 0;
      });
  if (rig.state.buttons.waitingCount != 1) fail(state, "the press did not wait");
}

// The timer settles a timed left press, and a middle press and a move that waited behind it
// take their turn: two deliveries and the pointer put in place.
void BM_TimerLetsWaitingGo(benchmark::State& state) {
  Rig rig;
  static const WaitingEvent press{{}, {0, mouse_message::middleDown, 300, 400, 0}, true, false};
  static const WaitingEvent move{{}, {0, mouse_message::move, 305, 400, 0}, false, false};
  runTimer(
      state, rig, 2, [](std::uint32_t i) { return 5014 + 1000 * i; },
      [&](std::uint32_t i) {
        const std::uint32_t tick = 5000 + 1000 * i;
        timeLeft(rig, tick, 4000);
        ButtonStates& buttons = rig.state.buttons;
        buttons[MouseButton::middle].phase = ButtonPhase::up;
        // Copied whole, then timed: an event made whole here, in the loop, is read back before
        // its parts are stored, and the stall measured more than the timer.
        buttons.waiting[0] = press;
        buttons.waiting[0].at = at(tick + 6);
        buttons.waiting[1] = move;
        buttons.waiting[1].at = at(tick + 7);
        buttons.waitingCount = 2;
      });
}

// +120 notches 20 ms apart, after one at 1000, under what `rig` was set to.
void runNotches(benchmark::State& state, Rig& rig, Verdict expected) {
  const MouseEvent notch{0, mouse_message::wheel, 300, 400, wheelData(120)};
  rig.filter.decide(notch, at(1000));
  runPath(
      state, rig, expected, [&](std::uint32_t) -> const MouseEvent& { return notch; },
      [](std::uint32_t i) { return 1020 + 20 * i; });
}

// Notches in one direction with pass-through and volume off: handed on as they are.
void BM_WheelPassed(benchmark::State& state) {
  Rig rig;
  rig.settings.wheelPassThrough = 0;
  runNotches(state, rig, Verdict::pass);
}

// A reversed notch 1 ms after the last one: swallowed as a bounce of the wheel.
void BM_WheelSwallowed(benchmark::State& state) {
  Rig rig;
  rig.filter.decide({0, mouse_message::wheel, 300, 400, wheelData(120)}, at(1000));
  const MouseEvent reversed{0, mouse_message::wheel, 300, 400, wheelData(-120)};
  runPath(state, rig, Verdict::swallow, reversed, [](std::uint32_t i) { return 1001 + i; });
}

// Pass-through on: the notch is posted to the window under the cursor and swallowed.
void BM_WheelPassThrough(benchmark::State& state) {
  Rig rig;
  runNotches(state, rig, Verdict::swallow);
}

// The system sends the wheel to the window under the cursor itself: the notch passes.
void BM_WheelRoutedBySystem(benchmark::State& state) {
  Rig rig;
  rig.platform.routesWheel = true;
  runNotches(state, rig, Verdict::pass);
}

// The volume key held: the notch becomes a volume command and is swallowed.
void BM_WheelVolume(benchmark::State& state) {
  Rig rig;
  rig.platform.heldKey = rig.settings.volumeKey;
  runNotches(state, rig, Verdict::swallow);
}

// A program's rule turns the features off (rule 1): with the volume key held the notch is a
// plain one and passes. The rule is the one relaxed read every decision makes.
void BM_WheelUnderProgramRule(benchmark::State& state) {
  Rig rig;
  rig.platform.heldKey = rig.settings.volumeKey;
  rig.state.bypass = Bypass::features;
  runNotches(state, rig, Verdict::pass);
}

// 快捷键=5 and the right press held back: each move inside the drag rectangle is measured
// against the press and passes.
void BM_MoveDuringHeldPress(benchmark::State& state) {
  Rig rig;
  rig.settings.volumeKey = vk::rightButton;
  rig.filter.decide({0, mouse_message::rightDown, 500, 500, 0}, at(1000));
  if (rig.state.buttons[MouseButton::right].phase != ButtonPhase::pressHeld)
    fail(state, "the press was not held");
  const MouseEvent moves[2] = {{0, mouse_message::move, 503, 498, 0},
                               {0, mouse_message::move, 497, 502, 0}};
  runPath(
      state, rig, Verdict::pass, [&](std::uint32_t i) -> const MouseEvent& { return moves[i & 1]; },
      [](std::uint32_t) { return 1100u; });
}

// The gesture key held and the right button down: each move is classified and recorded.
// The gesture restarts before its 1000 ms window closes so no move is dropped as late.
void BM_MoveDuringGesture(benchmark::State& state) {
  Rig rig;
  static const SquarePath path;
  rig.platform.heldKey = rig.settings.gestureKey;
  rig.filter.decide({0, mouse_message::rightDown, 500, 500, 0}, at(1000));
  static const auto moves = [] {
    std::array<MouseEvent, SquarePath::kSteps> events{};
    for (int i = 0; i < SquarePath::kSteps; ++i) {
      events[i] = {0, mouse_message::move, path.x[i], path.y[i], 0};
    }
    return events;
  }();
  runPath(
      state, rig, Verdict::pass,
      [&](std::uint32_t i) -> const MouseEvent& { return moves[i % SquarePath::kSteps]; },
      [](std::uint32_t) { return 1500u; });
  if (rig.gesture.length == 0 && state.iterations() >= 9) {
    fail(state, "the moves were not recorded as a gesture");
  }
}

void BM_AddPoint(benchmark::State& state) {
  static const SquarePath path;
  GestureTracker tracker;
  beginGesture(tracker, 500, 500, 1000);
  std::uint32_t i = 0;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    const int step = static_cast<int>(i % SquarePath::kSteps);
    addPoint(tracker, path.x[step], path.y[step], 1500);
    benchmark::ClobberMemory();
    ++i;
  }
  finish(state, before, 0);
  if (tracker.length == 0 && state.iterations() >= 9) {
    fail(state, "the moves were not recorded as a gesture");
  }
}

}  // namespace

BENCHMARK(BM_Move)->Name("decide/move");
BENCHMARK(BM_PressPassed)->Name("decide/press_passed");
BENCHMARK(BM_PressSwallowed)->Name("decide/press_swallowed");
BENCHMARK(BM_ReleasePassed)->Name("decide/release_passed");
BENCHMARK(BM_ReleaseSwallowed)->Name("decide/release_swallowed");
BENCHMARK(BM_ReleaseHeldByGuard)->Name("decide/release_held_by_guard");
BENCHMARK(BM_ReleaseHeldByGuardAfterClick)->Name("decide/release_held_by_guard_after_click");
BENCHMARK(BM_SideReleaseSwallowed)->Name("decide/side_release_swallowed");
BENCHMARK(BM_PressGuardBounce)->Name("decide/press_guard_bounce");
BENCHMARK(BM_PressAfterLateWakeUp)->Name("decide/press_after_late_wake_up");
BENCHMARK(BM_TimerLetsGo)->Name("onTimer/lets_go");
BENCHMARK(BM_PressTimed)->Name("decide/press_timed");
BENCHMARK(BM_BlipReleased)->Name("decide/blip_released");
BENCHMARK(BM_TimerSettlesHand)->Name("onTimer/settles_hand");
BENCHMARK(BM_PressBehindTimed)->Name("decide/press_behind_timed");
BENCHMARK(BM_TimerLetsWaitingGo)->Name("onTimer/lets_waiting_go");
BENCHMARK(BM_WheelPassed)->Name("decide/wheel_passed");
BENCHMARK(BM_WheelSwallowed)->Name("decide/wheel_swallowed");
BENCHMARK(BM_WheelPassThrough)->Name("decide/wheel_pass_through");
BENCHMARK(BM_WheelRoutedBySystem)->Name("decide/wheel_routed_by_system");
BENCHMARK(BM_WheelVolume)->Name("decide/wheel_volume");
BENCHMARK(BM_WheelUnderProgramRule)->Name("decide/wheel_under_program_rule");
BENCHMARK(BM_MoveDuringGesture)->Name("decide/move_during_gesture");
BENCHMARK(BM_MoveDuringHeldPress)->Name("decide/move_during_held_press");
BENCHMARK(BM_AddPoint)->Name("addPoint");

// The hook's event made from what the system hands it, its button's message read with it (once
// per event): a move, a left press and a back button's release in turn.
void BM_ReadEvent(benchmark::State& state) {
  using namespace mouse_message;
  const std::uint32_t messages[3] = {move, leftDown, xButtonUp};
  const std::uint32_t data[3] = {0, 0, xButton1Data << 16};
  std::uint32_t i = 0;
  std::uint64_t wrong = 0;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    const std::uint32_t k = i++ % 3;
    benchmark::DoNotOptimize(k);
    const MouseEvent event{0, messages[k], 300, 400, data[k], i};
    wrong += event.buttonMessage.known != (k != 0);
    benchmark::DoNotOptimize(event);
  }
  finish(state, before, wrong);
}
BENCHMARK(BM_ReadEvent)->Name("hook/read_event");

// The source of a button event (input/input_source.h), what the hook adds to its decision: a
// press or release of a known mouse, its own raw report queued before the hook call (as Wine
// orders them) or coming only after it (told by the device that moved last), and whether the
// repairs are for it.
void runSourceLookup(benchmark::State& state, bool reportFirst) {
  Settings settings = everyFeatureOn();
  static InputDevices devices;
  SourceTracker tracker(settings, devices);
  const int mouse = tracker.slotOf(1) >= 0 ? tracker.slotOf(1)
                                           : tracker.addDevice(1, DeviceKind::mouse, L"046D:C077");
  std::uint64_t us = 1000000;
  tracker.rawMouse(mouse, 0, us);
  std::uint64_t wrong = 0;
  std::uint16_t bit = 0x1;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    if (reportFirst) tracker.rawMouse(mouse, bit, us);
    const EventSource source = tracker.hookEvent(bit, false, 0, us);
    const Repair repair = tracker.repairOf(source);
    benchmark::DoNotOptimize(repair);
    wrong += source.device != mouse || repair != Repair::apply;
    bit ^= 0x3;  // press, release, press ...
    us += 1000;
  }
  finish(state, before, wrong);
}
void BM_SourceLookup(benchmark::State& state) {
  runSourceLookup(state, false);
}
void BM_SourceLookupOwnReport(benchmark::State& state) {
  runSourceLookup(state, true);
}
BENCHMARK(BM_SourceLookup)->Name("source/lookup");
BENCHMARK(BM_SourceLookupOwnReport)->Name("source/lookup_own_report");

// The hook's watchdog per mouse event: the hook call it notes and the raw input that arrives
// for the same event on the main thread.
void BM_WatchdogPerEvent(benchmark::State& state) {
  HookWatchdog dog;
  HookProgress hook;
  std::uint32_t now = 1000;
  std::uint64_t reinstalls = 0;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    ++hook.calls;
    hook.latestEventTime = now;
    reinstalls += dog.onRawInput(now, hook);
    benchmark::ClobberMemory();
    now += 1;
  }
  finish(state, before, reinstalls);
}
BENCHMARK(BM_WatchdogPerEvent)->Name("watchdog/event");

// A debug line on its way to the console: what the hook pays to put it into the ring, with the
// console writer's take beside it so that the ring never fills.
void BM_DebugLinePutAndTake(benchmark::State& state) {
  static DebugRing ring;
  DebugRing::Line line;
  std::uint64_t lost = 0;
  std::int32_t gap = 0;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    lost += !ring.put("ClickTime:\t%d\n", gap++);
    lost += !ring.take(line);
    benchmark::DoNotOptimize(line.length);
  }
  finish(state, before, lost);
}
BENCHMARK(BM_DebugLinePutAndTake)->Name("debugLine/put_and_take");

// What counting a button or wheel event for the switch health adds to its decision: a press
// that is chatter (the most it counts), a release and a reversed notch.
template <typename Count>
void runCount(benchmark::State& state, Count count) {
  const Settings settings = everyFeatureOn();
  SwitchCounter counter(settings);
  std::uint64_t now = 1000000;
  std::uint64_t wrong = 0;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    wrong += !count(counter, now);
    benchmark::ClobberMemory();
    now += 50000;
  }
  finish(state, before, wrong);
}

void BM_CountChatterPress(benchmark::State& state) {
  runCount(state, [](SwitchCounter& counter, std::uint64_t now) {
    counter.release(healthLeft, now, 0);
    return counter.press(healthLeft, now + 3000, 1) == 3000;
  });
}

void BM_CountRelease(benchmark::State& state) {
  runCount(state, [](SwitchCounter& counter, std::uint64_t now) {
    counter.release(healthLeft, now, 0);
    return true;
  });
}

void BM_CountReversedNotch(benchmark::State& state) {
  runCount(state, [](SwitchCounter& counter, std::uint64_t now) {
    counter.notch(120, now, 0);
    counter.notch(-120, now + 1000, 1);
    return true;
  });
}
// The hook appends each press and release of the two buttons to the click record.
void BM_RecordAppend(benchmark::State& state) {
  static ClickRecord record;
  const std::uint32_t first = record.appended();
  std::uint32_t tick = 0;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    record.append(tick & 1, (tick & 2) != 0, tick, 1000ull * tick);
    benchmark::ClobberMemory();
    ++tick;
  }
  finish(state, before, record.appended() - first == tick ? 0 : 1);
}

// The fit on a full record: 16,384 events of the seeded worn-switch mix, the whole grid.
void BM_FitFullRecord(benchmark::State& state) {
  const ClickRun run = fullRecord(true);
  RepairChoice now;
  now.buttons[0] = true;
  const bool matters[kHealthButtons] = {true};
  std::uint64_t wrong = 0;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) wrong += fitClicks({run}, now, matters).outcome != ClickFit::better;
  // The fit runs on the main thread and may allocate; the column every row has says how much.
  state.counters["allocs/event"] = benchmark::Counter(
      static_cast<double>(allocationCount.load(std::memory_order_relaxed) - before),
      benchmark::Counter::kAvgIterations);
  if (wrong) fail(state, "the fit found nothing better on a worn switch");
}
// The replay of four events of a damaged record, the third one's tick 0x7FFFFF00 ahead of its
// counter time, with a release held over it (release interval 100 ms): P(0) R(30) P(56) R(90).
void BM_ReplayTickFarAhead(benchmark::State& state) {
  const std::uint64_t t = 10'000'000;
  const ClickRun run{1,
                     {{t, 10'000, 0, true},
                      {t + 30'000, 10'030, 0, false},
                      {t + 56'000, 10'056 + 0x7FFFFF00u, 0, true},
                      {t + 90'000, 10'090, 0, false}}};
  RepairChoice choice;
  choice.buttons[0] = true;
  choice.releaseMs = 100;
  std::uint64_t wrong = 0;
  for (auto _ : state) wrong += replayShown(run, choice).size() != 2;
  if (wrong) fail(state, "the replay did not show one click");
}
// What the hook adds to a button event while the test pad is open: the flag read and the event,
// with its source, handed to the pad's feed. The main thread's takes, every 128 events, are timed
// with it.
void BM_PadFeedOpen(benchmark::State& state) {
  static PadFeed feed;
  static PadSwitchEvent taken[kPadFeedSlots];
  feed.open();
  std::uint32_t tick = 0;
  std::uint64_t wrong = 0;
  bool lost = false;
  const std::uint64_t before = allocationCount.load(std::memory_order_relaxed);
  for (auto _ : state) {
    if (feed.isOpen()) {
      feed.push({1000ull * tick,
                 tick,
                 100,
                 100,
                 static_cast<std::uint8_t>(tick & 1),
                 (tick & 2) != 0,
                 true,
                 {SourceKind::device, 0},
                 L"046D:C077"});
    }
    benchmark::ClobberMemory();
    if (++tick % 128 == 0) wrong += feed.take(taken, kPadFeedSlots, &lost) != 128 || lost;
  }
  feed.close();
  finish(state, before, wrong);
}
BENCHMARK(BM_RecordAppend)->Name("record/append");
BENCHMARK(BM_PadFeedOpen)->Name("pad/feed_open");
BENCHMARK(BM_FitFullRecord)->Name("fit/full_record")->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReplayTickFarAhead)->Name("fit/replay_tick_far_ahead")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountChatterPress)->Name("health/chatter_press");
BENCHMARK(BM_CountRelease)->Name("health/release");
BENCHMARK(BM_CountReversedNotch)->Name("health/two_notches");

int main(int argc, char** argv) {
  // The counter must see this program's allocations, or a zero would prove nothing.
  const std::uint64_t before = allocationCount.load();
  ::operator delete(::operator new(1));
  if (allocationCount.load() == before) {
    std::fprintf(stderr, "filter_bench: operator new is not the counting one\n");
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (anyBenchmarkFailed) {
    std::fprintf(stderr, "filter_bench: FAILED (see the errors above)\n");
    return 1;
  }
  return 0;
}
