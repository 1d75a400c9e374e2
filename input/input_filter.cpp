#include "input/input_filter.h"

bool InputFilter::gestureKeyHeld() {
  return settings_.gestures && platform_.isKeyHeld(settings_.gestureKey);
}

Verdict InputFilter::decide(const MouseEvent& event, std::uint32_t now) {
  if (!state_.stamped) {
    state_.lastPressTick = now;
    state_.lastWheelTick = now;
    state_.stamped = true;
  }
  if (event.code != 0) return Verdict::Pass;

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
      if (gestureKeyHeld()) {
        beginGesture(gesture_, event.x, event.y, now);
        return Verdict::Swallow;
      }
      return settings_.rightButton ? pressFilter(now) : Verdict::Pass;

    case mouse_message::leftDown:
      return settings_.leftButton ? pressFilter(now) : Verdict::Pass;

    case mouse_message::rightUp:
      if (gestureKeyHeld()) {
        const wchar_t* text = gestureText(gesture_, now);
        if (text[0] != L'\0') {
          platform_.printText("command:%S\n", text);
          platform_.queueGestureCommand(text);
        }
        return Verdict::Swallow;
      }
      return settings_.rightButton ? releaseFilter(now) : Verdict::Pass;

    case mouse_message::leftUp:
      return settings_.leftButton ? releaseFilter(now) : Verdict::Pass;

    case mouse_message::wheel:
      return wheelFilter(event, now);

    default:
      return Verdict::Pass;
  }
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

Verdict InputFilter::releaseFilter(std::uint32_t now) {
  if (!settings_.releaseRepair) return Verdict::Pass;
  const std::int32_t gap = tickGap(now, state_.lastPressTick);
  if (gap <= 2) return Verdict::Pass;
  if (gap < settings_.releaseInterval) {
    platform_.print("ReleaseTime:\t%d\n", gap);
    return Verdict::Swallow;
  }
  return Verdict::Pass;
}

Verdict InputFilter::wheelFilter(const MouseEvent& event, std::uint32_t now) {
  const std::int32_t gap = tickGap(now, state_.lastWheelTick);
  state_.lastWheelTick = now;
  const auto delta = static_cast<std::int16_t>(event.mouseData >> 16);

  if (settings_.scrollRepair && delta != state_.lastWheelDelta) {
    platform_.print("Reverse Roller:\t%d\n", gap);
    if (gap < settings_.scrollInterval) return Verdict::Swallow;
  }
  state_.lastWheelDelta = delta;

  if (settings_.volumeControl && platform_.isKeyHeld(settings_.volumeKey)) {
    platform_.print("Wheel direction:\t%d\n", delta);
    if (delta > 0) {
      platform_.sendVolume(event.x, event.y, app_command::volumeUp);
    } else if (delta < 0) {
      platform_.sendVolume(event.x, event.y, app_command::volumeDown);
    }
    return Verdict::Swallow;
  }

  if (settings_.wheelPassThrough) {
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

void InputFilter::onTimer(std::uint32_t) {}

void InputFilter::releaseHeld() {}
