// A right-button drag read as a text of direction letters (U, R, D, L).
//
// Each move of more than 4 pixels from the last accepted point is classified; a letter is
// appended on the ninth accepted move in a direction other than the last letter's:
//   begin(100,100)  D D D D D D D D D -> "D"   D D ... -> nothing more (same direction)
//                   R R R R R R R R R -> "DR"  D x9 -> "DRD"
// Moves in other directions count in their own counters, cleared only when a letter is
// appended. The gesture must be read within 1000 ms of its start, or it reads as empty:
//   begin(t)  ...  read(t+1000) -> letters   read(t+1001) -> ""
#pragma once

#include <cstddef>
#include <cstdint>

enum GestureDirection : std::int32_t {
  directionNone = 0,
  directionUp = 1,
  directionRight = 2,
  directionDown = 3,
  directionLeft = 4
};

constexpr std::size_t kMaxGestureLetters = 25;
constexpr std::uint32_t kGestureWindowMs = 1000;

struct GestureTracker {
  std::int32_t lastX = 0;
  std::int32_t lastY = 0;
  std::uint32_t startTick = 0;
  std::int32_t counts[5] = {};
  std::int32_t lastDirection = 0;
  wchar_t text[kMaxGestureLetters + 1] = {};
  std::size_t length = 0;
};

void beginGesture(GestureTracker& tracker, std::int32_t x, std::int32_t y, std::uint32_t now);
void addPoint(GestureTracker& tracker, std::int32_t x, std::int32_t y, std::uint32_t now);
// The letters so far; empty once more than 1000 ms have passed since the start.
const wchar_t* gestureText(GestureTracker& tracker, std::uint32_t now);
// Sectors of ±30° round the axes; the diagonal sectors and the borders are directionNone.
GestureDirection classifyDirection(std::int32_t dx, std::int32_t dy);
