#include "input/input_filter.h"

bool InputFilter::gestureKeyHeld() {
  return settings_.gestures && platform_.isKeyHeld(settings_.gestureKey);
}

namespace {
constexpr int kLeftButton = 0;
constexpr int kRightButton = 1;
constexpr std::uint32_t kDownMessage[2] = {mouse_message::leftDown, mouse_message::rightDown};
constexpr std::uint32_t kUpMessage[2] = {mouse_message::leftUp, mouse_message::rightUp};

int direction(std::int16_t delta) {
  return (delta > 0) - (delta < 0);
}

bool isMouseButton(std::uint32_t virtualKey) {
  return virtualKey == vk::leftButton || virtualKey == vk::rightButton;
}

// The hand holds a press that never reached the system, so the system's key state says up.
bool pressKeptFromTheSystem(const ButtonState& b) {
  return b.phase == ButtonPhase::pressHeld || b.phase == ButtonPhase::pressSwallowed;
}
}  // namespace

// A volume button whose press the filter holds back or swallowed is held all the same.
bool InputFilter::volumeKeyHeld() {
  const std::uint32_t key = settings_.volumeKey;
  if (key == vk::leftButton && pressKeptFromTheSystem(state_.buttons[kLeftButton])) return true;
  if (key == vk::rightButton && pressKeptFromTheSystem(state_.buttons[kRightButton])) return true;
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
    state_.lastPressTick = now;
    state_.lastWheelTick = now;
    state_.stamped = true;
  }
  if (event.code != 0) return Verdict::Pass;
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
      if (state_.buttons[kRightButton].phase == ButtonPhase::pressHeld) {
        return moveDuringHeldPress(event);
      }
      return Verdict::Pass;

    case mouse_message::rightDown:
      state_.gesturePress = features_ && gestureKeyHeld();
      if (state_.gesturePress) {
        // A held-back press whose release the hook missed is not delivered late as a drag.
        ButtonState& right = state_.buttons[kRightButton];
        if (right.phase == ButtonPhase::pressHeld) right.phase = ButtonPhase::unknown;
        beginGesture(gesture_, event.x, event.y, now);
        platform_.maskGestureKey();
        return Verdict::Swallow;
      }
      return press(kRightButton, settings_.rightButton != 0, event, now);

    case mouse_message::leftDown:
      return press(kLeftButton, settings_.leftButton != 0, event, now);

    case mouse_message::rightUp:
      // Applications never saw a gesture's press, whether or not its key is still held.
      if (state_.gesturePress) {
        state_.gesturePress = false;
        if (gestureKeyHeld()) {
          const wchar_t* text = gestureText(gesture_, now);
          if (text[0] != L'\0') {
            platform_.printText("command:%S\n", text);
            platform_.queueGestureCommand(text);
          }
        }
        return Verdict::Swallow;
      }
      return release(kRightButton, settings_.rightButton != 0, now);

    case mouse_message::leftUp:
      return release(kLeftButton, settings_.leftButton != 0, now);

    case mouse_message::wheel:
      return wheelFilter(event, now, features_);

    default:
      return Verdict::Pass;
  }
}

Verdict InputFilter::press(int button, bool chosen, const MouseEvent& event, std::uint32_t now) {
  ButtonState& b = state_.buttons[button];
  const Verdict verdict = chosen ? pressFilter(now) : Verdict::Pass;
  bool late = false;
  if (b.phase == ButtonPhase::releaseHeld) {
    if (chosen && tickGap(now, b.deadline) < 0) {
      b.phase = ButtonPhase::down;
      if (b.guardHold) platform_.print("Hold guard:\t%d\n", tickGap(now, b.releaseTick));
      state_.repairSwallowed = 2;
      return Verdict::Swallow;
    }
    // The wake-up is late (or the button is no longer chosen): this press passing now would
    // reach applications before the release we inject, so both go out as our own, in order.
    // A release the system refuses now is dropped: the press stands in for its button held.
    if (!letGo(button)) {
      b.phase = ButtonPhase::down;
      return Verdict::Swallow;
    }
    late = true;
  }
  // A switch that opened and closed again has shown it is worn. This first bounce has already
  // reached applications as a release, so its press goes on as the filter judges it.
  if (chosen && settings_.releaseRepair && !b.guardArmed && b.phase == ButtonPhase::up) {
    const std::int32_t gap = tickGap(now, b.releaseTick);
    if (gap >= 0 && gap < kHoldGuardMs) {
      b.guardArmed = true;
      platform_.print("Hold guard armed:\t%d\n", gap);
    }
  }
  if (verdict == Verdict::Swallow) {
    b.phase = ButtonPhase::pressSwallowed;
    state_.repairSwallowed = 1;
    return Verdict::Swallow;
  }
  if (button == kRightButton && holdsRightPress()) {
    b.phase = ButtonPhase::pressHeld;
    state_.heldPressX = event.x;
    state_.heldPressY = event.y;
    return Verdict::Swallow;
  }
  b.phase = ButtonPhase::down;
  if (!late) return Verdict::Pass;
  platform_.deliverButton(kDownMessage[button]);
  return Verdict::Swallow;
}

