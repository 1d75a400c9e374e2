// The low-level mouse hook's decision for each event: pass it on or swallow it.
//
// Press filter (both buttons share one stamp; interval 100 ms):
//   P(0)---P(40)---P(90)-------P(300)     0 passes, 40 and 90 swallowed (each within 100 ms
//                                         of the press before), 300 passes (210 after 90)
// Every press of a chosen button renews the stamp, also with the press repair off: the release
// filter measures from it.
// Release filter (measured from the stamp; interval 50 ms). A release within the interval is a
// bounce candidate, however soon it comes (a press, a 2 ms bounce and its press often read the
// same tick of the system's counter). It is held back, not dropped: swallowed now, and let go
// (delivered as input of our own) at the later of stamp + interval and release + kHoldGuardMs,
// unless a press of the same button comes first. A bounce's press follows its release within a
// few milliseconds, inside kHoldGuardMs; a deliberate second click comes later than that, so
// holds end as early as that allows and double clicks stay two clicks.
//   P(0)R(0).........|50                  same tick: held, let go at 50
//   P(0)--R(3).......|50                  3 ms: held; no press follows, so it is let go at 50
//   P(0)-------R(40)...|60                40 ms: held until 40 + 20
//   P(0)-------R(50)                      50 ms: passes
//   P(0)--R(70)----P(140)--R(210)         interval 100: R(70) is let go at 100, so the double
//                                         click arrives as two clicks
// A move while a release is held passes: applications see the pointer move with the button
// still down, as a short drag, until the release is let go; a move neither ends nor lengthens
// a hold.
// With both buttons chosen the stamp is shared:
//   left   P(0)----------R(220)....|250   the left release, 20 after the right press,
//   right         P(200)                  is held and let go at 250
// The chattering click (a press within the hold is the bounce pair: both stay swallowed):
//   P(0)--R(30)-P(40)--------R(300)       applications see P(0) and R(300)
//   P(0)--R(30)-P(40)R(45)....|90         applications see P(0) and R at 90
// A wake-up that comes late: a press after the deadline while the release is still held is
// swallowed, and the release and then the press (if the press filter passes it) are
// delivered in that order, so applications never see two presses without a release between:
//   P(0)--R(30)..|50.......P(110)         at 110: R and P delivered; P(90) instead: R only
// A held release the system refuses to take is tried again at the next wake-up.
// Applications see each button's presses and releases alternate: a release whose press this
// filter swallowed (the press filter, a gesture, or volume on a held-back press) is swallowed
// too, and no other release is:
//   P(0)---R(60)--P(90)-------R(200)      90 swallowed by the press filter, so 200 is too
// A release whose press the hook never saw (a program running as administrator took it, or
// the hook was away) passes, so no button is left held. After the hook is installed again
// (forgetButtonStates) nothing is known of what applications saw.
// One wake-up (wakeAfter) serves both buttons, for the earlier deadline; a release overdue
// behind a late timer is let go when the other button's release is held. No release is held
// longer than kMaxHoldMs, however long the release interval is set. releaseHeld() lets go of
// every held release (and a held-back press) at once.
//
// Hold guard (a chosen button with the release repair on). A worn switch opens for a few
// milliseconds in the middle of a drag; the press filter cannot see it, since the press comes
// long after the last one. A release followed within kHoldGuardMs by a press of the same
// button arms the guard for that button for the rest of the session; that first bounce has
// already reached applications (release and press both pass). From then on each release of
// the button is held for kHoldGuardMs (or until the release filter's deadline, whichever is
// later), and a press within it is swallowed with it:
//   P(0)------R(5000)P(5005)------R(6000)P(6004)------R(9000)....|9020
//   passes    passes passes,armed held   swallowed    held, let go at 9020
// Debug lines: "Hold guard armed:\t5" when the guard arms (the gap from release to press),
// "Hold guard:\t4" for each bounce it swallows. A bounce pair the release filter holds keeps
// its "ReleaseTime" and "ClickTime" lines and prints no guard line.
// An armed guard delays that button's releases by at most kHoldGuardMs, and nothing else:
// presses, the other button and the wheel are as without it.
//
// Reversed wheel notch (interval 50 ms): only the direction counts, so a fine wheel's
// 40, 40, 80, 40 all pass.
//   +120(0)  -120(20)  -120(40)  -120(100)
//   passes   swallowed swallowed passes    a swallowed notch moves the wheel stamp but not
//                                         the remembered delta
// Pass-through posts the notch to the window under the cursor, unless the system already
// routes the wheel there itself; then the notch passes. Volume control comes first. A volume
// key on the keyboard is masked at the first notch of each hold (Alt let go would open the
// menu bar, Win the Start menu); the filter sees no keyboard, so a hold is taken to have ended
// at a notch without the key, or after kKeyRepressMs without a notch.
// Right button for volume (快捷键=5): a right press the press filter passes is held back until
// it shows what it is:
//   P(0)........R(300)                    a click: P and R delivered at 300
//   P(0)..move out of the drag rectangle  a drag: P delivered there (that move is swallowed,
//                                         the next ones pass)
//   P(0)..notch..notch..R(900)            volume: P and R reach no one
// Gestures (gesture key held, gestures on): the right press starts a gesture and is swallowed
// (and the key is masked, so its release is not a lone tap that opens a menu), moves are
// recorded, and the right release is swallowed and its command runs after the hook. The
// release of a press that began a gesture is always swallowed; its command runs only when the
// key is still held:
//   Alt+P(0)...R(400)  gesture     Alt+P(0)..Alt up..R(400)  swallowed, nothing runs
//   P(0)..Alt..R(400)  ordinary: the application saw P(0)
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

