// What the hook's decisions are made of: the event, the verdict on it, and the desktop the
// filters ask things of. Shared by the button machine, the wheel filter and the routing.
#pragma once

#include <cstdint>

#include "common/mouse_buttons.h"

// What a button's message says; `known` is false for any other message, and for an X button's
// message that names neither side button.
struct ButtonMessage {
  bool known;
  MouseButton button;
  bool press;
};

inline ButtonMessage readButtonMessage(std::uint32_t message, std::uint32_t mouseData) {
  // Moves and wheel notches, most of the events, are told at once.
  if (message < mouse_message::leftDown || message > mouse_message::xButtonUp) {
    return {false, MouseButton::left, false};
  }
  for (const ButtonRow& row : kButtons) {
    if (message != row.downMessage && message != row.upMessage) continue;
    if (row.xData != 0 && mouseData >> 16 != row.xData) continue;
    return {true, row.button, message == row.downMessage};
  }
  return {false, MouseButton::left, false};
}

struct MouseEvent {
  MouseEvent() = default;
  MouseEvent(std::int32_t code, std::uint32_t message, std::int32_t x, std::int32_t y,
             std::uint32_t mouseData, std::uint32_t time = 0)
      : code(code),
        message(message),
        x(x),
        y(y),
        mouseData(mouseData),
        time(time),
        buttonMessage(readButtonMessage(message, mouseData)) {}

  std::int32_t code = 0;        // hook code; only 0 is examined
  std::uint32_t message = 0;    // the mouse message
  std::int32_t x = 0, y = 0;    // screen position
  std::uint32_t mouseData = 0;  // high word: signed wheel delta
  std::uint32_t time = 0;       // the event's own tick, as the system stamped it when it happened
  // The button's message read once, when the event is made: everything after reads this.
  ButtonMessage buttonMessage{false, MouseButton::left, false};
};

// Now, by both clocks, read once per event or wake-up: the tick counter the repairs' intervals
// are counted in, and the performance counter in microseconds, which measures how long something
// is held (the tick counter steps every 15.625 ms on Windows: it cannot see a 3 ms contact).
struct ClockReading {
  std::uint32_t tick;
  std::uint64_t us;
};

enum class Verdict { pass, swallow };

// The verdict on one event, and how many events the repairs swallowed with it (a bounce pair,
// the held release and this press, is two), for the switch health; gestures, volume and
// pass-through swallow events that were no fault, and count none.
struct Decision {
  Verdict verdict;
  std::uint8_t repaired;
};

inline bool operator==(const Decision& a, const Decision& b) {
  return a.verdict == b.verdict && a.repaired == b.repaired;
}
inline bool operator!=(const Decision& a, const Decision& b) {
  return !(a == b);
}

// A tick gap as the signed 32-bit difference, correct across the wrap at 2^32.
inline std::int32_t tickGap(std::uint32_t now, std::uint32_t then) {
  return static_cast<std::int32_t>(now - then);
}

// How long after the reading (tick, us) `now` is, in µs, to judge whether it falls inside an
// interval: by the performance counter, as the windows end, where the tick's steps (15.625 ms on
// Windows) would put an event one step to either side of the edge; by the tick where the counter
// is not comparable with it (gone back, or more than two steps apart from the tick: a record
// joined across a restart, a damaged one). Negative: the tick reads it as long ago.
inline std::int64_t sinceUs(ClockReading now, std::uint32_t tick, std::uint64_t us) {
  const std::int64_t byTick = std::int64_t{tickGap(now.tick, tick)} * 1000;
  if (now.us < us) return byTick;
  const std::uint64_t byCounter = now.us - us;
  const std::uint64_t apart = byTick < 0 ? UINT64_MAX
                              : byCounter > static_cast<std::uint64_t>(byTick)
                                  ? byCounter - static_cast<std::uint64_t>(byTick)
                                  : static_cast<std::uint64_t>(byTick) - byCounter;
  return apart <= 2 * 15625 ? static_cast<std::int64_t>(byCounter) : byTick;
}
inline bool insideInterval(std::int64_t sinceUs, std::int32_t intervalMs) {
  return sinceUs >= 0 && intervalMs > 0 && sinceUs < std::int64_t{intervalMs} * 1000;
}

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
  // Sends a button's press or release as input of the program's own, which the hook lets pass
  // unexamined: a held release let go, or the press behind it. False when the system refused it.
  virtual bool deliverButton(MouseButton button, bool press) = 0;
  // Puts the pointer at (x, y), as the hook reads points, without an event of its own: the moves
  // held while a press was timed end where the last of them left it.
  virtual void placePointer(std::int32_t x, std::int32_t y) = 0;
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
