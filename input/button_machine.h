// The buttons' repairs: a state machine per button (left, right, middle and the two side
// buttons), which swallows the presses and releases of a chattering switch and holds back what it
// cannot judge yet.
//
// Each case is a timeline under the name its test repeats. P press, R release, (t) its tick in
// ms from the case's first event (the tables run that at tick 1000, after the hook's first call
// at 0; a case that shows the first call counts from it), .... a release held back, |t when it
// is let go (delivered as input of our own). Intervals: press 100, release 50.
//
// Press filter: a press within the interval of the stamp (the last press of a chosen button; the
// left and right buttons share one, the middle and side buttons each keep their own):
//   "a burst renews the stamp each time"
//     P(0)---P(40)---P(90)-------P(300)        passes, swallowed, swallowed, passes
//   "press boundary 99/100"                    P(0)---P(99)---P(199)  passes, swallowed, passes
//   "the first press the hook sees passes"      first call(0)--P(99)   passes
//   "press 100 ms after the hook's first call"  first call(0)--P(100)  passes
//   "a press 24.9 days after the last passes"  a gap the signed difference reads as negative
//                                              is long ago, never a bounce
//   "press across 2^32" (ticks from 2^32 - 256)
//     P(0)--R(32)..|52-----P(272)--P(336)      336 swallowed: 64 ms after 272, across the wrap
//   "left then right within the interval"
//     left  P(0)
//     right      P(50)R(60)-------P(200)       50 swallowed, so 60 is too; 200 passes
// Release filter: a release within the interval of the stamp is held, not dropped:
//   "a quick click inside one tick arrives whole"
//     P(0)R(0).........|50
//   "release 2 ms after the press is held like any bounce"
//     P(0)R(2)........|50
//   "a bounce 3 ms after the press is let go at press + interval"
//     P(0)--R(3).......|50
//   "a release late in the interval is held for the guard's window"
//     P(0)-------R(40)...|60
//   "release 50 ms after the press passes"
//     P(0)-------R(50)
//   "a 30 ms click without bounce is let go on the timer"
//     P(0)--R(30)..|50---------P(200)
//   "a release the system refuses is tried again at the next wake-up"
//     P(0)--R(30)..|50 refused, |51
//   "two releases in a row: the held one stands for both"
//     P(0)--R(30)R(35)..|50
//   "a double click of 70 ms presses 140 ms apart stays two clicks" (release interval 100)
//     P(0)--R(70)..|100--P(140)--R(210)..|240
//   "a left release soon after a right press is held, not lost"
//     left  P(0)----------R(220)....|250
//     right        P(200)
//   "a side button while a left release is held"
//     left  P(0)--R(30)......|50
//     back          P(40)------R(200)           its own stamp: passes, and so does its release
//   "chattering click"
//     P(0)--R(30)-P(40)--------R(200)          applications see P(0) and R(200)
//   "worked sequence"
//     P(0)-R(20)-P(35)---------R(200)          applications see P(0) and R(200)
//   "a bounce inside one tick keeps the button down"
//     P(0)R(0)P(0)-------------R(200)          applications see P(0) and R(200)
//   "the real release soon after a bounce press is let go"
//     P(0)--R(30)-P(40)R(45)....|90
//   "a press after a late wake-up goes out behind the held release" (the wake-up 70 ms late)
//     P(0)--R(30)..|50.......P(100)            at 100: R, then P, delivered
//   "the release of a swallowed press is swallowed too"
//     P(0)---R(60)--P(90)-------R(200)         90 and 200 swallowed
//   "a release whose press the hook never saw passes"
//     P(0)---R(60)---------R(300)
//   "a release before any press passes"         first call(0)--R(20)
//   "after the hook is installed again the release of a swallowed press passes"
//     P(0)---R(60)--P(90)--reinstalled(100)--R(200)
// Either repair alone, no button chosen, and what the repairs never touch: every event passes,
// but for a release the release filter holds:
//   "press repair off"                          P(0)P(10)--R(30)....|60   measured from 10
//   "press repair off, release soon after the first call"
//     first call(0)--P(10)R(20)....|60
//   "release repair off"                        P(0)R(10)
//   "no device chosen"                          left P(0)P(1)R(4), right P(5)R(8)
//   "right button is not chosen"                right P(0)P(10)R(12)
//   "hook codes other than 0 pass unexamined"   P(0), then P(10) and R(20) with codes 3 and -1
//   "middle button and horizontal wheel pass"   middle P(0)P(1), the horizontal wheel at 2
// Hold guard: a bounce in a drag arms it; then each release waits the guard's window (保护间隔,
// 20 ms by default) for its bounce, and one that ends a hold longer than 拖动阈值 (250 ms) the
// longer 长按保护间隔 (保护间隔's unless set). Before anything is armed, such a drop waits
// kOpeningWaitMs (or 抖动时长) for the switch: a press that comes is swallowed with it and arms
// the guard. Each case starts P(0)------R(4000)P(4005), the drop and its opening swallowed:
//   "later bounces are swallowed"
//     ...R(5000)P(5004)------R(5500)P(5516)------R(8000)....|8020
//        held   swallowed    held    swallowed    held
//   "the drag ends"                             ...R(8000)....|8020
//   "a click and a double click arrive whole"
//     ...R(5000)..|5020  P(6000)R(6060)..|6080  P(6150)R(6210)..|6230
//   "a bounce the release filter sees keeps its longer hold"
//     ...R(4030)....|4055                       the press stamp 4005 + the release interval
//   "the right button is untouched"             right P(5000)R(5100) pass; left ...R(8000)..|8020
//   "a longer window" (保护间隔 35)
//     P(0)------R(4000)..|4010 P(4030)------R(8000)....|8035   4030 passes, and arms it
// The middle and side buttons, each from its own stamp:
//   "the real release soon after a middle bounce press is let go"
//     middle P(0)--R(30)-P(40)R(45)....|90
//   "a back press after a late wake-up goes out behind the held release" (70 ms late)
//     back P(0)--R(30)..|50.......P(100)       at 100: R, then P, delivered
//   "the forward button not chosen lets its bounce through"
//     forward P(0)R(4)P(8)---------R(100)
//   "a forward button bounce is held like the others"
//     forward P(0)--R(30)..|50
//   "two buttons held at once"
//     left   P(0)-------------------R(200)
//     middle       P(40)R(60)....|90
//   "two held releases due at one late wake-up go out in the order they came" (70 ms late)
//     back   P(0)----R(20)..........|120
//     middle   P(5)------R(30)......|120        back's release first
// Contact blips (the tables above run with the rule off): a press of a chosen button inside a
// held release or less than kBlipWindowUs after its release is held back (::::) until it is let
// go or has been down 抖动时长 (10 ms); times here by the performance counter, each case run with
// ticks that step every millisecond and every 15.625 ms:
//   "a blip inside one tick"
//     P(0)---R(90)P(94.2)R(95.1)                94.2 held, then swallowed with 95.1: a blip
//   "a middle button's blip"
//     middle P(0)---R(90)P(94.2)R(95.1)
//   "a blip across a tick step"
//     P(0)---R(90)P(92.9)R(94.1)
//   "a hand's press 30 ms after a blip"
//     P(0)---R(90)P(94)R(96)---P(126):::::|136  the stamp stays at 0: 126 is judged at its own
//                                               time, passes, and goes out at 136
//   "a blip, then a bounce that stays down, inside a held release"
//     P(0)--R(30)..P(35)R(37)..P(40):::|50--R(200)
//                                               35 and 37 a blip; at 50, 40 is judged as at 40:
//                                               a bounce pair with the held release, both
//                                               swallowed; applications see P(0) and R(200)
//   "a hand's 80 ms click delivered in one batch after a stall"
//     own ticks   R(100)  P(120)  R(200)         all three reach the hook at 230, 0.05 ms apart:
//     hook        R,P,R(230)                     the own ticks put the press 80 ms before its
//                                               release, so it is a hand's, never a blip: P
//                                               goes out at once, R at 280.05
//   "a hand's press the hook is asked about while the held release goes out"
//     P(0)---R(200)P(205):::|215---R(300)....|320   the guard armed at 205
//                                         P(330):::|340   asked about while 320 goes out
//   "a held release woken a step early" (ticks in steps of 15.625 ms)
//     P(0.5)--R(30.7).....wake(46.9) ..|50.7    an early wake-up waits again: nothing goes out
//                                               before the guard's window after 30.7 has passed
// How long the button was held, by the performance counter (拖动阈值 250, 长按保护间隔 35):
//   "a 6 ms opening 500 ms into a hold, nothing armed"
//     P(0)------R(500)P(506):::|516-----R(906).....|941     506 swallowed with 500; armed
//   "a 29 ms opening 743 ms into a hold, with the long window"
//     P(0)--R(200)P(205):::|215 (armed)----R(948)P(977):::|987----R(1300).....|1335
//   "a hand's second press 30.7 ms after the release of a 172 ms click" (armed at 205 as above)
//     P(1200)---R(1372)..|1392 P(1402.7):::|1412.7            the hand's: it passes
//   "a release at the threshold's edge"
//     P(0.3)------R(250.3)P(256):::                            swallowed with 250.3
//   "a release just before the threshold's edge"
//     P(0.3)------R(250.2)  P(256):::|266                      both pass; 256 arms the guard
// Every button event and move after a timed press waits behind it (~~) and goes out after it,
// in the order it came, judged as at its own time; moves one after another as the last of them,
// the pointer put where it left it, so that the press lands where it was made:
//   "a press being timed keeps its place"
//     left   P(0)---R(200)---P(230):::::::::|240
//     right                     P(232)~~~~~~|240  R(238)~~|240
//     moves                      (233)(236)~|240              the pointer put at 236
//   "a volume notch lets what waited go, and a held release that is due with it" (快捷键=6,
//   the wake-up 70 ms late)
//     left   P(0)--------R(100)--P(120):::::|180  held by the hand: the notch is for the volume
//     middle      P(50)-------------R(123)~~|180  held as at 123, to 150: due, it goes out
//     right                           P(124)~|180
// The hook installed again: what is undecided goes out as the click it became:
//   "a timed press goes out as a click when the hook is installed again"
//     P(0)--R(100)--P(120):::reinstalled(125)   P and R delivered at 125
//   "a held-back right press goes out as a click when the hook is installed again" (快捷键=5)
//     right P(0).....reinstalled(100)           P and R delivered at 100
//           P(1000)..R(1100)                    P and R delivered at 1100
// A state no events lead to, as a fault of this filter would leave it: the event that meets it
// is told ("Button state bug"), and the button's clicks go on reaching applications:
//   "an event in a phase without transition is told and the button still works"
//     P(timed, on a timed press) R(0)           P and R delivered at 0, told; P(1000)R(1100) pass
//
// One line per feature:
// - Applications see each button's presses and releases alternate.
// - A move while a release is held passes, and neither ends nor lengthens the hold. A move while
//   a press is timed waits: the pointer stands still for at most 抖动时长 and a timer step.
// - A held release the system refuses is tried again at the next wake-up; so is the release of
//   a held-back right press that ends as a click.
// - No release is held longer than kMaxHoldMs, no press longer than 抖动时长 and one timer step;
//   one wake-up (wakeAfter) serves every button. Every hold is measured by the performance
//   counter from the event it started at: never let go before its window has passed, however
//   early the timer wakes.
// - A blip neither renews the press stamp nor arms the guard, and its release is no release of
//   the hand's: the next press is measured from the release before it.
// - Debug lines: "ClickTime:\t%d", "ReleaseTime:\t%d", "Hold guard armed:\t%d",
//   "Hold guard:\t%d", "Contact blip:\t%d" (its length in µs), and "Button state bug:\t%S" for
//   an event in a state the machine has no transition for ("left press in pressTimed"). In
//   debug mode each change of a phase too: "Button phase:\t%S" ("left up -> pressTimed").
#pragma once

