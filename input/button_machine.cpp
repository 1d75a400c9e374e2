#include "input/button_machine.h"

#include <cstddef>
#include <initializer_list>

#include "common/win32_values.h"

namespace {
bool holdsRelease(const ButtonState& b) {
  return b.phase == ButtonPhase::releaseHeld || b.phase == ButtonPhase::releaseGuarded;
}
}  // namespace

ButtonMessage readButtonMessage(std::uint32_t message, std::uint32_t mouseData) {
  switch (message) {
    case mouse_message::leftDown:
      return {true, MouseButton::left, true};
    case mouse_message::leftUp:
      return {true, MouseButton::left, false};
    case mouse_message::rightDown:
      return {true, MouseButton::right, true};
    case mouse_message::rightUp:
      return {true, MouseButton::right, false};
    case mouse_message::middleDown:
      return {true, MouseButton::middle, true};
    case mouse_message::middleUp:
      return {true, MouseButton::middle, false};
    case mouse_message::xButtonDown:
    case mouse_message::xButtonUp: {
      const std::uint32_t which = mouseData >> 16;
      if (which != mouse_message::xButton1Data && which != mouse_message::xButton2Data) break;
      return {true, which == mouse_message::xButton1Data ? MouseButton::x1 : MouseButton::x2,
              message == mouse_message::xButtonDown};
    }
    default:
      break;
  }
  return {false, MouseButton::left, false};
}

Decision ButtonMachine::press(MouseButton button, bool chosen, bool holdBack,
                              const MouseEvent& event, std::uint32_t now) {
  ButtonState& b = states_[button];
  const Verdict verdict = chosen ? pressFilter(button, now) : Verdict::pass;
  bool late = false;
  switch (b.phase) {
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      // The bounce's press: it and the held release stay swallowed, and applications go on
      // seeing the button down. A bounce pair the release filter holds prints no guard line.
      if (chosen && tickGap(now, b.deadline) < 0) {
        if (b.phase == ButtonPhase::releaseGuarded) {
          platform_.print("Hold guard:\t%d\n", tickGap(now, b.releaseTick));
        }
        b.phase = ButtonPhase::down;
        return {Verdict::swallow, 2};
      }
      // The wake-up is late (or the button is no longer chosen): this press passing now would
      // reach applications before the release we inject, so both go out as our own, in order.
      // A release the system refuses now is dropped: the press stands in for its button held.
      if (!letGo(button)) {
        b.phase = ButtonPhase::down;
        return {Verdict::swallow, 0};
      }
      late = true;
      break;
    case ButtonPhase::up:
      if (chosen) armHoldGuard(b, now);
      break;
    case ButtonPhase::unknown:
    case ButtonPhase::down:            // the hook missed its release (a program with higher
    case ButtonPhase::pressSwallowed:  // rights took it): this press is judged as any other
    case ButtonPhase::pressHeld:
      break;
  }
  if (verdict == Verdict::swallow) {
    b.phase = ButtonPhase::pressSwallowed;
    return {Verdict::swallow, 1};
  }
  if (button == MouseButton::right && holdBack) {
    b.phase = ButtonPhase::pressHeld;
    states_.heldPressX = event.x;
    states_.heldPressY = event.y;
    return {Verdict::swallow, 0};
  }
  b.phase = ButtonPhase::down;
  if (!late) return {Verdict::pass, 0};
  platform_.deliverButton(button, true);
  return {Verdict::swallow, 0};
}

// A worn switch opens for a few milliseconds in the middle of a drag, long after the last press,
// where the press filter cannot see it. A release followed within the guard's window (保护间隔) by
// a press of the same button (with the release repair on) has shown the switch worn: from then
// on each release of the button is held for that window, and a press within it is swallowed
// with it. This first bounce has already reached applications as a release, so its press goes
// on as the filter judges it. An armed guard delays that button's releases and nothing else.
void ButtonMachine::armHoldGuard(ButtonState& b, std::uint32_t now) {
  if (!settings_.releaseRepair || b.guardArmed) return;
  const std::int32_t gap = tickGap(now, b.releaseTick);
  if (gap >= 0 && gap < settings_.holdGuardInterval) {
    b.guardArmed = true;
    platform_.print("Hold guard armed:\t%d\n", gap);
  }
}

