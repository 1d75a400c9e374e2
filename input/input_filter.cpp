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
}  // namespace

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

  switch (event.message) {
    case mouse_message::move:
      // A move counts only within a second of a gesture's start (addPoint drops it
      // otherwise), so the key state, a round trip to the system on some desktops, is read
      // only then and not for every move of the day.
      if (now - gesture_.startTick <= kGestureWindowMs && gestureKeyHeld()) {
        addPoint(gesture_, event.x, event.y, now);
      }
      return Verdict::Pass;

    case mouse_message::rightDown:
      state_.gesturePress = bypass == Bypass::none && gestureKeyHeld();
      if (state_.gesturePress) {
        beginGesture(gesture_, event.x, event.y, now);
        platform_.maskGestureKey();
        return Verdict::Swallow;
      }
      return press(kRightButton, settings_.rightButton != 0, now);

    case mouse_message::leftDown:
      return press(kLeftButton, settings_.leftButton != 0, now);

    case mouse_message::rightUp: {
      const bool endsGesture = state_.gesturePress && gestureKeyHeld();
      state_.gesturePress = false;
      if (endsGesture) {
        const wchar_t* text = gestureText(gesture_, now);
        if (text[0] != L'\0') {
          platform_.printText("command:%S\n", text);
          platform_.queueGestureCommand(text);
        }
        return Verdict::Swallow;
      }
      return release(kRightButton, settings_.rightButton != 0, now);
    }

    case mouse_message::leftUp:
      return release(kLeftButton, settings_.leftButton != 0, now);

    case mouse_message::wheel:
      return wheelFilter(event, now, bypass == Bypass::none);

    default:
      return Verdict::Pass;
  }
}

Verdict InputFilter::press(int button, bool chosen, std::uint32_t now) {
  ButtonState& b = state_.buttons[button];
  const Verdict verdict = chosen ? pressFilter(now) : Verdict::Pass;
  bool late = false;
  if (b.holding) {
    b.holding = false;
    if (chosen && tickGap(now, b.deadline) < 0) {
      if (b.guardHold) platform_.print("Hold guard:\t%d\n", tickGap(now, b.releaseTick));
      state_.repairSwallowed = 2;
      return Verdict::Swallow;
    }
    // The wake-up is late (or the button is no longer chosen): this press passing now would
    // reach applications before the release we inject, so both go out as our own, in order.
    letGo(button);
    late = true;
  }
  // A switch that opened and closed again has shown it is worn. This first bounce has already
  // reached applications as a release, so its press goes on as the filter judges it.
  if (chosen && settings_.releaseRepair && !b.guardArmed && b.shownUp) {
    const std::int32_t gap = tickGap(now, b.releaseTick);
    if (gap >= 0 && gap < kHoldGuardMs) {
      b.guardArmed = true;
      platform_.print("Hold guard armed:\t%d\n", gap);
    }
  }
  if (verdict == Verdict::Swallow) {
    state_.repairSwallowed = 1;
    return Verdict::Swallow;
  }
  b.shownUp = false;
  if (!late) return Verdict::Pass;
  platform_.deliverButton(kDownMessage[button]);
  return Verdict::Swallow;
}

Verdict InputFilter::release(int button, bool chosen, std::uint32_t now) {
  ButtonState& b = state_.buttons[button];
  b.releaseTick = now;
  // Only a missed press makes two releases in a row; the held one stands for both.
  if (b.holding) {
    state_.repairSwallowed = 1;
    return Verdict::Swallow;
  }
  const bool repair = chosen && settings_.releaseRepair;
  const std::int32_t interval = settings_.releaseInterval;  // read once: a reload may change it
  bool bounce = false;
  if (repair) {
    const std::int32_t gap = tickGap(now, state_.lastPressTick);
    bounce = gap > 2 && gap < interval;
    if (bounce) platform_.print("ReleaseTime:\t%d\n", gap);
  }
  // Applications never saw the press (the press filter or a gesture swallowed it).
  if (b.shownUp) return Verdict::Swallow;
  const bool guard = repair && b.guardArmed;
  if (!bounce && !guard) {
    b.shownUp = true;
    return Verdict::Pass;
  }
  std::int32_t hold = bounce ? interval : 0;
  if (guard && hold < kHoldGuardMs) hold = kHoldGuardMs;
  if (hold > kMaxHoldMs) hold = kMaxHoldMs;
  b.holding = true;
  b.guardHold = !bounce;
  b.deadline = now + static_cast<std::uint32_t>(hold);
  letGoDue(now);
  return Verdict::Swallow;
}

Verdict InputFilter::pressFilter(std::uint32_t now) {
  if (!settings_.clickRepair) return Verdict::Pass;
  const std::int32_t gap = tickGap(now, state_.lastPressTick);
  state_.lastPressTick = now;
  if (gap < settings_.clickInterval) {
    platform_.print("ClickTime:\t%d\n", gap);
    return Verdict::Swallow;
  }
  return Verdict::Pass;
}

void InputFilter::letGo(int button) {
  ButtonState& b = state_.buttons[button];
  b.holding = false;
  b.shownUp = true;
  platform_.deliverButton(kUpMessage[button]);
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

  if (features && settings_.volumeControl && platform_.isKeyHeld(settings_.volumeKey)) {
    platform_.print("Wheel direction:\t%d\n", delta);
    if (delta > 0) {
      platform_.sendVolume(event.x, event.y, app_command::volumeUp);
    } else if (delta < 0) {
      platform_.sendVolume(event.x, event.y, app_command::volumeDown);
    }
    return Verdict::Swallow;
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
  for (ButtonState& b : state_.buttons) b.shownUp = false;
  return Verdict::Pass;
}

void InputFilter::onTimer(std::uint32_t now) {
  letGoDue(now);
}

// Lets go of the held releases whose time has come, the earlier release first, and asks for
// one wake-up, at the next deadline, for both buttons. A late timer's overdue release goes out
// at the next hold instead of waiting behind the wake-up that hold asks for.
void InputFilter::letGoDue(std::uint32_t now) {
  const ButtonState* buttons = state_.buttons;
  bool due[2];
  for (int button : {kLeftButton, kRightButton}) {
    due[button] = buttons[button].holding && tickGap(now, buttons[button].deadline) >= 0;
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
    if (!b.holding) continue;
    const std::int32_t left = tickGap(b.deadline, now);
    if (left < delay) delay = left;
    holding = true;
  }
  if (holding) platform_.wakeAfter(delay > 0 ? static_cast<std::uint32_t>(delay) : 1u);
}

void InputFilter::releaseHeld() {
  for (int button : {kLeftButton, kRightButton}) {
    if (state_.buttons[button].holding) letGo(button);
  }
}
