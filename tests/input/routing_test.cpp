// Right-button and move events while the gesture key is held belong to the gesture.
#include <gtest/gtest.h>

#include <memory>

#include "common/text.h"
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
  EXPECT_EQ(at(1200, rightUp), P) << "its press reached the application";
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

// Where each event came from, told by the raw input stream beside the hook's events, and what
// the repairs do with it (input/input_source.h). The left button chosen, the blip rule off.
class SourceRouting : public FilterFixture {
 protected:
  // A step of the fake raw input stream or a hook event: 'r' a mouse's report (`device` "-"
  // names none; `message` its button flags), 't' a touchpad's contact report, 'h' a hook event
  // of the desktop's own input, 'i' an injected one, 'c' a touch one; `device` then names the
  // source the hook event is expected to be told.
  struct Step {
    std::uint32_t tick;
    char what;
    const char* device;
    std::uint32_t message = 0;
    Decision decision = P;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::int32_t simulatedInput = -1;
    bool remote = false;
    std::vector<std::pair<std::string, std::int32_t>> settings = {};  // [输入来源] <name>
  };

  void run(const Case& c) {
    SCOPED_TRACE(c.name);
    state = FilterState{};
    devices = std::make_unique<InputDevices>();
    SourceTracker tracker(settings, *devices);
    settings.simulatedInput = c.simulatedInput;
    devices->remoteSession = c.remote;
    for (const Step& s : c.steps) {
      SCOPED_TRACE(std::to_string(s.tick) + s.what);
      const ClockReading now = atTick(s.tick);
      if (s.what == 'r' || s.what == 't') {
        // A, B, and TP's contacts and its own mouse collection, each its own handle.
        const std::string name = s.device;
        const std::uintptr_t handle = name == "-" ? 0 : name[0] + (s.what == 't' ? 0x100 : 0);
        if (handle && tracker.slotOf(handle) < 0) {
          const DeviceKind kind = s.what == 't' ? DeviceKind::touchpad : DeviceKind::mouse;
          const int slot = tracker.addDevice(handle, kind, decodeUtf8(name)->c_str());
          for (const auto& [key, value] : c.settings) {  // the main thread's part
            if (key == name)
              devices->at[slot].leftOut = deviceLeftOut(devices->at[slot].kind, value);
          }
        }
        if (s.what == 'r') tracker.rawMouse(tracker.slotOf(handle), s.message, now.us);
        if (s.what == 't') tracker.rawContact(tracker.slotOf(handle), now.us);
        continue;
      }
      filter.onTimer(now);  // what is due was let go
      const MouseEvent event{0, s.message, 100, 100, 0};
      const EventSource source =
          tracker.hookEvent(rawBitOf(event), s.what != 'h', s.what == 'c' ? 0xFF515780 : 0, now.us);
      EXPECT_EQ(encodeUtf8(tracker.nameOf(source)), s.device);
      EXPECT_EQ(filter.decide(event, now, tracker.repairOf(source)), s.decision);
    }
  }

  std::unique_ptr<InputDevices> devices;
};

