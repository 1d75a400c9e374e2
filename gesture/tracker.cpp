#include "gesture/tracker.h"

#include <cmath>
#include <cstdlib>

namespace {
const wchar_t kLetters[5] = {L'\0', L'U', L'R', L'D', L'L'};
// A move of this many pixels or less from the last accepted point is a tremor of the hand.
constexpr float kMinStepPixels = 4.0f;
// The accepted moves in one direction that make a letter: short strokes are not letters.
constexpr std::int32_t kStepsPerLetter = 9;
// tan 60°: a move within 30° of an axis goes that way; the sectors between are no direction.
constexpr double kAxisSlope = 1.7320508075688772;

void clearText(GestureTracker& tracker) {
  tracker.length = 0;
  tracker.text[0] = L'\0';
}
}  // namespace

void beginGesture(GestureTracker& tracker, std::int32_t x, std::int32_t y, std::uint32_t now) {
  tracker.startTick = now;
  tracker.lastX = x;
  tracker.lastY = y;
  for (std::int32_t& count : tracker.counts) count = 0;
  clearText(tracker);
  tracker.lastDirection = directionNone;
}

void addPoint(GestureTracker& tracker, std::int32_t x, std::int32_t y, std::uint32_t now) {
  if (now - tracker.startTick > kGestureWindowMs) return;
  // 64-bit differences: screen coordinates are small, but a hook may be handed anything.
  const std::int64_t dx = static_cast<std::int64_t>(x) - tracker.lastX;
  const std::int64_t dy = static_cast<std::int64_t>(y) - tracker.lastY;
  const auto distance =
      static_cast<float>(std::sqrt(static_cast<double>(dx) * static_cast<double>(dx) +
                                   static_cast<double>(dy) * static_cast<double>(dy)));
  if (!(distance > kMinStepPixels)) return;

  const GestureDirection d =
      classifyDirection(static_cast<std::int32_t>(dx), static_cast<std::int32_t>(dy));
  ++tracker.counts[d];
  for (std::int32_t i = directionUp; i <= directionLeft; ++i) {
    if (tracker.counts[i] >= kStepsPerLetter && i != tracker.lastDirection) {
      // Past 25 letters the drag is noise, not a gesture anyone binds; the text stops growing.
      if (tracker.length < kMaxGestureLetters) {
        tracker.text[tracker.length++] = kLetters[i];
        tracker.text[tracker.length] = L'\0';
      }
      tracker.lastDirection = i;
      for (std::int32_t& count : tracker.counts) count = 0;
    }
  }
  tracker.lastX = x;
  tracker.lastY = y;
}

const wchar_t* gestureText(GestureTracker& tracker, std::uint32_t now) {
  if (now - tracker.startTick > kGestureWindowMs) clearText(tracker);
  return tracker.text;
}

GestureDirection classifyDirection(std::int32_t dx, std::int32_t dy) {
  const double x = dx;
  const double y = dy;
  if (x > kAxisSlope * std::fabs(y)) return directionRight;
  if (-x > kAxisSlope * std::fabs(y)) return directionLeft;
  if (y > kAxisSlope * std::fabs(x)) return directionDown;
  if (-y > kAxisSlope * std::fabs(x)) return directionUp;
  return directionNone;
}
