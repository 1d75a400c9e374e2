// Right-button and move events while the gesture key is held belong to the gesture.
#include <gtest/gtest.h>

#include "input/click_record_keeper.h"
#include "input/input_filter.h"
#include "tests/input/fake_platform.h"

namespace {

using namespace mouse_message;

// Each swallow here is S: the gesture's, which the switch health must not count as a repair.
class GestureRouting : public FilterFixture {
 protected:
  void dragDownThenRight(std::uint32_t start) {
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(at(start + i, move, 100, 100 + 10 * i), P);
    for (int i = 1; i <= 9; ++i) EXPECT_EQ(at(start + 10 + i, move, 100 + 10 * i, 190), P);
  }
};

TEST_F(GestureRouting, AltDragRunsTheCommandAfterTheHook) {
  SCOPED_TRACE("a gesture runs its command");
  settings.rightButton = 1;  // the gesture test comes before the device test
  at(0, move);
  platform.held = {vk::alt};
  EXPECT_EQ(at(1000, rightDown), S);
  dragDownThenRight(1000);
  EXPECT_EQ(at(1500, rightUp), S);
  ASSERT_EQ(platform.commands, std::vector<std::wstring>{L"DR"});
  EXPECT_EQ(platform.masks, 1) << "Alt let go after a gesture must not open the menu bar";
  EXPECT_EQ(platform.lines, std::vector<std::string>{"command:DR\n"});
  EXPECT_EQ(state.buttons.lastPressTick, 0u)
      << "a gesture press is not examined by the press filter";
}

TEST_F(GestureRouting, EmptyOrExpiredGestureSwallowsAndRunsNothing) {
  at(0, move);
  platform.held = {vk::alt};
  EXPECT_EQ(at(1000, rightDown), S);
  EXPECT_EQ(at(1100, rightUp), S) << "no letters";
  EXPECT_EQ(at(2000, rightDown), S);
  dragDownThenRight(2000);
  EXPECT_EQ(at(3001, rightUp), S) << "read 1001 ms after its start";
  EXPECT_TRUE(platform.commands.empty());
  EXPECT_TRUE(platform.lines.empty());
}

TEST_F(GestureRouting, GestureKeyLetGoBeforeTheReleaseSwallowsItAndRunsNothing) {
  SCOPED_TRACE("the gesture key let go before the release");
  settings.rightButton = 1;
  at(0, move);
  platform.held = {vk::alt};
  EXPECT_EQ(at(1000, rightDown), S);
  platform.held.clear();
  dragDownThenRight(1000);
  EXPECT_EQ(at(1030, rightUp), S) << "applications never saw its press";
  EXPECT_TRUE(platform.commands.empty());
  EXPECT_TRUE(platform.delivered.empty());
}

TEST_F(GestureRouting, GesturesOffOrOtherKeyLeaveTheRightButtonAlone) {
  at(0, move);
  platform.held = {vk::alt};
  settings.gestures = 0;
  EXPECT_EQ(at(1000, rightDown), P);
  dragDownThenRight(1000);
  EXPECT_EQ(at(1200, rightUp), P);
  settings.gestures = 1;
  settings.gestureKey = vk::control;
  EXPECT_EQ(at(2000, rightDown), P);
  EXPECT_EQ(at(2200, rightUp), P);
  EXPECT_TRUE(platform.commands.empty());
  EXPECT_EQ(platform.masks, 0) << "a plain key tap reaches the application";
}

TEST_F(GestureRouting, KeyPressedMidDragLeavesTheReleaseToTheApplication) {
  SCOPED_TRACE("the gesture key pressed mid-drag");
  settings.rightButton = 1;
  at(0, move);
  EXPECT_EQ(at(1000, rightDown), P);
  platform.held = {vk::alt};
  dragDownThenRight(1000);
  EXPECT_EQ(at(1500, rightUp), P) << "its press reached the application";
  EXPECT_TRUE(platform.commands.empty());
  EXPECT_TRUE(platform.delivered.empty());
}

TEST_F(GestureRouting, MovesReadTheKeyStateOnlyWhileAGestureCanGrow) {
  platform.held = {vk::alt};
  at(0, move);
  EXPECT_EQ(at(1000, rightDown), S);
  const int readsAtStart = platform.keyReads;
  dragDownThenRight(1000);
  EXPECT_EQ(platform.keyReads - readsAtStart, 18) << "one read per move of the gesture";
  for (int i = 0; i < 50; ++i) at(2001 + i, move, 300 + i, 300);
  EXPECT_EQ(platform.keyReads - readsAtStart, 18) << "none once the gesture's second is over";
  EXPECT_EQ(at(2100, rightUp), S);
  EXPECT_TRUE(platform.commands.empty()) << "read after its second: empty";
}

// The click record keeps what the repairs judged, so that the replay never takes a gesture, a
// volume hold or a pause for clicks; each case ends with a right click, the one thing kept.
TEST_F(GestureRouting, TheClickRecordKeepsWhatTheRepairsJudged) {
  settings.volumeKey = vk::rightButton;  // 快捷键=5: a right press is held back
  settings.rightButton = 1;              // and timed, soon after its release
  struct Step {
    std::uint32_t tick, message;
    bool alt = false;
    Bypass bypass = Bypass::none;
  };
  const std::pair<const char*, std::vector<Step>> cases[] = {
      {"a gesture", {{1000, rightDown, true}, {1100, move, true}, {1500, rightUp, true}}},
      {"held back, then the volume", {{1000, rightDown}, {1100, wheel}, {1200, rightUp}}},
      {"held back, then a click: kept with its own times", {}},
      {"timed, then the volume",
       {{1000, rightDown},
        {1100, wheel},
        {1200, rightUp},
        {1220, rightDown},
        {1240, wheel},
        {1300, rightUp}}},
      {"a pause, a rule 2",
       {{1000, leftDown, false, Bypass::paused}, {1100, leftUp, false, Bypass::all}}},
  };
  static ClickRecord record;  // a quarter of a megabyte
  for (auto [name, steps] : cases) {
    SCOPED_TRACE(name);
    state = FilterState{};
    ClickRecordKeeper keeper;
    const std::uint32_t before = record.appended();
    steps.insert(steps.end(), {{5000, rightDown}, {5100, rightUp}});
    for (const Step& s : steps) {
      platform.held = s.alt ? std::set<std::uint32_t>{vk::alt} : std::set<std::uint32_t>{};
      state.bypass = s.bypass;
      at(s.tick, s.message, 100, 100, s.message == wheel ? wheelData(120) : 0);
      const ButtonMessage m = readButtonMessage(s.message, 0);
      keeper.note(record, m.known ? static_cast<int>(m.button) : -1, m.press,
                  filter.repairsJudged(), state.buttons[MouseButton::right].phase, s.tick, s.tick);
    }
    std::vector<std::uint32_t> kept;
    for (const ClickEvent& e : record.copySince(before)) kept.push_back(e.tick);
    EXPECT_EQ(kept, (std::vector<std::uint32_t>{5000, 5100}));
  }
}

}  // namespace