TEST_F(SourceRouting, OnlyTheMouseIsRepaired) {
  settings.leftButton = 1;
  settings.blipLength = 0;
  const std::vector<Step> macroDoubleClick = {{1000, 'i', "模拟输入", leftDown},
                                              {1000, 'i', "模拟输入", leftUp},
                                              {1001, 'i', "模拟输入", leftDown},
                                              {1001, 'i', "模拟输入", leftUp}};
  std::vector<Step> repairedMacro = macroDoubleClick;
  repairedMacro[1].decision = repairedMacro[3].decision = S;
  repairedMacro[2].decision = S2;
  const std::vector<Step> tapDouble = {{0, 'r', "A"},
                                       {1000, 'h', "A", leftDown},
                                       {1100, 'h', "A", leftUp},
                                       {1200, 't', "TP"},
                                       {1210, 't', "TP"},
                                       {1212, 'h', "TP", leftDown},
                                       {1212, 'r', "-", 0x1},
                                       {1220, 'h', "TP", leftUp},
                                       {1220, 'r', "-", 0x2},
                                       {1225, 't', "TP"},
                                       {1232, 'h', "TP", leftDown},
                                       {1232, 'r', "-", 0x1},
                                       {1250, 'h', "TP", leftUp},
                                       {1250, 'r', "-", 0x2},
                                       {1390, 'r', "A"},
                                       {1400, 'h', "A", leftDown},
                                       {1500, 'h', "A", leftUp}};
  std::vector<Step> tapDoubleRepaired = tapDouble;
  tapDoubleRepaired[7].decision = tapDoubleRepaired[12].decision = S;
  tapDoubleRepaired[10].decision = S2;
  const Case cases[] = {
      {"the click's own raw input is there first",
       {{0, 'r', "A"}, {1000, 'r', "B", 0x1}, {1000, 'r', "A"}, {1000, 'h', "B", leftDown}}},
      {"a raw press that comes after its hook call",
       {{0, 'r', "A"},
        {1000, 'h', "A", middleDown},
        {1000, 'r', "A", 0x10},
        {1010, 'h', "A", middleUp},
        {1010, 'r', "A", 0x20},
        {1060, 'r', "B", 0x10},
        {1060, 'r', "A"},
        {1060, 'h', "B", middleDown}}},
      {"a touchpad tap double in between two clicks", tapDouble},
      {"a touchpad brought in", tapDoubleRepaired, -1, false, {{"TP", 1}}},
      {"a touchpad whose clicks name no device, and a contact long before a mouse's click",
       {{0, 'r', "A"},
        {1000, 't', "TP"},
        {1003, 'r', "-", 0x1},
        {1003, 'h', "TP", leftDown},
        {1500, 'r', "A"},
        {20000, 't', "TP"},
        {30000, 'h', "A", leftDown}}},
      {"a touchpad's own mouse collection",
       {{0, 't', "TP"},
        {1000, 'r', "TP", 0x1},
        {1000, 'h', "TP", leftDown},
        {1004, 'r', "TP", 0x2},
        {1004, 'h', "TP", leftUp},
        {1008, 'r', "TP", 0x1},
        {1008, 'h', "TP", leftDown}}},
      {"a macro's double click", macroDoubleClick},
      {"a macro's double click in a remote session", repairedMacro, -1, true},
      {"模拟输入=0 in a remote session", macroDoubleClick, 0, true},
      {"模拟输入=1", repairedMacro, 1},
      {"a touch click, even with 模拟输入=1",
       {{1000, 'c', "触摸/笔", leftDown},
        {1010, 'c', "触摸/笔", leftUp},
        {1020, 'c', "触摸/笔", leftDown},
        {1030, 'c', "触摸/笔", leftUp}},
       1},
      {"a mouse left out",
       {{0, 'r', "A"},
        {1000, 'h', "A", leftDown},
        {1004, 'h', "A", leftUp},
        {1007, 'h', "A", leftDown},
        {1300, 'h', "A", leftUp}},
       -1,
       false,
       {{"A", 0}}},
      {"a mouse plugged in during a drag",
       {{0, 'r', "A"},
        {1000, 'h', "A", leftDown},
        {1100, 'r', "B"},
        {1500, 'h', "A", leftUp, S},  // a drag's drop waits for the switch's opening
        {1600, 'r', "B"},
        {2000, 'h', "B", leftDown}}},
  };
  for (const Case& c : cases) run(c);
}

// A device's name stays the same on every port: its ids, not the instance path after them.
TEST(DeviceName, IsTheVendorAndProductIds) {
  const std::pair<const wchar_t*, const char*> rows[] = {
      {L"\\\\?\\HID#VID_046D&PID_C077#7&1cd4b8b&0&0000#{378de44c-56ef-11d1-bc8c-00a0c91405dd}",
       "046D:C077"},
      {L"\\\\?\\hid#vid_06cb&pid_ce26&mi_01&col02#8&2a3b&0&0001#{378de44c}", "06CB:CE26"},
      {L"\\\\?\\HID#{00001124-0000-1000-8000-00805f9b34fb}_VID&0002046d_PID&b016&Col01#9&1",
       "046D:B016"},
      {L"\\\\?\\ACPI#PNP0F13#4&2cd0b1b&0#{378de44c}", "PNP0F13"},
      {L"\\\\?\\HID#SYNA7DB5&Col02#5&1b2c&0&0001#{378de44c}", "SYNA7DB5"},
      {L"", ""}};
  for (const auto& [path, expected] : rows) {
    wchar_t name[12];
    shortDeviceName(path, name);
    EXPECT_EQ(encodeUtf8(name), expected) << encodeUtf8(path);
  }
}
