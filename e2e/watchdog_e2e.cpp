// The hook's watchdog in the running program.
#include <windows.h>

#include <gtest/gtest.h>
#include <wtsapi32.h>

#include "common/window_contract.h"
#include "e2e/harness.h"

namespace {

using namespace e2e;

UINT_PTR property(HWND window, const wchar_t* name) {
  return reinterpret_cast<UINT_PTR>(GetPropW(window, name));
}

TEST(Watchdog, LiveHookUnderSteadyInputIsLeftAlone) {
  Clickmend program(settingsText(L""));
  ASSERT_TRUE(program.started());
  EXPECT_EQ(property(program.window(), window_contract::kHookInstallsProperty), 1u);
  Target target(200, 200, 400, 300);
  const POINT c = target.center();
  for (int i = 0; i < 300; ++i) {
    moveTo({c.x - 150 + i, c.y + (i % 7)});
    pump(5);
  }
  pump(300);
  EXPECT_EQ(property(program.window(), window_contract::kRawInputProperty), 1u)
      << "the raw input that watches the hook arrives";
  EXPECT_EQ(property(program.window(), window_contract::kHookInstallsProperty), 1u)
      << "no re-install";
}

TEST(Watchdog, ResumeAndUnlockReinstallTheHookKeepingItsState) {
  Clickmend program(settingsText(L"[设备选择]\r\n左键=1\r\n"));
  ASSERT_TRUE(program.started());
  Target target(200, 200, 300, 200);
  restIn(target, kClickInterval + 200);

  mouseButton(MOUSEEVENTF_LEFTDOWN);
  pump(20);
  // The hook thread installs the new hook and then tells the main window.
  const auto installsReach = [&](UINT_PTR n) {
    return pumpUntil(
        [&] { return property(program.window(), window_contract::kHookInstallsProperty) == n; },
        2000);
  };
  SendMessageW(program.window(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  EXPECT_TRUE(installsReach(2));
  SendMessageW(program.window(), WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
  EXPECT_TRUE(installsReach(3));
  // The bounce right after is measured against the press made before the re-installs.
  mouseButton(MOUSEEVENTF_LEFTUP);
  pump(60);
  mouseButton(MOUSEEVENTF_LEFTDOWN);
  pump(kClickInterval + 400);
  mouseButton(MOUSEEVENTF_LEFTUP);
  pump(200);
  EXPECT_EQ(target.count(WM_LBUTTONDOWN), 1) << target.describe();
  EXPECT_EQ(target.count(WM_LBUTTONUP), 1) << target.describe();
}

}  // namespace