#include <cstdint>
#include <initializer_list>

#include "input/input_platform.h"
#include "settings/settings.h"

// However long the release interval is set, a release is never held longer than this.
constexpr std::int32_t kMaxHoldMs = 1000;
// A press this soon after its button's release may be the contact closing again: a finger needs
// 40 ms or more to let go of a button and press it again on purpose.
constexpr std::uint64_t kBlipWindowUs = 40000;
// A press whose own tick is two of Windows' tick steps (15.625 ms) or more before its release's
// was down longer than any bounce, whatever the performance counter says: the hook may be called
// for both at once after the system stalled.
constexpr std::int32_t kStalledClickTicks = 31;
// A release that ends a hold longer than 拖动阈值 (a drag) waits this long, or 抖动时长 if that is
// longer, for the switch's opening before anything is armed: no hand presses again this soon
// after letting go, least of all after a long hold, and a drop arriving this much later is not
// felt, where a drag broken in two is.
constexpr std::int32_t kOpeningWaitMs = 10;

// One button's state: what applications have been shown of it, and what the machine holds back
// of it. Only ButtonMachine::setPhase changes it.
enum class ButtonPhase : std::uint8_t {
  unknown,         // nothing since the hook was installed, or installed again
  down,            // applications saw its press
  up,              // applications saw its release
  releaseHeld,     // they saw its press; the release filter holds its release until the deadline
  releaseGuarded,  // they saw its press; the hold guard alone holds its release
  pressSwallowed,  // the hand holds a press this filter swallowed; its release is swallowed too
  pressHeld,       // the right press is held back until it is a click, a drag or volume
  pressTimed,      // a press soon after a release, held back until it is let go (a contact
                   // blip) or has been down for 抖动时长 (a hand's, then judged as at its time)
  pressTaken,      // the hand holds a right press the volume took: it and its release reach no one
};

