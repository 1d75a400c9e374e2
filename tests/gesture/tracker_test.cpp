#include "gesture/tracker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Move {
  std::int32_t dx, dy;
  int times;
};

std::wstring draw(std::vector<Move> moves, std::uint32_t readAt = 500) {
  GestureTracker t;
  std::int32_t x = 100, y = 100;
  beginGesture(t, x, y, 0);
  std::uint32_t tick = 0;
  for (const Move& m : moves) {
    for (int i = 0; i < m.times; ++i) {
      x += m.dx;
      y += m.dy;
      addPoint(t, x, y, tick < 999 ? ++tick : tick);
    }
  }
  return gestureText(t, readAt);
}

TEST(GestureTracker, DirectionTexts) {
  struct Case {
    const char* name;
    std::vector<Move> moves;
    const wchar_t* text;
  };
  const Case cases[] = {
      {"eight moves down are not yet a letter", {{0, 10, 8}}, L""},
      {"the ninth move down appends D", {{0, 10, 9}}, L"D"},
      {"further moves down append nothing", {{0, 10, 30}}, L"D"},
      {"down then right", {{0, 10, 9}, {10, 0, 9}}, L"DR"},
      {"down, right, down", {{0, 10, 9}, {10, 0, 9}, {0, 10, 9}}, L"DRD"},
      {"up and left", {{0, -5, 9}, {-5, 0, 9}}, L"UL"},
      {"3-pixel steps: every second one is accepted", {{3, 0, 17}}, L""},
      {"3-pixel steps: the eighteenth step is the ninth accepted", {{3, 0, 18}}, L"R"},
      {"4-pixel steps: 4 is not more than 4, 8 is", {{4, 0, 17}}, L""},
      {"4-pixel steps: the eighteenth step is the ninth accepted", {{4, 0, 18}}, L"R"},
      {"(5,3) is diagonal", {{5, 3, 20}}, L""},
      {"(6,3) is right", {{6, 3, 9}}, L"R"},
      {"other directions count until a letter clears them",
       {{0, 10, 5}, {10, 0, 9}, {0, 10, 4}},
       L"R"},
      {"stray moves add up while no letter is appended",
       {{0, 10, 4}, {10, 0, 8}, {0, 10, 5}},
       L"D"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(draw(c.moves), c.text) << c.name;
  }
}

TEST(GestureTracker, DistanceMustExceedFourPixels) {
  GestureTracker t;
  beginGesture(t, 0, 0, 0);
  addPoint(t, 4, 0, 1);
  EXPECT_EQ(t.lastX, 0) << "exactly 4 pixels is not accepted";
  addPoint(t, 3, 3, 2);
  EXPECT_EQ(t.lastX, 3) << "4.24 pixels is";
  EXPECT_EQ(t.counts[directionNone], 1) << "a diagonal move is counted as no direction";
}

TEST(GestureTracker, ReadWithinOneSecondOfTheStart) {
  EXPECT_EQ(draw({{0, 10, 9}}, 1000), L"D");
  EXPECT_EQ(draw({{0, 10, 9}}, 1001), L"");
}

TEST(GestureTracker, PointsAfterTheWindowAreIgnored) {
  GestureTracker t;
  beginGesture(t, 0, 0, 0);
  for (int i = 1; i <= 9; ++i) addPoint(t, 0, 10 * i, 1001);
  EXPECT_EQ(std::wstring(gestureText(t, 1000)), L"");
  EXPECT_EQ(t.lastY, 0);
}

TEST(GestureTracker, WindowIsMeasuredAcrossTickWrap) {
  GestureTracker t;
  beginGesture(t, 0, 0, 0xFFFFFF00u);
  for (int i = 1; i <= 9; ++i) addPoint(t, 10 * i, 0, 0x00000010u);
  EXPECT_EQ(std::wstring(gestureText(t, 0x00000020u)), L"R");
}

TEST(GestureTracker, ErraticInputStopsAtTwentyFiveLetters) {
  GestureTracker t;
  beginGesture(t, 0, 0, 0);
  std::int32_t x = 0, y = 0;
  const Move pattern[] = {{0, 10, 9}, {10, 0, 9}, {0, -10, 9}, {-10, 0, 9}};
  for (int round = 0; round < 40; ++round) {
    for (const Move& m : pattern) {
      for (int i = 0; i < m.times; ++i) addPoint(t, x += m.dx, y += m.dy, 10);
    }
  }
  const std::wstring text = gestureText(t, 10);
  EXPECT_EQ(text.size(), kMaxGestureLetters);
  EXPECT_EQ(text.substr(0, 8), L"DRULDRUL");
  EXPECT_EQ(t.text[kMaxGestureLetters], L'\0');
}

TEST(GestureTracker, BeginClearsTheLastGesture) {
  GestureTracker t;
  beginGesture(t, 0, 0, 0);
  for (int i = 1; i <= 9; ++i) addPoint(t, 0, 10 * i, 5);
  beginGesture(t, 50, 50, 100);
  EXPECT_EQ(std::wstring(gestureText(t, 100)), L"");
  for (int i = 1; i <= 9; ++i) addPoint(t, 50, 50 + 10 * i, 105);
  EXPECT_EQ(std::wstring(gestureText(t, 105)), L"D") << "D again: the last letter was cleared";
}

TEST(ClassifyDirection, SectorsAndBorders) {
  struct Case {
    std::int32_t dx, dy;
    GestureDirection expected;
  };
  const Case cases[] = {
      {0, 0, directionNone},           {0, -5, directionUp},
      {-5, 0, directionLeft},          {5, 0, directionRight},
      {0, 5, directionDown},           {5, 3, directionNone},
      {6, 3, directionRight},          {-6, 3, directionLeft},
      {3, 6, directionDown},           {3, -6, directionUp},
      {5, 5, directionNone},           {-5, -5, directionNone},
      {174, 100, directionRight},      {-174, -100, directionLeft},
      {173, 100, directionNone},       {100, 174, directionDown},
      {100, 173, directionNone},       {-100, -174, directionUp},
      {2147483647, 0, directionRight}, {0, -2147483647, directionUp},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(classifyDirection(c.dx, c.dy), c.expected) << c.dx << "," << c.dy;
  }
}

}  // namespace
