#include "input/input_filter.h"

#include <cstddef>
#include <initializer_list>

bool InputFilter::gestureKeyHeld() {
  return settings_.gestures && platform_.isKeyHeld(settings_.gestureKey);
}

namespace {
constexpr MouseButton kButtons[] = {MouseButton::left, MouseButton::right};

std::uint32_t downMessage(MouseButton b) {
  return b == MouseButton::left ? mouse_message::leftDown : mouse_message::rightDown;
}
std::uint32_t upMessage(MouseButton b) {
  return b == MouseButton::left ? mouse_message::leftUp : mouse_message::rightUp;
}

int direction(std::int16_t delta) {
  return (delta > 0) - (delta < 0);
}

bool isMouseButton(std::uint32_t virtualKey) {
  return virtualKey == vk::leftButton || virtualKey == vk::rightButton;
}

bool holdsRelease(const ButtonState& b) {
  return b.phase == ButtonPhase::releaseHeld || b.phase == ButtonPhase::releaseGuarded;
}

// The hand holds a press that never reached the system, so the system's key state says up.
bool pressKeptFromTheSystem(const ButtonState& b) {
  return b.phase == ButtonPhase::pressHeld || b.phase == ButtonPhase::pressSwallowed;
}
}  // namespace

// A volume button whose press the filter holds back or swallowed is held all the same.
bool InputFilter::volumeKeyHeld() {
  const std::uint32_t key = settings_.volumeKey;
  if (key == vk::leftButton && pressKeptFromTheSystem(state_.buttons[MouseButton::left])) {
    return true;
  }
  if (key == vk::rightButton && pressKeptFromTheSystem(state_.buttons[MouseButton::right])) {
    return true;
  }
  return platform_.isKeyHeld(key);
}

// With the right button as the volume key, its press may be the start of a volume change, which
// must reach no one. The left button is never held back: every click would come late.
bool InputFilter::holdsRightPress() {
  return features_ && settings_.volumeControl && settings_.volumeKey == vk::rightButton;
}

Verdict InputFilter::decide(const MouseEvent& event, std::uint32_t now) {
  state_.repairSwallowed = 0;
  if (!state_.stamped) {
    state_.lastWheelTick = now;
    state_.stamped = true;
  }
  if (event.code != 0) return Verdict::pass;
  // A gesture begun before the rule changed finishes as it began.
  const Bypass bypass = state_.gesturePress ? Bypass::none : state_.bypass.load();
  if (bypass >= Bypass::all) return standAside();
  features_ = bypass == Bypass::none;

  switch (event.message) {
    case mouse_message::move:
      // A move counts only within a second of a gesture's start (addPoint drops it
      // otherwise), so the key state, a round trip to the system on some desktops, is read
      // only then and not for every move of the day.
      if (now - gesture_.startTick <= kGestureWindowMs && gestureKeyHeld()) {
        addPoint(gesture_, event.x, event.y, now);
      }
      if (state_.buttons[MouseButton::right].phase == ButtonPhase::pressHeld) {
        return moveDuringHeldPress(event);
      }
      return Verdict::pass;

    case mouse_message::rightDown:
      // The press starts a gesture and is swallowed, and the key is masked so that its release
      // is not a lone tap that opens a menu.
      state_.gesturePress = features_ && gestureKeyHeld();
      if (state_.gesturePress) {
        // A held-back press whose release the hook missed is not delivered late as a drag.
        ButtonState& right = state_.buttons[MouseButton::right];
        if (right.phase == ButtonPhase::pressHeld) right.phase = ButtonPhase::unknown;
        beginGesture(gesture_, event.x, event.y, now);
        platform_.maskGestureKey();
        return Verdict::swallow;
      }
      return press(MouseButton::right, settings_.rightButton != 0, event, now);

    case mouse_message::leftDown:
      return press(MouseButton::left, settings_.leftButton != 0, event, now);

    case mouse_message::rightUp:
      // Applications never saw a gesture's press, whether or not its key is still held; its
      // command runs only when the key still is.
      if (state_.gesturePress) {
        state_.gesturePress = false;
        if (gestureKeyHeld()) {
          const wchar_t* text = gestureText(gesture_, now);
          if (text[0] != L'\0') {
            platform_.printText("command:%S\n", text);
            platform_.queueGestureCommand(text);
          }
        }
        return Verdict::swallow;
      }
      return release(MouseButton::right, settings_.rightButton != 0, now);

    case mouse_message::leftUp:
      return release(MouseButton::left, settings_.leftButton != 0, now);

    case mouse_message::wheel:
      return wheelFilter(event, now);

    case mouse_message::middleDown:
    case mouse_message::middleUp:
    case mouse_message::xButtonDown:
    case mouse_message::xButtonUp:
      noteOtherButton(event);
      return Verdict::pass;

    default:
      return Verdict::pass;
  }
}

