// The buttons' repairs: a state machine per button (left, right, middle and the two side
// buttons), which swallows the presses and releases of a chattering switch and holds back what it
// cannot judge yet.
//
// Each case is a timeline under the name its test repeats. P press, R release, (t) its tick in
// ms, .... a release held back, |t when it is let go (delivered as input of our own). Intervals:
// press 100, release 50.
//
// Press filter: a press within the interval of the stamp (the last press of a chosen button; the
// left and right buttons share one, the middle and side buttons each keep their own):
//   "a burst renews the stamp each time"
//     P(0)---P(40)---P(90)-------P(300)        passes, swallowed, swallowed, passes
//   "the first press the hook sees passes"      first call(0)--P(10)   passes
//   "a press 24.9 days after the last passes"  a gap the signed difference reads as negative
//                                              is long ago, never a bounce
// Release filter: a release within the interval of the stamp is held, not dropped:
//   "a quick click inside one tick arrives whole"
//     P(0)R(0).........|50
//   "a bounce 3 ms after the press is let go at press + interval"
//     P(0)--R(3).......|50
//   "a release late in the interval is held for the guard's window"
//     P(0)-------R(40)...|60
//   "release 50 ms after the press passes"
//     P(0)-------R(50)
//   "a double click of 70 ms presses 140 ms apart stays two clicks" (release interval 100)
//     P(0)--R(70)..|100--P(140)--R(210)..|240
//   "a left release soon after a right press is held, not lost"
//     left  P(0)----------R(220)....|250
//     right        P(200)
//   "a side button while a left release is held"
//     left  P(0)--R(30)......|50
//     back          P(40)------R(200)           its own stamp: passes, and so does its release
//   "chattering click"
//     P(0)--R(30)-P(40)--------R(300)          applications see P(0) and R(300)
//   "the real release soon after a bounce press is let go"
//     P(0)--R(30)-P(40)R(45)....|90
//   "a press after a late wake-up goes out behind the held release"
//     P(0)--R(30)..|50.......P(110)            at 110: R, then P, delivered
//   "the release of a swallowed press is swallowed too"
//     P(0)---R(60)--P(90)-------R(200)         90 and 200 swallowed
//   "a release whose press the hook never saw passes"
//     P(0)---R(60)---------R(300)
// Hold guard: a bounce in a drag arms it; then each release waits the guard's window (保护间隔,
// 20 ms by default) for its bounce:
//   "later bounces are swallowed"
//     P(0)------R(5000)P(5005)------R(6000)P(6004)------R(9000)....|9020
//     passes    passes passes,armed held   swallowed    held
//
// One line per feature:
// - Applications see each button's presses and releases alternate.
// - A move while a release is held passes, and neither ends nor lengthens the hold.
// - A held release the system refuses is tried again at the next wake-up; so is the release of
//   a held-back right press that ends as a click.
// - No release is held longer than kMaxHoldMs; one wake-up (wakeAfter) serves every button.
// - Debug lines: "ClickTime:\t%d", "ReleaseTime:\t%d", "Hold guard armed:\t%d",
//   "Hold guard:\t%d", and "Button state bug:\t%S" for an event in a state the machine has no
//   transition for.
#pragma once

#include <cstdint>

#include "input/input_platform.h"
#include "settings/settings.h"

// However long the release interval is set, a release is never held longer than this.
constexpr std::int32_t kMaxHoldMs = 1000;

// One button's state: what applications have been shown of it, and what the machine holds back
// of it. Only ButtonMachine's events change it.
enum class ButtonPhase : std::uint8_t {
  unknown,         // nothing since the hook was installed, or installed again
  down,            // applications saw its press
  up,              // applications saw its release
  releaseHeld,     // they saw its press; the release filter holds its release until the deadline
  releaseGuarded,  // they saw its press; the hold guard alone holds its release
  pressSwallowed,  // the hand holds a press this filter swallowed; its release is swallowed too
  pressHeld,       // the right press is held back until it is a click, a drag or volume
};

// In the order of the switch health's devices too.
constexpr MouseButton kMouseButtons[kButtonCount] = {
    MouseButton::left, MouseButton::right, MouseButton::middle, MouseButton::x1, MouseButton::x2};