// A release within the release interval of the stamp is a bounce candidate, however soon it
// comes (a press, a 2 ms bounce and its press often read the same tick). It is held back, not
// dropped: swallowed now and let go at the later of stamp + interval and release + the guard's
// window, unless a press of the same button comes first. A bounce's press follows its release
// within a few milliseconds, inside that window; a deliberate second click comes later, so holds
// end as early as that allows and double clicks stay two clicks.
Decision ButtonMachine::release(MouseButton button, bool chosen, std::uint32_t now) {
  ButtonState& b = states_[button];
  b.releaseTick = now;
  bool heldPress = false;
  switch (b.phase) {
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      // Only a missed press makes two releases in a row; the held one stands for both.
      return {Verdict::swallow, 1};
    case ButtonPhase::pressHeld:
      // A held-back right press ends as a click: the press goes first, then the release as the
      // filter judges it, delivered by us too so that it cannot overtake the press.
      letGo(button);
      heldPress = true;
      break;
    case ButtonPhase::unknown:  // a release whose press the hook never saw passes: no button
    case ButtonPhase::down:     // is left held
    case ButtonPhase::up:
    case ButtonPhase::pressSwallowed:
      break;
  }
  const bool repair = chosen && settings_.releaseRepair;
  const std::int32_t interval = settings_.releaseInterval;  // read once: a reload may change it
  bool bounce = false;
  if (repair && stamped(button)) {
    const std::int32_t gap = tickGap(now, stampTick(button));
    bounce = gap >= 0 && gap < interval;
    if (bounce) platform_.print("ReleaseTime:\t%d\n", gap);
  }
  // Applications never saw the press (the press filter, a gesture or volume took it).
  if (b.phase == ButtonPhase::pressSwallowed) {
    b.phase = ButtonPhase::up;
    return {Verdict::swallow, 0};
  }
  const bool guard = repair && b.guardArmed;
  if (!bounce && !guard && !heldPress) {
    b.phase = ButtonPhase::up;
    return {Verdict::pass, 0};
  }
  // The release of a held-back press goes out at once, as a held release that is due: one the
  // system refuses is tried again, never dropped with the button left down.
  if (!bounce && !guard) {
    b.phase = ButtonPhase::releaseHeld;
    b.deadline = now;
    letGoDue(now);
    return {Verdict::swallow, 0};
  }
  std::uint32_t deadline = now + static_cast<std::uint32_t>(settings_.holdGuardInterval.load());
  if (bounce) {
    const std::uint32_t filterDeadline = stampTick(button) + static_cast<std::uint32_t>(interval);
    if (tickGap(filterDeadline, deadline) > 0) deadline = filterDeadline;
  }
  if (tickGap(deadline, now) > kMaxHoldMs) deadline = now + static_cast<std::uint32_t>(kMaxHoldMs);
  b.phase = bounce ? ButtonPhase::releaseHeld : ButtonPhase::releaseGuarded;
  b.deadline = deadline;
  letGoDue(now);
  return {Verdict::swallow, 0};
}

// Inside the drag rectangle the held-back press may still become a click or volume. The move
// that leaves it is swallowed, so the press lands where the pointer still is, near where it
// was made, and the moves after it reach applications as a drag.
Verdict ButtonMachine::move(const MouseEvent& event) {
  if (states_[MouseButton::right].phase != ButtonPhase::pressHeld) return Verdict::pass;
  const InputPlatform::DragSize drag = platform_.dragSize();
  const std::int64_t dx = static_cast<std::int64_t>(event.x) - states_.heldPressX;
  const std::int64_t dy = static_cast<std::int64_t>(event.y) - states_.heldPressY;
  if (dx <= drag.x && -dx <= drag.x && dy <= drag.y && -dy <= drag.y) return Verdict::pass;
  letGo(MouseButton::right);
  return Verdict::swallow;
}

// A gesture or volume took the right button over: a held-back press never goes out, and the
// button is `next`. In any other phase it stays as it was: a held release is let go on time, a
// press applications saw stays down for them, and a swallowed press's release is swallowed.
void ButtonMachine::heldPressTaken(ButtonPhase next) {
  ButtonState& right = states_[MouseButton::right];
  switch (right.phase) {
    case ButtonPhase::pressHeld:
      right.phase = next;
      break;
    case ButtonPhase::unknown:
    case ButtonPhase::down:
    case ButtonPhase::up:
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
    case ButtonPhase::pressSwallowed:
      break;
  }
}

// Delivers what the machine holds back of the button: a held release (false, and still held,
// when the system refused it), or a held-back press, which the hand still holds, so that its
// release completes the click or it begins a drag.
bool ButtonMachine::letGo(MouseButton button) {
  ButtonState& b = states_[button];
  switch (b.phase) {
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      if (!platform_.deliverButton(button, false)) return false;
      b.phase = ButtonPhase::up;
      return true;
    case ButtonPhase::pressHeld:
      platform_.deliverButton(button, true);
      b.phase = ButtonPhase::down;
      return true;
    case ButtonPhase::unknown:
    case ButtonPhase::down:
    case ButtonPhase::up:
    case ButtonPhase::pressSwallowed:
      break;
  }
  impossible(button, L"let go");
  return true;
}

