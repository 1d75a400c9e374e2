// What waits behind a timed press: the button machine's queue. While a press is timed, every later
// button event and move waits, and goes out after it in the order it came, each judged as at its
// own time (see the timeline "a press being timed keeps its place" in input/button_machine.h).
#include <cstdint>

#include "input/button_machine.h"

ButtonPhase ButtonStates::phaseAfterWaiting(MouseButton button) const {
  for (int i = waitingCount - 1; i >= 0; --i) {
    const WaitingEvent& e = waiting[i];
    if (e.isButton() && e.button() == button)
      return e.press() ? ButtonPhase::pressTimed : ButtonPhase::up;
  }
  return (*this)[button].phase;
}

bool ButtonStates::waits(MouseButton button) const {
  for (int i = 0; i < waitingCount; ++i) {
    if (waiting[i].isButton() && waiting[i].button() == button) return true;
  }
  return false;
}

// Whether an event coming now waits: behind a timed press (at most one is timed: a press is
// timed only when nothing waits), or behind what still waits for its turn (an event the system
// asks the hook about while ours go out). A full queue settles the timed press first, and what
// waited takes its turn.
bool ButtonMachine::waitsBehindTimed(ClockReading now) {
  if (states_.waitingCount == kWaitingEvents) {
    settleTimed();
    letGoDue(now);
  }
  // Still full only inside a turn already under way: the event goes out now, lost to no one.
  return states_.waitingCount < kWaitingEvents && (states_.waitingCount > 0 || timing());
}

// A move behind a move replaces it: only where the pointer ends matters.
Decision ButtonMachine::waitBehind(const WaitingEvent& e) {
  int& count = states_.waitingCount;
  if (!e.isButton() && count > 0 && !states_.waiting[count - 1].isButton()) {
    states_.waiting[count - 1] = e;
  } else {
    states_.waiting[count++] = e;
  }
  return {Verdict::swallow, 0};
}

// What waited takes its turn once nothing is timed, until a press it times stops it again. The
// timed button's own event behind that press ends the timing as it would have at its time: a
// release within 抖动时长 as a blip (the pair reaches no one), anything later as the hand's press,
// which goes out first. Without one, the press waits until it has been down 抖动时长 by `nowUs`.
void ButtonMachine::letWaitingGo(std::uint64_t nowUs) {
  if (draining_) return;
  draining_ = true;
  const std::int32_t blip = settings_.blipLength;
  const std::uint64_t blipUs = blip > 0 ? static_cast<std::uint64_t>(blip) * 1000 : 0;
  while (states_.waitingCount > 0) {
    int timed = 0;
    while (timed < kButtonCount && states_.at[timed].phase != ButtonPhase::pressTimed) ++timed;
    if (timed == kButtonCount) {
      takeTurn(takeWaiting(0));
      continue;
    }
    const MouseButton button = kMouseButtons[timed];
    int own = 0;
    while (own < states_.waitingCount &&
           !(states_.waiting[own].isButton() && states_.waiting[own].button() == button)) {
      ++own;
    }
    if (own == states_.waitingCount) {
      if (nowUs - states_[button].pressUs < blipUs) break;  // the wake-up lets it go
      settle(button);
    } else if (const WaitingEvent& e = states_.waiting[own];
               !e.press() && endsInBlip(button, e.event, e.at)) {
      ButtonState& b = states_[button];
      b.owed = static_cast<std::uint8_t>(b.owed + 2);
      takeWaiting(own);
    } else {
      settle(button);
    }
  }
  draining_ = false;
}

WaitingEvent ButtonMachine::takeWaiting(int at) {
  const WaitingEvent e = states_.waiting[at];
  --states_.waitingCount;
  for (int i = at; i < states_.waitingCount; ++i) states_.waiting[i] = states_.waiting[i + 1];
  return e;
}

// A button's event passing goes out as ours; a move puts the pointer where it left it, after a
// held-back right press it carries out of the drag rectangle has gone out.
void ButtonMachine::takeTurn(const WaitingEvent& e) {
  if (!e.isButton()) {
    moveInTurn(e.event);
    platform_.placePointer(e.event.x, e.event.y);
    return;
  }
  const Decision d = e.press() ? pressInTurn(e.button(), e.chosen, e.holdBack, e.event, e.at, false)
                               : releaseInTurn(e.button(), e.chosen, e.at, false);
  ButtonState& b = states_[e.button()];
  b.owed = static_cast<std::uint8_t>(b.owed + d.repaired);
  if (d.verdict == Verdict::pass) deliver(e.button(), e.press());
}

void ButtonMachine::settleTimed() {
  for (MouseButton button : kMouseButtons) {
    if (states_[button].phase == ButtonPhase::pressTimed) settle(button);
  }
}

// Every press timed is taken for the hand's, and what waited goes out behind it: nothing but
// held releases stays held back.
void ButtonMachine::settleAll() {
  letWaitingGo(UINT64_MAX);
  settleTimed();
}