enum class Verdict { Pass, Swallow };

// A bounce inside a drag lasts a few milliseconds, but the hook's tick comes from the system's
// tick counter, which on Windows advances in steps of about 15.6 ms: a 3 ms opening that
// straddles a step reads as 15 or 16 ms. 20 ms catches every opening shorter than one step,
// and stays well under the 40 ms or more a finger needs to let go of a button and press it
// again on purpose; it is also the delay an armed guard adds to each release.
constexpr std::int32_t kHoldGuardMs = 20;
// However long the release interval is set, a release is never held longer than this.
constexpr std::int32_t kMaxHoldMs = 1000;
// Letting go of a key and pressing it again, then turning the wheel, takes longer than this.
constexpr std::int32_t kKeyRepressMs = 200;

// What applications have been shown of one button, and what the filter holds back of it.
enum class ButtonPhase : std::uint8_t {
  unknown,         // nothing since the hook was installed, or installed again
  down,            // applications saw its press
  up,              // applications saw its release
  releaseHeld,     // applications saw its press; its release is held back until the deadline
  pressSwallowed,  // the hand holds a press this filter swallowed; its release is swallowed too
  pressHeld,       // the right press is held back until it is a click, a drag or volume
};

struct ButtonState {
  std::uint32_t releaseTick = 0;  // the last release the hook saw
  std::uint32_t deadline = 0;     // when the held release is let go
  ButtonPhase phase = ButtonPhase::unknown;
  bool guardHold = false;  // held by the hold guard alone, not by the release filter
  bool guardArmed = false;
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
  bool stamped = false;          // the two ticks are set on the first call
  bool gesturePress = false;     // the right button's current press began a gesture
  bool volumeKeyMasked = false;  // in the volume key's current hold
  // How many events the repairs swallowed in the latest decision (a bounce pair is two), for
  // the switch health; gestures, volume and pass-through swallow events that were no fault.
  std::uint8_t repairSwallowed = 0;
  std::int32_t heldPressX = 0;  // where the held-back right press was made
  std::int32_t heldPressY = 0;
  ButtonState buttons[2];     // left, right
  WholeField<Bypass> bypass;  // written by the main thread
};

// What the decisions need from the desktop. Everything here is called from inside the hook,
// so an implementation must return at once.
class InputPlatform {
 public:
  virtual ~InputPlatform() = default;
  virtual bool isKeyHeld(std::uint32_t virtualKey) = 0;
  // The mouse_key bits of the keys and buttons held now.
  virtual std::uint32_t mouseKeyState() = 0;
  // Debug console lines; print nowhere when the console is closed.
  virtual void print(const char* format, std::int32_t value) = 0;
  virtual void printText(const char* format, const wchar_t* text) = 0;
  // Posts a wheel message to the window under (x, y); false when it could not be posted.
  virtual bool postWheel(std::int32_t x, std::int32_t y, std::uint32_t wParam,
                         std::uint32_t lParam) = 0;
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
  Verdict press(int button, bool chosen, const MouseEvent& event, std::uint32_t now);
  Verdict release(int button, bool chosen, std::uint32_t now);
  Verdict pressFilter(std::uint32_t now);
  Verdict moveDuringHeldPress(const MouseEvent& event);
  void maskVolumeKey(std::uint32_t now);
  bool letGo(int button);
  void letGoDue(std::uint32_t now);
  // `features`: volume control and pass-through may act (no program's rule turned them off).
  Verdict wheelFilter(const MouseEvent& event, std::uint32_t now, bool features);
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