// Whether the button starts with its hold guard armed: its switch opened in a hold lately (the
// switch health's history says), or 长按保护间隔 was set (by the fit, which saw the switch open
// in drags in the record of clicks, or by the user), which no history need show.
inline bool guardArmedAtStart(const Settings& settings, MouseButton button, bool openedLately) {
  return openedLately || (settings.longHoldGuardInterval > 0 && buttonChosen(settings, button));
}

struct ButtonState {
  std::uint32_t releaseTick = 0;  // the last release the hook saw, a blip's aside
  std::uint64_t releaseUs = 0;
  std::uint64_t deadlineUs = 0;  // when the held release is let go
  // When the press applications see down was judged: the hold a release ends is from there.
  std::uint32_t downTick = 0;
  std::uint64_t downUs = 0;
  // The timed press: when the hook saw it, and its own tick.
  std::uint32_t pressTick = 0;
  std::uint32_t pressTime = 0;
  std::uint64_t pressUs = 0;
  ButtonPhase phase = ButtonPhase::unknown;
  // What the timed press came in, and what a blip leaves: up, or a release still held.
  ButtonPhase beneath = ButtonPhase::up;
  // The switch bounced in a drag: what the button is, for the session, not a phase of it.
  bool guardArmed = false;
  bool released = false;  // releaseTick and releaseUs are set
  bool holdBack = false;  // the timed press, once a hand's, is held back as `press` was asked
  // Events a press judged late swallowed, counted with the button's next decision.
  std::uint8_t owed = 0;
  // The middle and side buttons' own press stamp (the left and right share ButtonStates').
  bool ownPressStamped = false;
  std::uint32_t ownPressTick = 0;
  std::uint64_t ownPressUs = 0;
};