Verdict InputFilter::release(int button, bool chosen, std::uint32_t now) {
  ButtonState& b = state_.buttons[button];
  b.releaseTick = now;
  // Only a missed press makes two releases in a row; the held one stands for both.
  if (b.phase == ButtonPhase::releaseHeld) {
    state_.repairSwallowed = 1;
    return Verdict::Swallow;
  }
  // A held-back right press ends as a click: the press goes first, then the release as the
  // filter judges it, delivered by us too so that it cannot overtake the press.
  const bool heldPress = b.phase == ButtonPhase::pressHeld;
  if (heldPress) {
    platform_.deliverButton(kDownMessage[button]);
    b.phase = ButtonPhase::down;
  }
  const bool repair = chosen && settings_.releaseRepair;
  const std::int32_t interval = settings_.releaseInterval;  // read once: a reload may change it
  bool bounce = false;
  if (repair) {
    const std::int32_t gap = tickGap(now, state_.lastPressTick);
    bounce = gap >= 0 && gap < interval;
    if (bounce) platform_.print("ReleaseTime:\t%d\n", gap);
  }
  if (b.phase == ButtonPhase::pressSwallowed) {
    b.phase = ButtonPhase::up;
    return Verdict::Swallow;
  }
  const bool guard = repair && b.guardArmed;
  if (!bounce && !guard) {
    b.phase = ButtonPhase::up;
    if (!heldPress) return Verdict::Pass;
    platform_.deliverButton(kUpMessage[button]);
    return Verdict::Swallow;
  }
  std::uint32_t deadline = now + static_cast<std::uint32_t>(kHoldGuardMs);
  if (bounce) {
    const std::uint32_t filterDeadline =
        state_.lastPressTick + static_cast<std::uint32_t>(interval);
    if (tickGap(filterDeadline, deadline) > 0) deadline = filterDeadline;
  }
  if (tickGap(deadline, now) > kMaxHoldMs) deadline = now + static_cast<std::uint32_t>(kMaxHoldMs);
  b.phase = ButtonPhase::releaseHeld;
  b.guardHold = !bounce;
  b.deadline = deadline;
  letGoDue(now);
  return Verdict::Swallow;
}

// The release filter measures from the stamp whether or not the press repair is on.
Verdict InputFilter::pressFilter(std::uint32_t now) {
  const std::int32_t gap = tickGap(now, state_.lastPressTick);
  state_.lastPressTick = now;
  if (!settings_.clickRepair) return Verdict::Pass;
  if (gap < settings_.clickInterval) {
    platform_.print("ClickTime:\t%d\n", gap);
    return Verdict::Swallow;
  }
  return Verdict::Pass;
}

// Inside the drag rectangle the held-back press may still become a click or volume. The move
// that leaves it is swallowed, so the press lands where the pointer still is, near where it
// was made, and the moves after it reach applications as a drag.
Verdict InputFilter::moveDuringHeldPress(const MouseEvent& event) {
  const InputPlatform::DragSize drag = platform_.dragSize();
  const std::int64_t dx = static_cast<std::int64_t>(event.x) - state_.heldPressX;
  const std::int64_t dy = static_cast<std::int64_t>(event.y) - state_.heldPressY;
  if (dx <= drag.x && -dx <= drag.x && dy <= drag.y && -dy <= drag.y) return Verdict::Pass;
  state_.buttons[kRightButton].phase = ButtonPhase::down;
  platform_.deliverButton(mouse_message::rightDown);
  return Verdict::Swallow;
}

bool InputFilter::letGo(int button) {
  if (!platform_.deliverButton(kUpMessage[button])) return false;
  state_.buttons[button].phase = ButtonPhase::up;
  return true;
}

