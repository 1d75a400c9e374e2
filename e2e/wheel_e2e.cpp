// The wheel as applications see it. Wine itself already sends a wheel to the window under the
// cursor, so these cases check what can be told apart there: how often the wheel arrives,
// with what, and the volume command instead of the wheel.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "e2e/harness.h"

namespace {

using namespace e2e;

class Wheel : public ::testing::Test {
 protected:
  // Focus on the left window, the cursor over the right one.
  void SetUp() override {
    focused = std::make_unique<Target>(60, 100, 300, 300, L"focused");
    under = std::make_unique<Target>(500, 100, 300, 300, L"under the cursor");
    SetForegroundWindow(focused->hwnd());
    SetFocus(focused->hwnd());
  }
  void start(const std::wstring& features) {
    program = std::make_unique<Clickmend>(settingsText(features));
    ASSERT_TRUE(program->started());
    moveTo(under->center());
    // The first notch is measured against the hook's first event.
    pump(kScrollInterval + 300);
    focused->clear();
    under->clear();
  }
  int wheels() const { return focused->count(WM_MOUSEWHEEL) + under->count(WM_MOUSEWHEEL); }
  std::string seen() const {
    return "focused: " + focused->describe() + "; under: " + under->describe();
  }

  std::unique_ptr<Target> focused, under;
  std::unique_ptr<Clickmend> program;
};

TEST_F(Wheel, PassThroughDeliversOnceWithPositionAndKeys) {
  start(L"");
  key(VK_SHIFT, true);
  pump(50);
  wheel(WHEEL_DELTA);
  pump(300);
  key(VK_SHIFT, false);
  pump(100);
  ASSERT_EQ(wheels(), 1) << seen();
  ASSERT_EQ(under->count(WM_MOUSEWHEEL), 1) << seen();
  const Received r = under->only(WM_MOUSEWHEEL)[0];
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(r.wParam), WHEEL_DELTA);
  EXPECT_TRUE(GET_KEYSTATE_WPARAM(r.wParam) & MK_SHIFT) << seen();
  const POINT c = under->center();
  EXPECT_EQ(static_cast<short>(LOWORD(r.lParam)), c.x);
  EXPECT_EQ(static_cast<short>(HIWORD(r.lParam)), c.y);
}

TEST_F(Wheel, VolumeKeyTurnsTheWheelIntoVolume) {
  start(L"");
  key(VK_MENU, true);
  pump(50);
  wheel(WHEEL_DELTA);
  pump(kScrollInterval + 200);
  wheel(-WHEEL_DELTA);
  pump(kScrollInterval + 200);
  key(VK_MENU, false);
  pump(100);
  EXPECT_EQ(wheels(), 0) << seen();
  const auto commands = under->only(WM_APPCOMMAND);
  ASSERT_EQ(commands.size(), 2u) << seen();
  EXPECT_EQ(GET_APPCOMMAND_LPARAM(commands[0].lParam), APPCOMMAND_VOLUME_UP);
  EXPECT_EQ(GET_APPCOMMAND_LPARAM(commands[1].lParam), APPCOMMAND_VOLUME_DOWN);
  pump(200);
  for (const Received& r : focused->only(WM_SYSCOMMAND)) {
    EXPECT_NE(r.wParam & 0xFFF0, static_cast<WPARAM>(SC_KEYMENU))
        << "Alt let go after volume opened the menu bar; " << seen();
  }
}

// 快捷键=5: the right button held while the wheel turns is a volume change, not a right click
// that opens the context menu of the window under the cursor; a plain right click is one.
TEST_F(Wheel, RightButtonForVolumeNeitherClicksNorOpensAMenu) {
  start(L"[功能设置]\r\n快捷键=5\r\n");
  mouseButton(MOUSEEVENTF_RIGHTDOWN);
  pump(100);
  wheel(WHEEL_DELTA);
  pump(300);
  mouseButton(MOUSEEVENTF_RIGHTUP);
  pump(300);
  EXPECT_EQ(under->only(WM_APPCOMMAND).size(), 1u) << seen();
  EXPECT_EQ(under->count(WM_RBUTTONUP) + under->count(WM_CONTEXTMENU), 0) << seen();
  EXPECT_GE(GetAsyncKeyState(VK_RBUTTON), 0) << "the system sees the button up";

  under->clear();
  mouseButton(MOUSEEVENTF_RIGHTDOWN);
  pump(100);
  mouseButton(MOUSEEVENTF_RIGHTUP);
  pumpUntil([&] { return under->count(WM_RBUTTONUP) > 0; }, 3000);
  EXPECT_EQ(under->count(WM_RBUTTONDOWN), 1) << seen();
  EXPECT_EQ(under->count(WM_RBUTTONUP), 1) << seen();
}

TEST_F(Wheel, BothRedirectionsOffLeaveTheWheelToTheSystem) {
  start(L"[功能设置]\r\n滚轮穿透=0\r\n音量控制=0\r\n");
  key(VK_MENU, true);
  pump(50);
  wheel(WHEEL_DELTA);
  pump(300);
  key(VK_MENU, false);
  pump(100);
  EXPECT_EQ(wheels(), 1) << seen();
  EXPECT_EQ(focused->count(WM_APPCOMMAND) + under->count(WM_APPCOMMAND), 0) << seen();
}

TEST_F(Wheel, ReversedNotchInsideTheIntervalReachesNoOne) {
  start(L"");
  wheel(WHEEL_DELTA);
  pump(kScrollInterval + 200);
  wheel(WHEEL_DELTA);
  pump(100);
  wheel(-WHEEL_DELTA);  // 100 ms after a notch the other way: a worn wheel's stray notch
  pump(300);
  EXPECT_EQ(wheels(), 2) << seen();
  for (const Received& r : under->only(WM_MOUSEWHEEL)) {
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(r.wParam), WHEEL_DELTA) << seen();
  }
}

TEST_F(Wheel, FineStepsInOneDirectionAllArriveAndAReversalIsSwallowed) {
  start(L"");
  const int steps[] = {40, 40, 40, 80, 40, -40};
  for (int delta : steps) {
    wheel(delta);
    pump(60);  // far inside the scroll interval
  }
  pump(300);
  ASSERT_EQ(wheels(), 5) << seen();
  const auto arrived = under->only(WM_MOUSEWHEEL);
  for (std::size_t i = 0; i < arrived.size(); ++i) {
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(arrived[i].wParam), steps[i]) << seen();
  }
}

}  // namespace