// A button event or a move that came while a press was timed. It waits behind that press and is
// judged as at its own time when its turn comes; a move stands for the pointer's position.
struct WaitingEvent {
  ClockReading at;
  MouseEvent event;  // a button's, which its message names, or a move
  bool chosen;       // as the settings said when it came
  bool holdBack;     // as ButtonMachine::press was asked
  bool isButton() const { return event.buttonMessage.known; }
  MouseButton button() const { return event.buttonMessage.button; }
  bool press() const { return event.buttonMessage.press; }
};
// A hand makes a few events in the 抖动时长 a press is timed for; moves that follow each other
// wait as one. A queue full settles the timed press at once as the hand's, and what waited goes
// out behind it: nothing is lost and no button left held, only that press's blip repair.
constexpr int kWaitingEvents = 16;

// What the machine keeps: each button's state, the press stamp the left and right buttons
// share, and what waits behind a timed press.
struct ButtonStates {
  ButtonState& operator[](MouseButton b) { return at[static_cast<int>(b)]; }
  const ButtonState& operator[](MouseButton b) const { return at[static_cast<int>(b)]; }
  // The button's phase once what waits has taken its turn, as far as that is known now: a press
  // of it waiting is as undecided as a timed one (pressTimed), a release leaves it up.
  ButtonPhase phaseAfterWaiting(MouseButton b) const;
  bool waits(MouseButton b) const;  // an event of the button waits
  ButtonState at[kButtonCount];
  std::uint32_t lastPressTick = 0;
  std::uint64_t lastPressUs = 0;
  bool pressStamped = false;    // a left or right press of a chosen button has set lastPressTick
  std::int32_t heldPressX = 0;  // where the held-back right press was made
  std::int32_t heldPressY = 0;
  WaitingEvent waiting[kWaitingEvents] = {};  // in the order they came
  int waitingCount = 0;
};

// The buttons' state machines. Each event has one handler, and every change of a phase goes
// through setPhase; an event in a phase that has no transition for it is a fault of this filter,
// told on the debug console (impossible), and leaves the button unknown.
class ButtonMachine {
 public:
  ButtonMachine(const Settings& settings, ButtonStates& states, InputPlatform& platform)
      : settings_(settings), states_(states), platform_(platform) {}

