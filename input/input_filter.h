// The low-level mouse hook's decision for each event: pass it on or swallow it.
//
// Each case is a timeline under the name its test repeats. P press, R release, (t) its tick in
// ms, .... a release held back, |t when it is let go (delivered as input of our own). Intervals:
// press 100, release 50, scroll 50.
//
// Press filter: a press within the interval of the stamp (the last press of a chosen button):
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
// Wheel: a notch against the last one's direction within the interval:
//   "reversed notches within the interval"
//     +120(0)  -120(20)  -120(40)  -120(100)   passes, swallowed, swallowed, passes
// Right button for volume (快捷键=5), the right press held back until it shows what it is:
//   "a held right press ends as a click"       P(0)........R(300)   P and R delivered at 300
//   "a held right press ends as a drag"        P(0)..move out       P delivered for that move
//   "a held right press ends as volume"        P(0)..notch..R(900)  P and R reach no one
// Gestures, with the gesture key held:
//   "a gesture runs its command"               Alt+P(0)...R(400)          both swallowed
//   "the gesture key let go before the release" Alt+P(0)..Alt up..R(400) both swallowed, no run
//   "the gesture key pressed mid-drag"         P(0)..Alt..R(400)          both pass
//
// One line per feature:
// - Applications see each button's presses and releases alternate.
// - A move while a release is held passes, and neither ends nor lengthens the hold.
// - A held release the system refuses is tried again at the next wake-up; so is the release of
//   a held-back right press that ends as a click.
// - No release is held longer than kMaxHoldMs; one wake-up (wakeAfter) serves both buttons.
// - Pass-through posts a notch to the window under the cursor; volume control comes first.
// - Debug lines: "ClickTime:\t%d", "ReleaseTime:\t%d", "Hold guard armed:\t%d",
//   "Hold guard:\t%d", "Reverse Roller:\t%d", "Wheel direction:\t%d", "command:%S", and
//   "Button state bug:\t%S" for an event in a state the machine has no transition for.
#pragma once

#include <cstdint>

#include "common/win32_values.h"
#include "gesture/tracker.h"
#include "settings/settings.h"

struct MouseEvent {
  std::int32_t code;        // hook code; only 0 is examined
  std::uint32_t message;    // the mouse message
  std::int32_t x, y;        // screen position
  std::uint32_t mouseData;  // high word: signed wheel delta
};

enum class Verdict { pass, swallow };

// However long the release interval is set, a release is never held longer than this.
constexpr std::int32_t kMaxHoldMs = 1000;
// Letting go of a key and pressing it again, then turning the wheel, takes longer than this.
constexpr std::int32_t kKeyRepressMs = 200;

// One button's state machine: what applications have been shown of it, and what the filter
// holds back of it. InputFilter::press, release, letGo and forgetButtonStates are its
// transitions.
enum class ButtonPhase : std::uint8_t {
  unknown,         // nothing since the hook was installed, or installed again
  down,            // applications saw its press
  up,              // applications saw its release
  releaseHeld,     // they saw its press; the release filter holds its release until the deadline
  releaseGuarded,  // they saw its press; the hold guard alone holds its release
  pressSwallowed,  // the hand holds a press this filter swallowed; its release is swallowed too
  pressHeld,       // the right press is held back until it is a click, a drag or volume
};

enum class MouseButton : std::uint8_t { left, right };

struct ButtonState {
  std::uint32_t releaseTick = 0;  // the last release the hook saw
  std::uint32_t deadline = 0;     // when the held release is let go
  ButtonPhase phase = ButtonPhase::unknown;
  // The switch bounced in a drag: what the button is, for the session, not a phase of it.
  bool guardArmed = false;
};

struct ButtonStates {
  ButtonState& operator[](MouseButton b) { return at[static_cast<int>(b)]; }
  const ButtonState& operator[](MouseButton b) const { return at[static_cast<int>(b)]; }
  ButtonState at[2];
};

// How far the filter stands aside for now, beside what the settings say. The main thread sets it
// (the user's pause, the rule of the program in the foreground); the hook reads it once per event.
//   features:    the right press never begins a gesture (it takes the ordinary path, and no key
//                is masked); the wheel is repaired and then passes, even with the volume key held
//   all, paused: the held releases are let go, then every event passes untouched and each
//                button's state is unknown again, as at the hook's start
// A gesture already begun finishes as it began, whatever the value meanwhile:
//   Alt+P(0) none ... [features] ... R(400)   the release ends the gesture and runs its command
enum class Bypass : std::uint8_t {
  none,      // everything as the settings say
  features,  // gestures, volume control and pass-through off; the repairs stay on
  all,       // a program's rule: every event passes untouched
  paused,    // the user's pause: as `all`
};

