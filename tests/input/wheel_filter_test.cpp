// The wheel branch: reversed notches, volume control and pass-through.
#include <gtest/gtest.h>

#include "input/input_filter.h"
#include "tests/input/fake_platform.h"

namespace {

struct Notch {
  std::uint32_t tick;
  std::int16_t delta;
  Decision expected;
};

class WheelFilter : public FilterFixture {
 protected:
  Decision wheel(std::uint32_t tick, std::int16_t delta, std::int32_t x = 300,
                 std::int32_t y = 200) {
    return at(tick, mouse_message::wheel, x, y, wheelData(delta));
  }
  void walk(const char* name, const std::vector<Notch>& notches) {
    SCOPED_TRACE(name);
    for (std::size_t i = 0; i < notches.size(); ++i) {
      SCOPED_TRACE("notch " + std::to_string(i));
      EXPECT_EQ(wheel(notches[i].tick, notches[i].delta), notches[i].expected);
    }
  }
};

TEST_F(WheelFilter, ReversedNotchesWithinTheIntervalAreSwallowed) {
  settings.wheelPassThrough = 0;
  settings.volumeControl = 0;
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  walk("reversed notches within the interval",
       {{1000, 120, P}, {1020, -120, S1}, {1040, -120, S1}, {1100, -120, P}});
  EXPECT_EQ(state.wheel.lastDelta, -120);
  EXPECT_EQ(platform.lines,
            (std::vector<std::string>{"Reverse Roller:\t1000\n", "Reverse Roller:\t20\n",
                                      "Reverse Roller:\t20\n", "Reverse Roller:\t60\n"}));
}

TEST_F(WheelFilter, AlternatingNotchesFarApartAllPass) {
  settings.wheelPassThrough = 0;
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  walk("alternating 60 ms apart",
       {{1000, 120, P}, {1060, -120, P}, {1120, 120, P}, {1180, -120, P}, {1240, 120, P}});
  EXPECT_EQ(platform.lines.size(), 5u);
}

TEST_F(WheelFilter, OnlyAChangeOfDirectionCounts) {
  settings.wheelPassThrough = 0;
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  walk("fine steps, then a reversal",
       {{1000, 40, P}, {1010, 40, P}, {1020, 80, P}, {1030, 40, P}, {1040, -40, S1}});
  walk("+240 then +120", {{2000, 240, P}, {2010, 120, P}});
}

TEST_F(WheelFilter, FirstNotchAfterStartIsMeasuredFromTheFirstCall) {
  settings.wheelPassThrough = 0;
  walk("first notch is the hook's first call", {{5000, 120, S1}});
  // The swallowed notch left the remembered delta at 0, so the next one still differs.
  walk("next notches in the same direction", {{5010, 120, S1}, {5070, 120, P}, {5080, 120, P}});
}

TEST_F(WheelFilter, SwitchedOffTheFilterSwallowsNothingButKeepsTrack) {
  settings.wheelPassThrough = 0;
  settings.scrollRepair = 0;
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  walk("reversals pass", {{1000, 120, P}, {1010, -120, P}, {1020, 120, P}});
  EXPECT_TRUE(platform.lines.empty());
  EXPECT_EQ(state.wheel.lastTick, 1020u);
  EXPECT_EQ(state.wheel.lastDelta, 120);
  settings.scrollRepair = 1;
  walk("switched back on", {{1030, -120, S1}});
}

TEST_F(WheelFilter, VolumeFollowsTheSignOfTheDelta) {
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  struct Case {
    std::uint32_t choice;
    std::uint32_t heldKey;
  };
  // Each modifier choice with the key that turns the wheel into a volume control.
  const Case choices[] = {{1, vk::alt},         {2, vk::control},     {3, vk::shift},
                          {4, vk::leftWindows}, {5, vk::rightButton}, {6, vk::leftButton}};
  std::uint32_t tick = 1000;
  for (const Case& c : choices) {
    SCOPED_TRACE("choice " + std::to_string(c.choice));
    const ModifierKeys keys = ModifierKeyChoice(c.choice);
    settings.volumeKey = keys.volumeKey;
    platform.held = {c.heldKey};
    platform.volume.clear();
    for (std::int16_t delta : {120, 240, 30, -120, -30, 0}) {
      tick += 100;  // well apart, so no notch is a reversal
      EXPECT_EQ(wheel(tick, delta), S);
    }
    EXPECT_EQ(platform.volume,
              (std::vector<std::uint32_t>{app_command::volumeUp, app_command::volumeUp,
                                          app_command::volumeUp, app_command::volumeDown,
                                          app_command::volumeDown}));
    EXPECT_TRUE(platform.posted.empty()) << "volume comes before pass-through";
  }
}

// Alt or Win let go after volume notches would open the menu bar or the Start menu.
TEST_F(WheelFilter, AKeyboardVolumeKeyIsMaskedOncePerHold) {
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  platform.held = {vk::alt};
  walk("one hold", {{1000, 120, S}, {1100, 120, S}, {1250, 120, S}});
  EXPECT_EQ(platform.masks, 1);
  platform.held.clear();
  walk("the key let go", {{1300, 120, S}});
  platform.held = {vk::alt};
  walk("held again", {{1350, 120, S}});
  EXPECT_EQ(platform.masks, 2);
  walk("no notch for kKeyRepressMs: it may have been let go and pressed again", {{1550, 120, S}});
  EXPECT_EQ(platform.masks, 3);
}

// 快捷键=5: the right press is held back until it is a volume change, a click or a drag.
TEST_F(WheelFilter, RightButtonForVolumeHoldsItsPressBack) {
  settings.volumeKey = vk::rightButton;
  using namespace mouse_message;
  const auto at = [&](std::uint32_t tick, std::uint32_t message, std::int32_t x = 300) {
    return filter.decide({0, message, x, 200, 0}, atTick(tick));
  };
  at(0, move);
  // "a held right press ends as volume"
  EXPECT_EQ(at(1000, rightDown), S);
  EXPECT_EQ(wheel(1100, 120), S);
  EXPECT_EQ(at(1200, rightUp), S);
  EXPECT_EQ(platform.volume.size(), 1u);
  // "a held right press ends as a click"
  EXPECT_EQ(at(2000, rightDown), S);
  EXPECT_EQ(at(2010, move, 304), P) << "inside the drag rectangle";
  EXPECT_EQ(at(2100, rightUp), S);
  // "a held right press ends as a drag"
  EXPECT_EQ(at(3000, rightDown), S);
  EXPECT_EQ(at(3010, move, 305), S) << "leaves the rectangle: the press goes out instead";
  EXPECT_EQ(at(3100, rightUp), P);
  EXPECT_EQ(platform.delivered, (std::vector<std::uint32_t>{rightDown, rightUp, rightDown}));
  EXPECT_EQ(platform.masks, 0) << "a button needs no mask";
  // "a held right press ends as a click whose release the system refuses": tried again
  platform.delivered.clear();
  platform.refusals = 1;
  platform.refusing = rightUp;
  EXPECT_EQ(at(4000, rightDown), S);
  EXPECT_EQ(at(4100, rightUp), S);
  ASSERT_EQ(platform.wakeRequests, std::vector<std::uint32_t>{1});
  filter.onTimer(atTick(4101));
  EXPECT_EQ(platform.delivered, (std::vector<std::uint32_t>{rightDown, rightUp}));
}

TEST_F(WheelFilter, VolumeKeyWithVolumeControlOffScrollsTheWindowUnderTheCursor) {
  settings.volumeControl = 0;
  platform.held = {vk::alt};
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  EXPECT_EQ(wheel(1000, 120), S);
  EXPECT_TRUE(platform.volume.empty());
  EXPECT_EQ(platform.posted.size(), 1u);
}

// The keys are asked of the system; the buttons are known from the events the hook has seen.
TEST_F(WheelFilter, PassThroughPacksPositionAndKeyState) {
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  using namespace mouse_message;
  struct Case {
    std::int32_t x, y;
    std::int16_t delta;
    std::set<std::uint32_t> keys;
    std::vector<MouseEvent> buttons;  // what the hook saw of the buttons before the notch
    std::uint32_t wParam;
  };
  const auto seen = [](std::uint32_t message, std::uint32_t data = 0) {
    return MouseEvent{0, message, 0, 0, data};
  };
  const std::uint32_t x2 = 2u << 16;
  const Case cases[] = {
      {300, 200, 120, {}, {}, 0x00780000u},
      {-1920, 50, -120, {vk::shift}, {}, 0xFF880004u},  // monitor to the left
      {100, -1080, 240, {vk::control}, {seen(leftDown)}, 0x00F00009u},
      {-5, -5, 120, {}, {seen(leftUp), seen(xButtonDown, x2), seen(middleDown)}, 0x00780050u},
      {-5, -5, 120, {}, {seen(middleUp), seen(xButtonUp, x2)}, 0x00780000u},
  };
  std::uint32_t tick = 1000;
  for (const Case& c : cases) {
    platform.posted.clear();
    platform.held = c.keys;
    for (const MouseEvent& e : c.buttons) filter.decide(e, atTick(tick));
    state.wheel.lastDelta = c.delta;
    tick += 100;
    EXPECT_EQ(wheel(tick, c.delta, c.x, c.y), S);
    ASSERT_EQ(platform.posted.size(), 1u);
    EXPECT_EQ(platform.posted[0].x, c.x);
    EXPECT_EQ(platform.posted[0].y, c.y);
    EXPECT_EQ(platform.posted[0].wParam, c.wParam);
  }
}

TEST_F(WheelFilter, SystemRoutingToTheCursorLetsTheNotchPass) {
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  platform.routesWheel = true;
  EXPECT_EQ(wheel(1000, 120), P);
  EXPECT_TRUE(platform.posted.empty());
  platform.held = {vk::alt};
  EXPECT_EQ(wheel(1100, 120), S) << "volume control still comes first";
  EXPECT_EQ(platform.volume.size(), 1u);
}

TEST_F(WheelFilter, RefusedPostPassesTheOriginalEvent) {
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  platform.postSucceeds = false;
  EXPECT_EQ(wheel(1000, 120), P);
  EXPECT_EQ(platform.posted.size(), 1u);
}

TEST_F(WheelFilter, BothRedirectionsOffPassTheWheel) {
  settings.volumeControl = 0;
  settings.wheelPassThrough = 0;
  platform.held = {vk::alt};
  filter.decide({0, mouse_message::move, 0, 0, 0}, atTick(0));
  EXPECT_EQ(wheel(1000, 120), P);
  EXPECT_TRUE(platform.posted.empty());
  EXPECT_TRUE(platform.volume.empty());
}

}  // namespace