  // A press of a button the repairs apply to (`chosen`) or not. `holdBack`: a right press that
  // passes is held back until it is a click, a drag or volume.
  Decision press(MouseButton button, bool chosen, bool holdBack, const MouseEvent& event,
                 ClockReading now);
  Decision release(MouseButton button, bool chosen, const MouseEvent& event, ClockReading now);
  // The pointer moved: a held-back right press that leaves the drag rectangle goes out.
  Verdict move(const MouseEvent& event, ClockReading now);
  // The right press began a gesture: a held-back press whose release the hook missed is not
  // delivered late as a drag.
  void gestureBegan(ClockReading now) { heldPressTaken(ButtonPhase::unknown, now); }
  // The wheel turned the volume: a held-back right press was the start of it, and it and its
  // release reach no one.
  void takenForVolume(ClockReading now) { heldPressTaken(ButtonPhase::pressTaken, now); }
  // A wake-up asked for with wakeAfter is due.
  void timer(ClockReading now) { letGoDue(now); }
  // Lets go of every held release, and of a held-back press, at once.
  void letGoAll();
  // The hook was installed again: each button's state is unknown, but for a release still held;
  // a held-back right press, a timed press and one waiting behind it are delivered as clicks.
  void forget();

  // Whether applications were shown the button down; asks the system when its state is unknown,
  // unless `askSystem` is false: then unknown reads as up.
  bool shownDown(MouseButton button, bool askSystem = true);
  // The hand holds a press that never reached the system, so the system's key state says up.
  bool pressKeptFromTheSystem(MouseButton button) const {
    const ButtonPhase phase = states_.phaseAfterWaiting(button);
    return phase == ButtonPhase::pressHeld || phase == ButtonPhase::pressSwallowed ||
           phase == ButtonPhase::pressTimed || phase == ButtonPhase::pressTaken;
  }

 private:
  Decision pressInTurn(MouseButton button, bool chosen, bool holdBack, const MouseEvent& event,
                       ClockReading now, bool late);
  Decision releaseInTurn(MouseButton button, bool chosen, ClockReading now, bool heldPress);
  Verdict moveInTurn(const MouseEvent& event);
  bool endsInBlip(MouseButton button, const MouseEvent& release, ClockReading at);
  bool deliver(MouseButton button, bool press);
  void releaseNow(MouseButton button);
  // What waits behind a timed press (input/waiting_events.cpp).
  bool timing() const {
    for (const ButtonState& b : states_.at) {
      if (b.phase == ButtonPhase::pressTimed) return true;
    }
    return false;
  }
  // Read first on every event: nothing waits and nothing is timed.
  bool mustWait(ClockReading now) {
    return (states_.waitingCount > 0 || timing()) && waitsBehindTimed(now);
  }
  bool waitsBehindTimed(ClockReading now);
  Decision waitBehind(const WaitingEvent& e);
  void letWaitingGo(std::uint64_t nowUs);
  WaitingEvent takeWaiting(int at);
  void takeTurn(const WaitingEvent& e);
  void settleTimed();
  void settleAll();
  bool letGo(MouseButton button);
  void heldPressTaken(ButtonPhase next, ClockReading now);
  [[gnu::cold]] void impossible(MouseButton button, const wchar_t* event);
  // The one place a phase changes. The line is made only in debug mode: otherwise a change
  // costs a load and a branch more than the store.
  void setPhase(MouseButton button, ButtonPhase to) {
    ButtonPhase& phase = states_[button].phase;
    if (settings_.debugMode && phase != to) tellPhase(button, phase, to);
    phase = to;
  }
  [[gnu::cold]] void tellPhase(MouseButton button, ButtonPhase from, ButtonPhase to);
  void tell(const char* format, MouseButton button, std::initializer_list<const wchar_t*> parts);
  Decision judgePress(MouseButton button, bool chosen, bool holdBack, std::int32_t x,
                      std::int32_t y, ClockReading at);
  bool timesPress(MouseButton button, bool chosen, ClockReading now);
  bool settle(MouseButton button);
  static Decision counted(ButtonState& b, Decision decision);
  Verdict pressFilter(MouseButton button, ClockReading at);
  // The stamp the button's presses are judged from and its releases measured from.
  struct Stamp {
    std::uint32_t& tick;
    std::uint64_t& us;
    bool& set;
  };
  Stamp stampOf(MouseButton button);
  void armHoldGuard(ButtonState& b, ClockReading now);
  std::uint64_t guardWindowUs(const ButtonState& b, bool longHold) const;
  void letGoDue(ClockReading now);

  const Settings& settings_;
  ButtonStates& states_;
  InputPlatform& platform_;
  std::uint32_t delivered_ = 0;  // deliveries the system took, counted to see that one was made
  bool draining_ = false;        // letWaitingGo is under way (our deliveries may nest events)
};