Verdict InputFilter::wheelFilter(const MouseEvent& event, std::uint32_t now, bool features) {
  const std::int32_t gap = tickGap(now, state_.lastWheelTick);
  state_.lastWheelTick = now;
  const auto delta = static_cast<std::int16_t>(event.mouseData >> 16);

  // A fine wheel or a touchpad sends steps of any size; only a change of direction can be
  // a notch read backwards.
  if (settings_.scrollRepair && direction(delta) != direction(state_.lastWheelDelta)) {
    platform_.print("Reverse Roller:\t%d\n", gap);
    if (gap < settings_.scrollInterval) {
      state_.repairSwallowed = 1;
      return Verdict::Swallow;
    }
  }
  state_.lastWheelDelta = delta;

  if (features && settings_.volumeControl) {
    if (volumeKeyHeld()) {
      // A held-back right press is now a volume change: it and its release reach no one.
      ButtonState& right = state_.buttons[kRightButton];
      if (right.phase == ButtonPhase::pressHeld) right.phase = ButtonPhase::pressSwallowed;
      maskVolumeKey(now);
      platform_.print("Wheel direction:\t%d\n", delta);
      if (delta > 0) {
        platform_.sendVolume(event.x, event.y, app_command::volumeUp);
      } else if (delta < 0) {
        platform_.sendVolume(event.x, event.y, app_command::volumeDown);
      }
      return Verdict::Swallow;
    }
    state_.volumeKeyMasked = false;
  }

  // Where the system sends the wheel to the window under the cursor itself, the notch is
  // left to it: some applications scroll only from real input.
  if (features && settings_.wheelPassThrough && !platform_.systemRoutesWheelToCursor()) {
    // The receiver reads the low word as the keys and buttons held, as for a wheel the
    // system delivers itself; the position is packed as two signed 16-bit words.
    const std::uint32_t wParam = (event.mouseData & 0xFFFF0000u) | platform_.mouseKeyState();
    const std::uint32_t lParam = (static_cast<std::uint32_t>(event.y) << 16) |
                                 (static_cast<std::uint32_t>(event.x) & 0xFFFFu);
    // A refused post (a window with higher rights) must not lose the notch.
    return platform_.postWheel(event.x, event.y, wParam, lParam) ? Verdict::Swallow : Verdict::Pass;
  }
  return Verdict::Pass;
}

// Applications see every event from here on; a release held back before would come after a press
// they see now, so it goes first. What then passes unseen leaves no button's state known.
Verdict InputFilter::standAside() {
  releaseHeld();
  forgetButtonStates();
  return Verdict::Pass;
}

// The filter sees no keyboard, so a hold of the key ends for it at a notch without the key, or
// after kKeyRepressMs without a notch: the key may have been let go and pressed again.
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
  const ButtonState* buttons = state_.buttons;
  bool due[2];
  for (int button : {kLeftButton, kRightButton}) {
    due[button] = buttons[button].phase == ButtonPhase::releaseHeld &&
                  tickGap(now, buttons[button].deadline) >= 0;
  }
  const bool rightFirst =
      due[kLeftButton] && due[kRightButton] &&
      tickGap(buttons[kRightButton].releaseTick, buttons[kLeftButton].releaseTick) < 0;
  if (rightFirst) letGo(kRightButton);
  if (due[kLeftButton]) letGo(kLeftButton);
  if (due[kRightButton] && !rightFirst) letGo(kRightButton);

  std::int32_t delay = kMaxHoldMs;
  bool holding = false;
  for (const ButtonState& b : state_.buttons) {
    if (b.phase != ButtonPhase::releaseHeld) continue;
    const std::int32_t left = tickGap(b.deadline, now);
    if (left < delay) delay = left;
    holding = true;
  }
  if (holding) platform_.wakeAfter(delay > 0 ? static_cast<std::uint32_t>(delay) : 1u);
}

void InputFilter::releaseHeld() {
  for (int button : {kLeftButton, kRightButton}) {
    ButtonState& b = state_.buttons[button];
    if (b.phase == ButtonPhase::releaseHeld) letGo(button);
    // The hand still holds it: once the press is out, its release completes the click.
    if (b.phase == ButtonPhase::pressHeld) {
      platform_.deliverButton(kDownMessage[button]);
      b.phase = ButtonPhase::down;
    }
  }
}

void InputFilter::forgetButtonStates() {
  for (ButtonState& b : state_.buttons) {
    if (b.phase != ButtonPhase::releaseHeld) b.phase = ButtonPhase::unknown;
  }
}
