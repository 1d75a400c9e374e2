#include "input/input_filter.h"

namespace {
// The routing's own verdicts: what it swallows was no fault of the mouse.
constexpr Decision kPass{Verdict::pass, 0};
constexpr Decision kSwallow{Verdict::swallow, 0};

bool isMouseButton(std::uint32_t virtualKey) {
  return virtualKey == vk::leftButton || virtualKey == vk::rightButton;
}
}  // namespace

// The repairs act on the button: the settings chose it, and the event's source is repaired.
bool InputFilter::chosen(MouseButton button) const {
  return repairs_ && buttonChosen(settings_, button);
}

bool InputFilter::gestureKeyHeld() {
  return settings_.gestures && platform_.isKeyHeld(settings_.gestureKey);
}

// A volume button whose press the filter holds back or swallowed is held all the same.
bool InputFilter::volumeKeyHeld() {
  const std::uint32_t key = settings_.volumeKey;
  if (key == vk::leftButton && buttons_.pressKeptFromTheSystem(MouseButton::left)) return true;
  if (key == vk::rightButton && buttons_.pressKeptFromTheSystem(MouseButton::right)) return true;
  return platform_.isKeyHeld(key);
}

// With the right button as the volume key, its press may be the start of a volume change, which
// must reach no one. The left button is never held back: every click would come late.
bool InputFilter::holdsRightPress() {
  return features_ && settings_.volumeControl && settings_.volumeKey == vk::rightButton;
}

Decision InputFilter::decide(const MouseEvent& event, ClockReading clocks, Repair repair) {
  const std::uint32_t now = clocks.tick;
  wheel_.noteCall(now);
  judged_ = false;
  if (event.code != 0) return kPass;
  // A gesture begun before the rule changed finishes as it began.
  const Bypass bypass = state_.gesturePress ? Bypass::none : state_.bypass.load();
  if (bypass >= Bypass::all) return standAside();
  features_ = bypass == Bypass::none;
  if (repair == Repair::standAside && !state_.gesturePress) return standAside();
  repairs_ = repair == Repair::apply;

  switch (event.message) {
    case mouse_message::move:
      // A move counts only within a second of a gesture's start (addPoint drops it
      // otherwise), so the key state, a round trip to the system on some desktops, is read
      // only then and not for every move of the day.
      if (now - gesture_.startTick <= kGestureWindowMs && gestureKeyHeld()) {
        addPoint(gesture_, event.x, event.y, now);
      }
      return {buttons_.move(event, clocks), 0};
    case mouse_message::wheel:
      return routeWheel(event, clocks);
    default:
      break;
  }
  // An X button message that names neither side button passes as it came.
  const ButtonMessage& m = event.buttonMessage;
  if (!m.known) return kPass;
  const bool right = m.button == MouseButton::right;
  if (right && m.press) {
    state_.gesturePress = features_ && gestureKeyHeld();
    if (state_.gesturePress) return startGesture(event, clocks);
  } else if (right && state_.gesturePress) {
    return endGesture(now);
  }
  judged_ = repairs_;
  return m.press
             ? buttons_.press(m.button, chosen(m.button), right && holdsRightPress(), event, clocks)
             : buttons_.release(m.button, chosen(m.button), event, clocks);
}

// The press starts a gesture and is swallowed, and the key is masked so that its release is not
// a lone tap that opens a menu.
Decision InputFilter::startGesture(const MouseEvent& event, ClockReading now) {
  buttons_.gestureBegan(now);
  beginGesture(gesture_, event.x, event.y, now.tick);
  platform_.maskGestureKey();
  return kSwallow;
}

// Applications never saw a gesture's press, whether or not its key is still held; its command
// runs only when the key still is.
Decision InputFilter::endGesture(std::uint32_t now) {
  state_.gesturePress = false;
  if (gestureKeyHeld()) {
    const wchar_t* text = gestureText(gesture_, now);
    if (text[0] != L'\0') {
      platform_.printText("command:%S\n", text);
      platform_.queueGestureCommand(text);
    }
  }
  return kSwallow;
}

// A notch the repair lets through goes to the volume while its key is held, else to the window
// under the cursor, else on as it came.
Decision InputFilter::routeWheel(const MouseEvent& event, ClockReading clocks) {
  const std::uint32_t now = clocks.tick;
  const auto delta = static_cast<std::int16_t>(event.mouseData >> 16);
  if (repairs_) {
    const Decision repair = wheel_.notch(delta, now);
    if (repair.verdict == Verdict::swallow) return repair;
  }

  if (features_ && settings_.volumeControl) {
    if (volumeKeyHeld()) {
      buttons_.takenForVolume(clocks);
      maskVolumeKey(now);
      platform_.print("Wheel direction:\t%d\n", delta);
      if (delta > 0) {
        platform_.sendVolume(event.x, event.y, app_command::volumeUp);
      } else if (delta < 0) {
        platform_.sendVolume(event.x, event.y, app_command::volumeDown);
      }
      return kSwallow;
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
    return platform_.postWheel(event.x, event.y, wParam) ? kSwallow : kPass;
  }
  return kPass;
}

// The mouse_key bits of a wheel message's wParam. The buttons' are known from the events the
// hook has seen; the system is asked for the two keys, each answer a round trip on some desktops,
// and for the left and right buttons only while the hook does not know them. A middle or side
// button the hook has not seen since it was installed reads as up.
std::uint32_t InputFilter::mouseKeyState() {
  std::uint32_t keys = 0;
  for (MouseButton button : kMouseButtons) {
    const bool mainButton = button == MouseButton::left || button == MouseButton::right;
    if (buttons_.shownDown(button, mainButton)) keys |= buttonRow(button).keyBit;
  }
  if (platform_.isKeyHeld(vk::shift)) keys |= mouse_key::shift;
  if (platform_.isKeyHeld(vk::control)) keys |= mouse_key::control;
  return keys;
}

// Applications see every event from here on; a release held back before would come after a press
// they see now, so it goes first. What then passes unseen leaves no button's state known.
Decision InputFilter::standAside() {
  releaseHeld();
  forgetButtonStates();
  return kPass;
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

// Whatever the hook missed meanwhile, applications may have seen.
void InputFilter::forgetButtonStates() {
  buttons_.forget();
}
