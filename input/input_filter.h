// The low-level mouse hook's decision for each event: pass it on or swallow it. InputFilter
// routes each event: the five buttons to their state machine (input/button_machine.h), the wheel
// through its repair (input/wheel_filter.h) and then to the volume or the window under the
// cursor, the right button with the gesture key held to the gesture.
//
// Each case is a timeline under the name its test repeats. P press, R release, (t) its tick in
// ms, .... a press held back.
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
// - Pass-through posts a notch to the window under the cursor; volume control comes first.
// - Debug lines: "Wheel direction:\t%d", "command:%S".
#pragma once

#include <cstdint>

#include "common/win32_values.h"
#include "gesture/tracker.h"
#include "input/button_machine.h"
#include "input/input_platform.h"
#include "input/input_source.h"
#include "input/wheel_filter.h"
#include "settings/settings.h"

// Letting go of a key and pressing it again, then turning the wheel, takes longer than this.
constexpr std::int32_t kKeyRepressMs = 200;

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
  ButtonStates buttons;
  WheelState wheel;
  std::uint32_t lastVolumeTick = 0;  // the last notch taken for the volume
  bool gesturePress = false;         // the right button's current press began a gesture
  bool volumeKeyMasked = false;      // in the volume key's current hold
  WholeField<Bypass> bypass;         // written by the main thread
};

class InputFilter {
 public:
  InputFilter(const Settings& settings, FilterState& state, GestureTracker& gesture,
              InputPlatform& platform)
      : settings_(settings),
        state_(state),
        gesture_(gesture),
        platform_(platform),
        buttons_(settings, state.buttons, platform),
        wheel_(settings, state.wheel, platform) {}

  // One event at `now`, from a source the repairs treat as `repair` (input/input_source.h):
  // skipped, it takes every route but the repairs'; standing aside, it passes untouched and
  // what is held back goes first. Allocates nothing and takes no lock.
  Decision decide(const MouseEvent& event, ClockReading now, Repair repair = Repair::apply);
  // A wake-up asked for with wakeAfter is due: lets go of the held releases whose time has come.
  void onTimer(ClockReading now) { buttons_.timer(now); }
  // Lets go of every held release, and of a held-back press, at once (the filter switched off,
  // the program ending).
  void releaseHeld() { buttons_.letGoAll(); }
  // The hook was installed again (the system had dropped it, a session unlock, a resume): what
  // happened meanwhile is unknown, so no release is swallowed for want of a press until each
  // button's next press. Releases already held are still let go.
  void forgetButtonStates();
  const FilterState& state() const { return state_; }
  // The button event just decided met the repairs: not a gesture's, nor one passed untouched in
  // a pause, for a program's rule 2 or for its source. The click record keeps only these.
  bool repairsJudged() const { return judged_; }

 private:
  bool chosen(MouseButton button) const;
  bool gestureKeyHeld();
  bool volumeKeyHeld();
  bool holdsRightPress();
  Decision startGesture(const MouseEvent& event, ClockReading now);
  Decision endGesture(std::uint32_t now);
  Decision routeWheel(const MouseEvent& event, ClockReading clocks);
  void maskVolumeKey(std::uint32_t now);
  std::uint32_t mouseKeyState();
  Decision standAside();

  const Settings& settings_;
  FilterState& state_;
  // No program's rule turns gestures, volume and pass-through off for the current event.
  bool features_ = true;
  bool repairs_ = true;  // the current event's source is repaired
  bool judged_ = false;
  GestureTracker& gesture_;
  InputPlatform& platform_;
  ButtonMachine buttons_;
  WheelFilter wheel_;
};