// As libinput's debouncer does: an event the state has no transition for is a fault of this
// filter; it is told, and the state stays as it was.
void ButtonMachine::impossible(MouseButton button, const wchar_t* event) {
  static const wchar_t* const kPhases[] = {L"unknown",     L"down",           L"up",
                                           L"releaseHeld", L"releaseGuarded", L"pressSwallowed",
                                           L"pressHeld"};
  static const wchar_t* const kButtonNames[kButtonCount] = {L"left ", L"right ", L"middle ", L"x1 ",
                                                            L"x2 "};
  wchar_t line[64];
  std::size_t length = 0;
  for (const wchar_t* part : {kButtonNames[static_cast<int>(button)], event, L" in ",
                              kPhases[static_cast<int>(states_[button].phase)]}) {
    while (*part != L'\0' && length + 1 < sizeof line / sizeof line[0]) line[length++] = *part++;
  }
  line[length] = L'\0';
  platform_.printText("Button state bug:\t%S\n", line);
}

// The left and right buttons share one stamp. A middle or side button's press is no bounce of
// another switch, and with a shared stamp a back click soon after a left click would be lost:
// each of them keeps its own.
std::uint32_t& ButtonMachine::stampTick(MouseButton button) {
  if (button == MouseButton::left || button == MouseButton::right) return states_.lastPressTick;
  return states_[button].ownPressTick;
}
bool& ButtonMachine::stamped(MouseButton button) {
  if (button == MouseButton::left || button == MouseButton::right) return states_.pressStamped;
  return states_[button].ownPressStamped;
}

// The release filter measures from the stamp whether or not the press repair is on. The first
// press has nothing to bounce from; a gap of more than 24.9 days reads as negative and is long
// ago all the same.
Verdict ButtonMachine::pressFilter(MouseButton button, std::uint32_t now) {
  std::uint32_t& stamp = stampTick(button);
  const std::int32_t gap = tickGap(now, stamp);
  const bool first = !stamped(button);
  stamp = now;
  stamped(button) = true;
  if (!settings_.clickRepair || first) return Verdict::pass;
  if (gap >= 0 && gap < settings_.clickInterval) {
    platform_.print("ClickTime:\t%d\n", gap);
    return Verdict::swallow;
  }
  return Verdict::pass;
}

// Lets go of the held releases whose time has come, the earliest release first, and asks for
// one wake-up, at the next deadline, for every button. A late timer's overdue release goes out
// at the next hold instead of waiting behind the wake-up that hold asks for; one the system
// refused stays due and is tried again at the next wake-up.
void ButtonMachine::letGoDue(std::uint32_t now) {
  // The due buttons in the order their releases came; a tie keeps the order of kMouseButtons.
  MouseButton due[kButtonCount];
  int count = 0;
  for (MouseButton button : kMouseButtons) {
    const ButtonState& b = states_[button];
    if (!holdsRelease(b) || tickGap(now, b.deadline) < 0) continue;
    int at = count++;
    for (; at > 0 && tickGap(b.releaseTick, states_[due[at - 1]].releaseTick) < 0; --at) {
      due[at] = due[at - 1];
    }
    due[at] = button;
  }
  for (int i = 0; i < count; ++i) letGo(due[i]);

  std::int32_t delay = kMaxHoldMs;
  bool holding = false;
  for (const ButtonState& b : states_.at) {
    if (!holdsRelease(b)) continue;
    const std::int32_t wait = tickGap(b.deadline, now);
    if (wait < delay) delay = wait;
    holding = true;
  }
  if (holding) platform_.wakeAfter(delay > 0 ? static_cast<std::uint32_t>(delay) : 1u);
}

void ButtonMachine::letGoAll() {
  for (MouseButton button : kMouseButtons) {
    const ButtonState& b = states_[button];
    if (holdsRelease(b) || b.phase == ButtonPhase::pressHeld) letGo(button);
  }
}

// Whatever the hook missed meanwhile, applications may have seen; a release already held is
// still let go.
void ButtonMachine::forget() {
  for (ButtonState& b : states_.at) {
    if (!holdsRelease(b)) b.phase = ButtonPhase::unknown;
  }
}

// Down for applications until they see its release; unknown since the hook was installed again
// until its next press, when the system is asked.
bool ButtonMachine::shownDown(MouseButton button, bool askSystem) {
  switch (states_[button].phase) {
    case ButtonPhase::down:
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      return true;
    case ButtonPhase::up:
    case ButtonPhase::pressSwallowed:
    case ButtonPhase::pressHeld:
      return false;
    case ButtonPhase::unknown:
      break;
  }
  static const std::uint32_t kKeys[kButtonCount] = {vk::leftButton, vk::rightButton,
                                                    vk::middleButton, vk::xButton1, vk::xButton2};
  return askSystem && platform_.isKeyHeld(kKeys[static_cast<int>(button)]);
}