Verdict InputFilter::press(MouseButton button, bool chosen, const MouseEvent& event,
                           std::uint32_t now) {
  ButtonState& b = state_.buttons[button];
  const Verdict verdict = chosen ? pressFilter(now) : Verdict::pass;
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
        state_.repairSwallowed = 2;
        return Verdict::swallow;
      }
      // The wake-up is late (or the button is no longer chosen): this press passing now would
      // reach applications before the release we inject, so both go out as our own, in order.
      // A release the system refuses now is dropped: the press stands in for its button held.
      if (!letGo(button)) {
        b.phase = ButtonPhase::down;
        return Verdict::swallow;
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
    state_.repairSwallowed = 1;
    return Verdict::swallow;
  }
  if (button == MouseButton::right && holdsRightPress()) {
    b.phase = ButtonPhase::pressHeld;
    state_.heldPressX = event.x;
    state_.heldPressY = event.y;
    return Verdict::swallow;
  }
  b.phase = ButtonPhase::down;
  if (!late) return Verdict::pass;
  platform_.deliverButton(downMessage(button));
  return Verdict::swallow;
}

// A worn switch opens for a few milliseconds in the middle of a drag, long after the last press,
// where the press filter cannot see it. A release followed within the guard's window (保护间隔) by
// a press of the same button (with the release repair on) has shown the switch worn: from then
// on each release of the button is held for that window, and a press within it is swallowed
// with it. This first bounce has already reached applications as a release, so its press goes
// on as the filter judges it. An armed guard delays that button's releases and nothing else.
void InputFilter::armHoldGuard(ButtonState& b, std::uint32_t now) {
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
Verdict InputFilter::release(MouseButton button, bool chosen, std::uint32_t now) {
  ButtonState& b = state_.buttons[button];
  b.releaseTick = now;
  bool heldPress = false;
  switch (b.phase) {
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      // Only a missed press makes two releases in a row; the held one stands for both.
      state_.repairSwallowed = 1;
      return Verdict::swallow;
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
  if (repair && state_.pressStamped) {
    const std::int32_t gap = tickGap(now, state_.lastPressTick);
    bounce = gap >= 0 && gap < interval;
    if (bounce) platform_.print("ReleaseTime:\t%d\n", gap);
  }
  // Applications never saw the press (the press filter, a gesture or volume took it).
  if (b.phase == ButtonPhase::pressSwallowed) {
    b.phase = ButtonPhase::up;
    return Verdict::swallow;
  }
  const bool guard = repair && b.guardArmed;
  if (!bounce && !guard && !heldPress) {
    b.phase = ButtonPhase::up;
    return Verdict::pass;
  }
  // The release of a held-back press goes out at once, as a held release that is due: one the
  // system refuses is tried again, never dropped with the button left down.
  if (!bounce && !guard) {
    b.phase = ButtonPhase::releaseHeld;
    b.deadline = now;
    letGoDue(now);
    return Verdict::swallow;
  }
  std::uint32_t deadline = now + static_cast<std::uint32_t>(settings_.holdGuardInterval.load());
  if (bounce) {
    const std::uint32_t filterDeadline =
        state_.lastPressTick + static_cast<std::uint32_t>(interval);
    if (tickGap(filterDeadline, deadline) > 0) deadline = filterDeadline;
  }
  if (tickGap(deadline, now) > kMaxHoldMs) deadline = now + static_cast<std::uint32_t>(kMaxHoldMs);
  b.phase = bounce ? ButtonPhase::releaseHeld : ButtonPhase::releaseGuarded;
  b.deadline = deadline;
  letGoDue(now);
  return Verdict::swallow;
}

// Delivers what the filter holds back of the button: a held release (false, and still held,
// when the system refused it), or a held-back press, which the hand still holds, so that its
// release completes the click or it begins a drag.
bool InputFilter::letGo(MouseButton button) {
  ButtonState& b = state_.buttons[button];
  switch (b.phase) {
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      if (!platform_.deliverButton(upMessage(button))) return false;
      b.phase = ButtonPhase::up;
      return true;
    case ButtonPhase::pressHeld:
      platform_.deliverButton(downMessage(button));
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
void InputFilter::impossible(MouseButton button, const wchar_t* event) {
  static const wchar_t* const kPhases[] = {L"unknown",     L"down",           L"up",
                                           L"releaseHeld", L"releaseGuarded", L"pressSwallowed",
                                           L"pressHeld"};
  wchar_t line[64];
  std::size_t length = 0;
  for (const wchar_t* part : {button == MouseButton::left ? L"left " : L"right ", event, L" in ",
                              kPhases[static_cast<int>(state_.buttons[button].phase)]}) {
    while (*part != L'\0' && length + 1 < sizeof line / sizeof line[0]) line[length++] = *part++;
  }
  line[length] = L'\0';
  platform_.printText("Button state bug:\t%S\n", line);
}

// The release filter measures from the stamp whether or not the press repair is on. The first
// press has nothing to bounce from; a gap of more than 24.9 days reads as negative and is long
// ago all the same.
Verdict InputFilter::pressFilter(std::uint32_t now) {
  const std::int32_t gap = tickGap(now, state_.lastPressTick);
  const bool first = !state_.pressStamped;
  state_.lastPressTick = now;
  state_.pressStamped = true;
  if (!settings_.clickRepair || first) return Verdict::pass;
  if (gap >= 0 && gap < settings_.clickInterval) {
    platform_.print("ClickTime:\t%d\n", gap);
    return Verdict::swallow;
  }
  return Verdict::pass;
}

// Inside the drag rectangle the held-back press may still become a click or volume. The move
// that leaves it is swallowed, so the press lands where the pointer still is, near where it
// was made, and the moves after it reach applications as a drag.
Verdict InputFilter::moveDuringHeldPress(const MouseEvent& event) {
  const InputPlatform::DragSize drag = platform_.dragSize();
  const std::int64_t dx = static_cast<std::int64_t>(event.x) - state_.heldPressX;
  const std::int64_t dy = static_cast<std::int64_t>(event.y) - state_.heldPressY;
  if (dx <= drag.x && -dx <= drag.x && dy <= drag.y && -dy <= drag.y) return Verdict::pass;
  letGo(MouseButton::right);
  return Verdict::swallow;
}

// Only the direction counts, so a fine wheel's 40, 40, 80, 40 all pass; a swallowed notch moves
// the wheel stamp but not the remembered delta.
Verdict InputFilter::wheelFilter(const MouseEvent& event, std::uint32_t now) {
  const std::int32_t gap = tickGap(now, state_.lastWheelTick);
  state_.lastWheelTick = now;
  const auto delta = static_cast<std::int16_t>(event.mouseData >> 16);

  // A fine wheel or a touchpad sends steps of any size; only a change of direction can be
  // a notch read backwards.
  if (settings_.scrollRepair && direction(delta) != direction(state_.lastWheelDelta)) {
    platform_.print("Reverse Roller:\t%d\n", gap);
    if (gap < settings_.scrollInterval) {
      state_.repairSwallowed = 1;
      return Verdict::swallow;
    }
  }
  state_.lastWheelDelta = delta;

  if (features_ && settings_.volumeControl) {
    if (volumeKeyHeld()) {
      // A held-back right press is now a volume change: it and its release reach no one.
      ButtonState& right = state_.buttons[MouseButton::right];
      if (right.phase == ButtonPhase::pressHeld) right.phase = ButtonPhase::pressSwallowed;
      maskVolumeKey(now);
      platform_.print("Wheel direction:\t%d\n", delta);
      if (delta > 0) {
        platform_.sendVolume(event.x, event.y, app_command::volumeUp);
      } else if (delta < 0) {
        platform_.sendVolume(event.x, event.y, app_command::volumeDown);
      }
      return Verdict::swallow;
    }
    state_.volumeKeyMasked = false;
  }

  // Where the system sends the wheel to the window under the cursor itself, the notch is
  // left to it: some applications scroll only from real input.
  if (features_ && settings_.wheelPassThrough && !platform_.systemRoutesWheelToCursor()) {
    // The receiver reads the low word as the keys and buttons held, as for a wheel the
    // system delivers itself.
    const std::uint32_t wParam = (event.mouseData & 0xFFFF0000u) | mouseKeyState();
    // A refused post (a window with higher rights) must not lose the notch.
    return platform_.postWheel(event.x, event.y, wParam) ? Verdict::swallow : Verdict::pass;
  }
  return Verdict::pass;
}

// The middle and X buttons are never filtered; what applications were shown of them is noted
// for the wheel's key state. An X button's message says which one in the data's high word.
void InputFilter::noteOtherButton(const MouseEvent& event) {
  std::uint32_t bit = mouse_key::middleButton;
  if (event.message == mouse_message::xButtonDown || event.message == mouse_message::xButtonUp) {
    const std::uint32_t which = event.mouseData >> 16;
    bit = which == mouse_message::xButton1Data   ? mouse_key::xButton1
          : which == mouse_message::xButton2Data ? mouse_key::xButton2
                                                 : 0;
  }
  if (event.message == mouse_message::middleDown || event.message == mouse_message::xButtonDown) {
    state_.otherButtonsDown |= bit;
  } else {
    state_.otherButtonsDown &= ~bit;
  }
}

// Down for applications until they see its release; unknown since the hook was installed again
// until its next press, when the system is asked.
bool InputFilter::shownDown(MouseButton button) {
  switch (state_.buttons[button].phase) {
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
  return platform_.isKeyHeld(button == MouseButton::left ? vk::leftButton : vk::rightButton);
}

// The mouse_key bits of a wheel message's wParam. The buttons' are known from the events the
// hook has seen; the system is asked only for the two keys, each answer a round trip on some
// desktops.
std::uint32_t InputFilter::mouseKeyState() {
  std::uint32_t keys = state_.otherButtonsDown;
  if (shownDown(MouseButton::left)) keys |= mouse_key::leftButton;
  if (shownDown(MouseButton::right)) keys |= mouse_key::rightButton;
  if (platform_.isKeyHeld(vk::shift)) keys |= mouse_key::shift;
  if (platform_.isKeyHeld(vk::control)) keys |= mouse_key::control;
  return keys;
}

// Applications see every event from here on; a release held back before would come after a press
// they see now, so it goes first. What then passes unseen leaves no button's state known.
Verdict InputFilter::standAside() {
  releaseHeld();
  forgetButtonStates();
  return Verdict::pass;
}

// A volume key on the keyboard is masked at the first notch of each hold: Alt let go would open
// the menu bar, Win the Start menu. The filter sees no keyboard, so a hold ends for it at a notch
// without the key, or after kKeyRepressMs without a notch: the key may have been let go and
// pressed again.
void InputFilter::maskVolumeKey(std::uint32_t now) {
  if (isMouseButton(settings_.volumeKey)) return;
  if (!state_.volumeKeyMasked || tickGap(now, state_.lastVolumeTick) >= kKeyRepressMs) {
    platform_.maskGestureKey();
  }
  state_.volumeKeyMasked = true;
  state_.lastVolumeTick = now;
}

void InputFilter::onTimer(std::uint32_t now) {
  letGoDue(now);
}

// Lets go of the held releases whose time has come, the earlier release first, and asks for
// one wake-up, at the next deadline, for both buttons. A late timer's overdue release goes out
// at the next hold instead of waiting behind the wake-up that hold asks for; one the system
// refused stays due and is tried again at the next wake-up.
void InputFilter::letGoDue(std::uint32_t now) {
  const ButtonState& left = state_.buttons[MouseButton::left];
  const ButtonState& right = state_.buttons[MouseButton::right];
  const bool leftDue = holdsRelease(left) && tickGap(now, left.deadline) >= 0;
  const bool rightDue = holdsRelease(right) && tickGap(now, right.deadline) >= 0;
  const bool rightFirst = leftDue && rightDue && tickGap(right.releaseTick, left.releaseTick) < 0;
  if (rightFirst) letGo(MouseButton::right);
  if (leftDue) letGo(MouseButton::left);
  if (rightDue && !rightFirst) letGo(MouseButton::right);

  std::int32_t delay = kMaxHoldMs;
  bool holding = false;
  for (const ButtonState& b : state_.buttons.at) {
    if (!holdsRelease(b)) continue;
    const std::int32_t wait = tickGap(b.deadline, now);
    if (wait < delay) delay = wait;
    holding = true;
  }
  if (holding) platform_.wakeAfter(delay > 0 ? static_cast<std::uint32_t>(delay) : 1u);
}

void InputFilter::releaseHeld() {
  for (MouseButton button : kButtons) {
    const ButtonState& b = state_.buttons[button];
    if (holdsRelease(b) || b.phase == ButtonPhase::pressHeld) letGo(button);
  }
}

// Whatever the hook missed meanwhile, applications may have seen; a release already held is
// still let go.
void InputFilter::forgetButtonStates() {
  for (ButtonState& b : state_.buttons.at) {
    if (!holdsRelease(b)) b.phase = ButtonPhase::unknown;
  }
  state_.otherButtonsDown = 0;
}