// What a button's message says; `known` is false for any other message. An X button's message
// says which one in the high word of the mouse data.
struct ButtonMessage {
  bool known;
  MouseButton button;
  bool press;
};
ButtonMessage readButtonMessage(std::uint32_t message, std::uint32_t mouseData);

// The settings choose the button for the repairs.
inline bool buttonChosen(const Settings& settings, MouseButton button) {
  return (settings.*kButtonChosen[static_cast<int>(button)]) != 0;
}

struct ButtonState {
  std::uint32_t releaseTick = 0;  // the last release the hook saw
  std::uint32_t deadline = 0;     // when the held release is let go
  ButtonPhase phase = ButtonPhase::unknown;
  // The switch bounced in a drag: what the button is, for the session, not a phase of it.
  bool guardArmed = false;
  // The middle and side buttons' own press stamp (the left and right share ButtonStates').
  bool ownPressStamped = false;
  std::uint32_t ownPressTick = 0;
};

// What the machine keeps: each button's state, and the press stamp the left and right buttons
// share.
struct ButtonStates {
  ButtonState& operator[](MouseButton b) { return at[static_cast<int>(b)]; }
  const ButtonState& operator[](MouseButton b) const { return at[static_cast<int>(b)]; }
  ButtonState at[kButtonCount];
  std::uint32_t lastPressTick = 0;
  bool pressStamped = false;    // a left or right press of a chosen button has set lastPressTick
  std::int32_t heldPressX = 0;  // where the held-back right press was made
  std::int32_t heldPressY = 0;
};

// The buttons' state machines. Each event has one handler, and only the handlers change a
// phase; an event in a phase that has no transition for it is a fault of this filter, told on
// the debug console, and leaves the phase as it was.
class ButtonMachine {
 public:
  ButtonMachine(const Settings& settings, ButtonStates& states, InputPlatform& platform)
      : settings_(settings), states_(states), platform_(platform) {}

  // A press of a button the repairs apply to (`chosen`) or not. `holdBack`: a right press that
  // passes is held back until it is a click, a drag or volume.
  Decision press(MouseButton button, bool chosen, bool holdBack, const MouseEvent& event,
                 std::uint32_t now);
  Decision release(MouseButton button, bool chosen, std::uint32_t now);
  // The pointer moved: a held-back right press that leaves the drag rectangle goes out.
  Verdict move(const MouseEvent& event);
  // The right press began a gesture: a held-back press whose release the hook missed is not
  // delivered late as a drag.
  void gestureBegan() { heldPressTaken(ButtonPhase::unknown); }
  // The wheel turned the volume: a held-back right press was the start of it, and it and its
  // release reach no one.
  void takenForVolume() { heldPressTaken(ButtonPhase::pressSwallowed); }
  // A wake-up asked for with wakeAfter is due.
  void timer(std::uint32_t now) { letGoDue(now); }
  // Lets go of every held release, and of a held-back press, at once.
  void letGoAll();
  // The hook was installed again: each button's state is unknown, but for a release still held.
  void forget();

  // Whether applications were shown the button down; asks the system when its state is unknown,
  // unless `askSystem` is false: then unknown reads as up.
  bool shownDown(MouseButton button, bool askSystem = true);
  // The hand holds a press that never reached the system, so the system's key state says up.
  bool pressKeptFromTheSystem(MouseButton button) const {
    const ButtonPhase phase = states_[button].phase;
    return phase == ButtonPhase::pressHeld || phase == ButtonPhase::pressSwallowed;
  }

 private:
  bool letGo(MouseButton button);
  void heldPressTaken(ButtonPhase next);
  void impossible(MouseButton button, const wchar_t* event);
  Verdict pressFilter(MouseButton button, std::uint32_t now);
  // The stamp the button's presses are judged from and its releases measured from.
  std::uint32_t& stampTick(MouseButton button);
  bool& stamped(MouseButton button);
  void armHoldGuard(ButtonState& b, std::uint32_t now);
  void letGoDue(std::uint32_t now);

  const Settings& settings_;
  ButtonStates& states_;
  InputPlatform& platform_;
};