struct FilterState {
  std::uint32_t lastPressTick = 0;
  std::uint32_t lastWheelTick = 0;
  std::uint32_t lastVolumeTick = 0;  // the last notch taken for the volume
  std::int16_t lastWheelDelta = 0;
  bool stamped = false;          // the wheel's tick is set on the first call
  bool pressStamped = false;     // a press of a chosen button has set lastPressTick
  bool gesturePress = false;     // the right button's current press began a gesture
  bool volumeKeyMasked = false;  // in the volume key's current hold
  // How many events the repairs swallowed in the latest decision (a bounce pair is two), for
  // the switch health; gestures, volume and pass-through swallow events that were no fault.
  std::uint8_t repairSwallowed = 0;
  std::int32_t heldPressX = 0;  // where the held-back right press was made
  std::int32_t heldPressY = 0;
  ButtonStates buttons;
  // The mouse_key bits of the middle and X buttons applications were shown held.
  std::uint32_t otherButtonsDown = 0;
  WholeField<Bypass> bypass;  // written by the main thread
};

// What the decisions need from the desktop. Everything here is called from inside the hook,
// so an implementation must return at once.
class InputPlatform {
 public:
  virtual ~InputPlatform() = default;
  virtual bool isKeyHeld(std::uint32_t virtualKey) = 0;
  // Debug console lines; print nowhere when the console is closed.
  virtual void print(const char* format, std::int32_t value) = 0;
  virtual void printText(const char* format, const wchar_t* text) = 0;
  // Posts a wheel message to the window under (x, y), with the point as that window is given
  // it; false when it could not be posted.
  virtual bool postWheel(std::int32_t x, std::int32_t y, std::uint32_t wParam) = 0;
  // Asks the window under (x, y) to change the volume (an app_command value).
  virtual void sendVolume(std::int32_t x, std::int32_t y, std::uint32_t command) = 0;
  // Runs the command bound to a finished gesture once the hook has returned.
  virtual void queueGestureCommand(const wchar_t* text) = 0;
  // Sends a button message (leftDown, leftUp, rightDown, rightUp) as input of the program's
  // own, which the hook lets pass unexamined: a held release let go, or the press behind it.
  // False when the system refused it.
  virtual bool deliverButton(std::uint32_t message) = 0;
  // Asks for InputFilter::onTimer to be called about `delayMs` from now; a later request
  // replaces an earlier one.
  virtual void wakeAfter(std::uint32_t delayMs) = 0;
  // Sends a neutral key, so that a gesture or volume key held through swallowed events is not
  // taken for a lone tap when it is let go (Alt would open the menu bar, Win the Start menu).
  virtual void maskGestureKey() = 0;
  // How far the pointer may move from a press, either way, before the system takes it for a
  // drag.
  struct DragSize {
    std::int32_t x, y;
  };
  virtual DragSize dragSize() = 0;
  // True when the system itself sends the wheel to the window under the cursor.
  virtual bool systemRoutesWheelToCursor() = 0;
};

class InputFilter {
 public:
  InputFilter(const Settings& settings, FilterState& state, GestureTracker& gesture,
              InputPlatform& platform)
      : settings_(settings), state_(state), gesture_(gesture), platform_(platform) {}

  // One event at tick `now`. Allocates nothing and takes no lock.
  Verdict decide(const MouseEvent& event, std::uint32_t now);
  // A wake-up asked for with wakeAfter is due: lets go of the held releases whose time has come.
  void onTimer(std::uint32_t now);
  // Lets go of every held release, and of a held-back press, at once (the filter switched off,
  // the program ending).
  void releaseHeld();
  // The hook was installed again (the system had dropped it, a session unlock, a resume): what
  // happened meanwhile is unknown, so no release is swallowed for want of a press until each
  // button's next press. Releases already held are still let go.
  void forgetButtonStates();
  const FilterState& state() const { return state_; }

 private:
  bool gestureKeyHeld();
  bool volumeKeyHeld();
  bool holdsRightPress();
  // The button's transitions, one per event.
  Verdict press(MouseButton button, bool chosen, const MouseEvent& event, std::uint32_t now);
  Verdict release(MouseButton button, bool chosen, std::uint32_t now);
  bool letGo(MouseButton button);
  void impossible(MouseButton button, const wchar_t* event);
  Verdict pressFilter(std::uint32_t now);
  void armHoldGuard(ButtonState& b, std::uint32_t now);
  Verdict moveDuringHeldPress(const MouseEvent& event);
  void maskVolumeKey(std::uint32_t now);
  void letGoDue(std::uint32_t now);
  void noteOtherButton(const MouseEvent& event);
  bool shownDown(MouseButton button);
  std::uint32_t mouseKeyState();
  Verdict wheelFilter(const MouseEvent& event, std::uint32_t now);
  Verdict standAside();

  const Settings& settings_;
  FilterState& state_;
  // No program's rule turns gestures, volume and pass-through off for the current event.
  bool features_ = true;
  GestureTracker& gesture_;
  InputPlatform& platform_;
};

// A tick gap as the signed 32-bit difference, correct across the wrap at 2^32.
inline std::int32_t tickGap(std::uint32_t now, std::uint32_t then) {
  return static_cast<std::int32_t>(now - then);
}
