// The running program as an application sees it: filtered clicks, one instance, clean exits.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "common/identity.h"
#include "common/window_contract.h"
#include "e2e/harness.h"
#include "health/stats_file.h"
#include "input/click_record.h"
#include "tests/support/click_corpus.h"

namespace {

using namespace e2e;

const wchar_t kLeftChosen[] = L"[设备选择]\r\n左键=1\r\n";

// The left switch opening and closing again: its release and press in one injection, a few
// milliseconds apart however busy the machine is, where a sleep between two injections could
// stretch past the 20 ms of a chatter.
void leftBounce() {
  INPUT bounce[2] = {};
  bounce[0].type = bounce[1].type = INPUT_MOUSE;
  bounce[0].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  bounce[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(2, bounce, sizeof(INPUT));
}

// The left button pressed on `target`, the cursor resting in it past the click interval first.
void pressLeftIn(const Target& target) {
  restIn(target, kClickInterval + 200);
  mouseButton(MOUSEEVENTF_LEFTDOWN);
}

// A chattering click on a new target window arrives as `clicks` presses and as many releases.
::testing::AssertionResult chatteringClickArrivesAs(int clicks) {
  Target target(200, 200, 300, 200);
  chatteringClick(target.center());
  if (target.count(WM_LBUTTONDOWN) == clicks && target.count(WM_LBUTTONUP) == clicks) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "not " << clicks << " presses and releases; " << target.describe();
}

// A click of a button whose release bounces at once: up, down and up again in one injection.
void clickWithBouncedRelease(DWORD down, DWORD up, DWORD data) {
  mouseButton(down, data);
  pump(kReleaseInterval / 2);
  INPUT bounce[3] = {};
  for (INPUT& input : bounce) input = {INPUT_MOUSE, {{0, 0, data, up, 0, 0}}};
  bounce[1].mi.dwFlags = down;
  SendInput(3, bounce, sizeof(INPUT));
  pump(kClickInterval + 200);
}

// Middle, back and forward clicks whose releases bounce reach a window as `clicks` of each.
void bouncedClicksArriveAs(const int (&clicks)[3]) {
  const struct {
    DWORD down, up, data;
    UINT message;
  } buttons[] = {{MOUSEEVENTF_MIDDLEDOWN, MOUSEEVENTF_MIDDLEUP, 0, WM_MBUTTONDOWN},
                 {MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, XBUTTON1, WM_XBUTTONDOWN},
                 {MOUSEEVENTF_XDOWN, MOUSEEVENTF_XUP, XBUTTON2, WM_XBUTTONDOWN}};
  Target target(200, 200, 300, 200);
  restIn(target, kClickInterval + 200);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i == 0 ? "middle" : i == 1 ? "back" : "forward");
    target.clear();
    clickWithBouncedRelease(buttons[i].down, buttons[i].up, buttons[i].data);
    EXPECT_EQ(target.count(buttons[i].message), clicks[i]) << target.describe();
    EXPECT_EQ(target.count(buttons[i].message + 1), clicks[i]) << target.describe();
    EXPECT_GE(GetAsyncKeyState(VK_MBUTTON + i), 0) << "left down for the system";
  }
}

// With none of 中键, 后退键 and 前进键 in the file, every button is as it was, and none is written.
TEST(Program, ChatteringClickReachesTheTargetAsOneClick) {
  Clickmend program(settingsText(kLeftChosen));
  ASSERT_TRUE(program.started());
  EXPECT_TRUE(chatteringClickArrivesAs(1));
  bouncedClicksArriveAs({2, 2, 2});
  for (const wchar_t* key : {L"中键", L"后退键", L"前进键"}) {
    EXPECT_EQ(program.settingsFileText().find(key), std::wstring::npos);
  }
}

// Each chosen button's click is two presses, the second chatter, and its bounce pair repaired.
TEST(Program, MiddleAndBackClicksWhoseReleasesBounceArriveAsOneClickEach) {
  Clickmend program(settingsText(L"[设备选择]\r\n中键=1\r\n后退键=1\r\n前进键=0\r\n"));
  ASSERT_TRUE(program.started());
  bouncedClicksArriveAs({1, 1, 2});
  std::string output;
  EXPECT_EQ(program.runSecondInstance(10000, L"/stats", &output), 0u) << output;
  for (const char* line : {",middle,2,1,2\r\n", ",x1,2,1,2\r\n", ",x2,2,1,0\r\n"}) {
    EXPECT_NE(output.find(line), std::string::npos) << line << " in " << output;
  }
}

// A release that comes as soon after its press as a bounce would is held back, then delivered:
// the button is never left down for applications or for the system.
TEST(Program, QuickClickWithoutBounceArrivesWholeAndLeavesTheButtonUp) {
  Clickmend program(settingsText(kLeftChosen));
  ASSERT_TRUE(program.started());
  Target target(200, 200, 300, 200);
  pressLeftIn(target);
  pump(kReleaseInterval / 4);
  mouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(pumpUntil([&] { return target.count(WM_LBUTTONUP) > 0; }, 3000)) << target.describe();
  pump(200);
  EXPECT_EQ(target.count(WM_LBUTTONDOWN), 1) << target.describe();
  EXPECT_EQ(target.count(WM_LBUTTONUP), 1) << target.describe();
  EXPECT_GE(GetAsyncKeyState(VK_LBUTTON), 0) << "the system sees the button up";
}

// A worn switch that opens for a moment in the middle of a drag: three bounces 5 ms apart, each
// an up and a down. The first may pass (it arms the guard); the rest must not break the drag.
TEST(Program, HoldGuardKeepsADragThroughBouncesAndLetsADoubleClickThrough) {
  Clickmend program(settingsText(kLeftChosen));
  ASSERT_TRUE(program.started());
  Target target(200, 200, 300, 200);
  pressLeftIn(target);
  pump(kClickInterval + 100);
  for (int i = 0; i < 3; ++i) {
    leftBounce();
    Sleep(5);
  }
  pump(500);
  mouseButton(MOUSEEVENTF_LEFTUP);
  pump(kClickInterval + 200);
  const int presses = target.count(WM_LBUTTONDOWN);
  EXPECT_LE(presses, 2) << target.describe();
  EXPECT_EQ(target.count(WM_LBUTTONUP), presses) << target.describe();
  EXPECT_GE(GetAsyncKeyState(VK_LBUTTON), 0) << "the system sees the button up";

  target.clear();
  for (int i = 0; i < 2; ++i) {
    mouseButton(MOUSEEVENTF_LEFTDOWN);
    pump(kReleaseInterval + 50);
    mouseButton(MOUSEEVENTF_LEFTUP);
    pump(kClickInterval - kReleaseInterval);
  }
  pump(300);
  EXPECT_EQ(target.count(WM_LBUTTONDOWN), 2) << "the double click; " << target.describe();
  EXPECT_EQ(target.count(WM_LBUTTONUP), 2) << "the double click; " << target.describe();
}

TEST(Program, LeftButtonNotChosenPassesEveryPress) {
  Clickmend program(settingsText(L"[设备选择]\r\n左键=0\r\n"));
  ASSERT_TRUE(program.started());
  EXPECT_TRUE(chatteringClickArrivesAs(2));
}

TEST(Program, SecondInstanceExitsAndRewritesTheSettings) {
  Clickmend program(settingsText(kLeftChosen));
  ASSERT_TRUE(program.started());
  program.writeSettingsFile(settingsText(L"[设备选择]\r\n左键 = 1\r\n右键=7\r\n"));
  EXPECT_EQ(program.runSecondInstance(10000), 0u);
  const std::wstring text = program.settingsFileText();
  EXPECT_NE(text.find(L"右键=1"), std::wstring::npos) << narrow(text);
  EXPECT_NE(text.find(L"显示图标=1"), std::wstring::npos) << narrow(text);
  EXPECT_EQ(findClickmendWindow(), program.window()) << "the first instance keeps running";
}

// Autostart and a hand start in the same moment: the one that takes the instance mutex second
// exits before it looks for a window (this test holds the mutex as the first start would).
TEST(Program, AStartWhileAnotherHoldsTheInstanceMutexExits) {
  Clickmend program("\xFF\xFE", Clickmend::NotStarted{});
  const HANDLE mutex = CreateMutexW(nullptr, TRUE, window_contract::kInstanceMutexName);
  ASSERT_TRUE(mutex && program.prepared());
  EXPECT_FALSE(program.start(3000));
  EXPECT_EQ(program.waitForExit(5000), 0u);
  CloseHandle(mutex);
}

TEST(Program, HotkeyAndCloseEndTheProgramAndRemoveTheHook) {
  for (UINT message : {static_cast<UINT>(WM_HOTKEY), static_cast<UINT>(WM_CLOSE)}) {
    SCOPED_TRACE(message == WM_HOTKEY ? "WM_HOTKEY" : "WM_CLOSE");
    Clickmend program(settingsText(kLeftChosen));
    ASSERT_TRUE(program.started());
    PostMessageW(program.window(), message, 0, 0);
    EXPECT_EQ(program.waitForExit(10000), 0u);
    Target target(200, 200, 300, 200);
    chatteringClick(target.center());
    EXPECT_EQ(target.count(WM_LBUTTONDOWN), 2)
        << "bounces reach the target again; " << target.describe();
  }
}

TEST(Program, TaskbarCreatedReappliesTheSettings) {
  Clickmend program(settingsText(L"[设备选择]\r\n左键=0\r\n"));
  ASSERT_TRUE(program.started());
  program.writeSettingsFile(settingsText(L"[设备选择]\r\n左键 = 5\r\n"));
  SendMessageW(program.window(), RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  const std::wstring text = program.settingsFileText();
  EXPECT_NE(text.find(L"左键=1"), std::wstring::npos) << narrow(text);
  Target target(200, 200, 300, 200);
  chatteringClick(target.center());
  EXPECT_EQ(target.count(WM_LBUTTONDOWN), 1)
      << "the new setting is in force; " << target.describe();
}

TEST(Program, FirstStartWritesTheDefaults) {
  Clickmend program(L"", false);
  ASSERT_TRUE(program.started());
  const std::wstring path = program.settingsPath();
  struct Key {
    const wchar_t* section;
    const wchar_t* key;
    UINT value;
  };
  const Key keys[] = {
      {L"修复功能", L"单击", 1},     {L"修复功能", L"释放", 1},     {L"修复功能", L"滚动", 1},
      {L"设备选择", L"左键", 0},     {L"设备选择", L"右键", 0},     {L"功能设置", L"滚轮穿透", 1},
      {L"功能设置", L"音量控制", 1}, {L"功能设置", L"鼠标手势", 1}, {L"功能设置", L"显示图标", 1},
  };
  for (const Key& k : keys) {
    EXPECT_EQ(GetPrivateProfileIntW(k.section, k.key, 77, path.c_str()), k.value)
        << narrow(k.key) << " in\n"
        << narrow(program.settingsFileText());
  }
  EXPECT_EQ(GetPrivateProfileIntW(L"修复参数", L"单击间隔", 77, path.c_str()), 77u);
}

// The left button's chatter as the hook counted it (/stats: date,device,events,chatter,...), or
// -1 without an answer.
int leftChatter(Clickmend& program, std::string* stats = nullptr) {
  std::string text;
  program.runSecondInstance(10000, L"/stats", &text);
  const std::size_t left = text.find(",left,");
  int events = 0, chatter = -1;
  if (left != std::string::npos) std::sscanf(&text[left], ",left,%d,%d", &events, &chatter);
  if (stats) *stats = text;
  return chatter;
}

// A bouncing click as the mouse itself makes it, played through the X server on a new target
// window: the switch opens 4 ms after the press and closes 3 ms later, as a worn one does, and
// the button is let go 300 ms after that (or, `drag`, it opens for 6 ms 500 ms into the hold and
// is let go 400 ms later). It arrives as `clicks` presses and as many releases.
// The repairs judge an event by when it reaches the hook, and a loaded machine can hand the
// second press over past the click interval: two clicks are then right, and the hook says so by
// counting no chatter for it (a press under 20 ms after its release, /stats).
::testing::AssertionResult mouseBouncingClickArrivesAs(Clickmend& program, int clicks,
                                                       bool drag = false) {
  // Asked before the input only where it can excuse: a second instance writes the file too.
  const int chatterBefore = clicks == 1 ? leftChatter(program) : -1;
  Target target(200, 200, 300, 200);
  const POINT at = target.center();
  const std::string steps = "move " + std::to_string(at.x) + " " + std::to_string(at.y) +
                            (drag ? " wait 600000 down 1 wait 500000 up 1 wait 6000 down 1 wait "
                                    "400000 up 1"
                                  : " wait 600000 down 1 wait 4000 up 1 wait 3000 down 1 wait "
                                    "300000 up 1");
  std::string problem;
  if (!playXInput(steps, &problem)) return ::testing::AssertionFailure() << problem;
  pumpUntil([&] { return target.count(WM_LBUTTONUP) >= clicks; }, 5000);
  pump(kClickInterval + 200);
  const int presses = target.count(WM_LBUTTONDOWN);
  if (presses == clicks && target.count(WM_LBUTTONUP) == clicks) {
    return ::testing::AssertionSuccess();
  }
  std::string stats;
  if (clicks == 1 && presses == 2 && target.count(WM_LBUTTONUP) == 2 && chatterBefore >= 0 &&
      leftChatter(program, &stats) == chatterBefore) {
    return ::testing::AssertionSuccess() << "the second press reached the hook late";
  }
  return ::testing::AssertionFailure()
         << "not " << clicks << " presses and releases; " << target.describe() << "; " << stats;
}

// Wine's one mouse, named by its vendor and product ids, left out in the file: its bounces pass.
// First, on a fresh folder with no fit and no history, a drag whose switch opens once.
TEST(InputSource, TheMouseOwnBouncingClickArrivesAsOneClickUnlessTheMouseIsLeftOut) {
  Clickmend program(settingsText(L"[设备选择]\r\n左键=1\r\n", false));
  ASSERT_TRUE(program.started());
  EXPECT_TRUE(mouseBouncingClickArrivesAs(program, 1, true)) << "the drag";
  EXPECT_TRUE(mouseBouncingClickArrivesAs(program, 1));
  ASSERT_TRUE(program.writeSettingsFile(
      settingsText(L"[设备选择]\r\n左键=1\r\n[输入来源]\r\n845E:0001=0\r\n", false)));
  PostMessageW(program.window(), window_contract::kSettingsChangedMessage, 0, 0);
  pump(300);
  EXPECT_TRUE(mouseBouncingClickArrivesAs(program, 2));
}

// Other programs' clicks (SendInput's are injected) pass as they came on the console unless
// 模拟输入=1, which is written only once it is set; clicks Windows made from touch or pen input
// pass whatever it says, and none of them is counted as chatter.
TEST(InputSource, InjectedClicksAreRepairedOnlyWhenTheFileSaysSo) {
  const struct {
    const char* name;
    const wchar_t* simulatedInput;
    ULONG_PTR extra;
    int clicks;
  } cases[] = {{"no 模拟输入 key", L"", 0, 2},
               {"模拟输入=1", L"模拟输入=1\r\n", 0, 1},
               {"a touch click, 模拟输入=1", L"模拟输入=1\r\n", 0xFF515780, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Clickmend program(settingsText(
        L"[设备选择]\r\n左键=1\r\n[输入来源]\r\n" + std::wstring(c.simulatedInput), false));
    ASSERT_TRUE(program.started());
    Target target(200, 200, 300, 200);
    restIn(target, kClickInterval + 200);
    INPUT click[4] = {};
    for (int i = 0; i < 4; ++i) {
      click[i].type = INPUT_MOUSE;
      click[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
      click[i].mi.dwExtraInfo = c.extra;
    }
    SendInput(4, click, sizeof(INPUT));  // a double click with no gap, as a macro sends it
    pumpUntil([&] { return target.count(WM_LBUTTONUP) >= c.clicks; }, 3000);
    pump(kClickInterval + 200);
    EXPECT_EQ(target.count(WM_LBUTTONDOWN), c.clicks) << target.describe();
    EXPECT_EQ(target.count(WM_LBUTTONUP), c.clicks) << target.describe();
    std::string output;
    EXPECT_EQ(program.runSecondInstance(10000, L"/stats", &output), 0u) << output;
    EXPECT_EQ(output.find(",left,0,0,0\r\n") != std::string::npos, c.clicks == 2)
        << "counted only when repaired; " << output;
    EXPECT_EQ(program.settingsFileText().find(L"模拟输入") != std::wstring::npos,
              c.simulatedInput[0] != L'\0');
  }
}

// The console's lines are checked in-process by the unit tests: Wine lets no other process
// attach to a GUI program's console, and gives it a console host only when it runs from a
// terminal. Here: with the console open and printing, the filter works as before.
TEST(Program, DebugModeKeepsFiltering) {
  Clickmend program(settingsText(L"[设备选择]\r\n左键=1\r\n[功能设置]\r\n调试模式=1\r\n"));
  ASSERT_TRUE(program.started());
  pump(2000);  // opening a console can keep Wine busy for a moment
  EXPECT_TRUE(chatteringClickArrivesAs(1));
}

// Opens the 鼠标健康 window from the menu: the window once it shows, or null; `button` its
// button `caption` once that shows within `ms`, or null.
HWND openSwitchHealth(const Clickmend& program, const wchar_t* caption, DWORD ms, HWND& button) {
  PostMessageW(program.window(), WM_COMMAND, menu_command::switchHealth, 0);
  HWND window = nullptr;
  button = nullptr;
  if (!pumpUntil(
          [&] { return IsWindowVisible(window = FindWindowW(kSwitchHealthClass, L"鼠标健康")); },
          5000)) {
    return nullptr;
  }
  pumpUntil(
      [&] { return IsWindowVisible(button = FindWindowExW(window, nullptr, L"Button", caption)); },
      ms);
  if (!IsWindowVisible(button)) button = nullptr;
  return window;
}

// Clicks of the left button, the first `bouncing` of them bouncing once at the release.
void leftClicks(int clicks, int bouncing) {
  for (int click = 0; click < clicks; ++click) {
    mouseButton(MOUSEEVENTF_LEFTDOWN);
    pump(50);
    if (click < bouncing) {
      leftBounce();
      pump(50);
    }
    mouseButton(MOUSEEVENTF_LEFTUP);
    pump(100);
  }
}

// With no button chosen every press still counts: ten clicks, four of them bouncing at the
// release (up and down again at once), are 14 presses and 4 chatter in today's left line
// once the program has ended, and a restart goes on from there, also after a spreadsheet saved
// the file with a byte-order mark and the dates written year first (2026/12/8). A file whose
// last day is followed by the zeros a power loss leaves is moved aside, and a new one counts.
TEST(Program, SwitchHealthKeepsTodaysCountsAcrossARestart) {
  Clickmend program(settingsText(L""));
  ASSERT_TRUE(program.started());
  const std::wstring settings = program.settingsPath();
  const std::wstring stats = settings.substr(0, settings.size() - 4) + L"-stats.csv";
  SYSTEMTIME now;
  GetLocalTime(&now);
  char today[32];
  std::snprintf(today, sizeof today, "%04u-%02u-%02u,left,", now.wYear, now.wMonth, now.wDay);
  const auto statsText = [&] {
    std::string text(8192, '\0');
    FILE* file = _wfopen(stats.c_str(), L"rb");
    text.resize(file ? std::fread(&text[0], 1, text.size(), file) : 0);
    if (file) std::fclose(file);
    return text;
  };
  const auto leftLine = [&] {
    const std::string text = statsText();
    const std::size_t at = text.find(today);
    return at == std::string::npos ? text : text.substr(at, text.find("\r\n", at) - at);
  };
  Target target(200, 200, 300, 200);
  restIn(target, 200);
  leftClicks(10, 4);
  EXPECT_EQ(target.count(WM_LBUTTONDOWN), 14) << target.describe();
  PostMessageW(program.window(), WM_CLOSE, 0, 0);
  ASSERT_EQ(program.waitForExit(10000), 0u);
  EXPECT_EQ(leftLine().rfind(std::string(today) + "14,4,0,", 0), 0u) << leftLine();

  const std::string mark = "\xEF\xBB\xBF";
  std::string saved = statsText();
  char date[32];
  std::snprintf(date, sizeof date, "%u/%u/%u,", now.wYear, now.wMonth, now.wDay);
  for (std::size_t at; (at = saved.find(std::string(today, 11))) != std::string::npos;) {
    saved.replace(at, 11, date);
  }
  FILE* file = _wfopen(stats.c_str(), L"wb");
  ASSERT_TRUE(file);
  std::fputs((mark + saved).c_str(), file);
  std::fclose(file);
  ASSERT_TRUE(program.start());
  mouseButton(MOUSEEVENTF_LEFTDOWN);
  pump(50);
  mouseButton(MOUSEEVENTF_LEFTUP);
  pump(100);
  PostMessageW(program.window(), WM_CLOSE, 0, 0);
  ASSERT_EQ(program.waitForExit(10000), 0u);
  EXPECT_EQ(leftLine().rfind(std::string(today) + "15,4,0,", 0), 0u) << leftLine();
  EXPECT_EQ(statsText().rfind(mark + "date,", 0), 0u) << "the mark kept";
  const std::string zeroed = statsText() + std::string(4096, '\0');
  file = _wfopen(stats.c_str(), L"wb");
  ASSERT_TRUE(file && std::fwrite(zeroed.data(), 1, zeroed.size(), file) == zeroed.size());
  std::fclose(file);
  ASSERT_TRUE(program.start());
  leftClicks(1, 0);
  PostMessageW(program.window(), WM_CLOSE, 0, 0);
  ASSERT_EQ(program.waitForExit(10000), 0u);
  EXPECT_EQ(leftLine().rfind(std::string(today) + "1,0,0,", 0), 0u) << leftLine();
  const int day = now.wYear * 10000 + now.wMonth * 100 + now.wDay;
  EXPECT_NE(GetFileAttributesW((stats + L".damaged-" + std::to_wstring(day)).c_str()),
            INVALID_FILE_ATTRIBUTES);
}

// A click record with one tick field flipped, 0x7FFFFF00 ms from its counter time 1 ms before a
// held release is due, whose replay walked that gap a millisecond at a time: moved aside, while
// 鼠标健康 shows and /stats answers. Then a chattering left switch's record, whose fit takes
// seconds: the main thread answers while the window says 正在分析….
TEST(Program, AClickRecordWithAFlippedTickIsMovedAsideAndNoFitStallsTheProgram) {
  Clickmend program(settingsText(kLeftChosen));
  ASSERT_TRUE(program.started());
  const std::wstring settings = program.settingsPath();
  const std::wstring record = settings.substr(0, settings.size() - 4) + L"-clicks.dat";
  SYSTEMTIME now;
  GetLocalTime(&now);
  const auto restartWith = [&](const std::wstring& path, const std::string& bytes) {
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_EQ(program.waitForExit(10000), 0u);
    FILE* file = _wfopen(path.c_str(), L"wb");
    EXPECT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
    EXPECT_TRUE(program.start());
    PostMessageW(program.window(), WM_COMMAND, menu_command::switchHealth, 0);
    HWND window = nullptr;
    EXPECT_TRUE(pumpUntil(
        [&] { return IsWindowVisible(window = FindWindowW(kSwitchHealthClass, L"鼠标健康")); },
        2000));
    return window;
  };
  const std::uint64_t t = 10'000'000;
  const std::string planted = clickRecordBytes({{1,
                                                 {{t, 10'000, 0, true},
                                                  {t + 30'000, 10'030, 0, false},
                                                  {t + 199'000, 10'199 + 0x7FFFFF00u, 0, true},
                                                  {t + 300'000, 10'300, 0, false}}}});
  restartWith(record, planted);
  EXPECT_EQ(program.runSecondInstance(10000, L"/stats"), 0u) << "no answer within 2 s";
  wchar_t aside[32];
  swprintf(aside, 32, L".damaged-%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
  EXPECT_NE(GetFileAttributesW((record + aside).c_str()), INVALID_FILE_ATTRIBUTES);

  char today[16];
  std::snprintf(today, sizeof today, "%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  FILE* file = _wfopen((settings.substr(0, settings.size() - 4) + L"-stats.csv").c_str(), L"wb");
  std::fprintf(file, "%s\r\n%s", kStatsHeader,
               formatStatsLine(today, healthLeft, DeviceCounts{20000, 400, 0, {}}).c_str());
  std::fclose(file);
  ClickRun run{1, {}};
  for (const corpus::Event& e : corpus::make(28, {}, 3000).events) {
    run.events.push_back({e.us, corpus::tickAt(e.us, false), 0, e.press});
  }
  const HWND window = restartWith(record, clickRecordBytes({run}));
  DWORD_PTR answer = 0;
  EXPECT_TRUE(SendMessageTimeoutW(program.window(), WM_NULL, 0, 0, SMTO_NORMAL, 1000, &answer));
  EXPECT_TRUE(FindWindowExW(window, nullptr, L"Static", L"正在分析…")) << "the fit came first";
}

// ---- The command line, asking the running program ----

TEST(CommandLine, PauseLetsTheBounceThroughAndResumeRepairsAgain) {
  Clickmend program(settingsText(kLeftChosen));
  ASSERT_TRUE(program.started());
  std::string output;
  EXPECT_EQ(program.runSecondInstance(10000, L"/pause", &output), 0u) << output;
  Target target(200, 200, 300, 200);
  chatteringClick(target.center());
  EXPECT_EQ(target.count(WM_LBUTTONDOWN), 2) << "paused: unrepaired; " << target.describe();
  EXPECT_EQ(target.count(WM_LBUTTONUP), 2) << target.describe();
  target.clear();
  EXPECT_EQ(program.runSecondInstance(10000, L"--Resume", &output), 0u) << output;
  chatteringClick(target.center());
  EXPECT_EQ(target.count(WM_LBUTTONDOWN), 1) << "resumed: repaired; " << target.describe();
  EXPECT_EQ(target.count(WM_LBUTTONUP), 1) << target.describe();
}

TEST(CommandLine, StatsThenABogusSwitchThenQuit) {
  Clickmend program(settingsText(kLeftChosen));
  ASSERT_TRUE(program.started());
  std::string output;
  EXPECT_EQ(program.runSecondInstance(10000, L"/stats", &output), 0u) << output;
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char left[32];
  std::snprintf(left, sizeof left, "\r\n%04u-%02u-%02u,left,", now.wYear, now.wMonth, now.wDay);
  EXPECT_EQ(output.rfind("date,device,events,chatter,repaired\r\n", 0), 0u) << output;
  EXPECT_NE(output.find(left), std::string::npos) << output;

  EXPECT_EQ(program.runSecondInstance(10000, L"/bogus", &output), 2u) << output;
  EXPECT_NE(output.find("/stats"), std::string::npos) << "the switch list; " << output;
  EXPECT_EQ(findClickmendWindow(), program.window()) << "the instance keeps running alone";

  EXPECT_EQ(program.runSecondInstance(10000, L"/quit", &output), 0u) << output;
  EXPECT_EQ(program.waitForExit(10000), 0u);
  EXPECT_EQ(findClickmendWindow(), nullptr);
}

// What /diagnose says it measured is read on this machine: the tick in 1 ms steps at Wine's clock
// and in 15.625 ms steps at Windows' (the case runs at both, e2e.CommandLineWindowsClock), a
// timer asked for 1 ms clamped by the system and stamped by the tick, every probe seen by the
// hook. Nothing in it names a folder or the user.
TEST(CommandLine, DiagnoseSaysWhatItMeasuredOnThisMachine) {
  Clickmend program(settingsText(kLeftChosen));
  ASSERT_TRUE(program.started());
  std::string out;
  ASSERT_EQ(program.runSecondInstance(10000, L"/diagnose", &out), 0u) << out;
  const char* clock = std::getenv("CLICKMEND_WINDOWS_CLOCK");
  const bool windows = clock && std::string(clock) == "1";
  const auto after = [&out](const char* label) { return out.c_str() + out.find(label); };
  unsigned tick = 0, stamped = 0, seen = 0, sent = 0;
  double period = 0, median = 0, worst = 0;
  std::sscanf(after("Tick step: "), "Tick step: %u", &tick);
  std::sscanf(after("Timer asked"), "Timer asked for 1 ms: every %lf ms, its messages stamped %u",
              &period, &stamped);
  std::sscanf(after("Hook delay: "), "Hook delay: median %lf ms, worst %lf ms (%u of %u", &median,
              &worst, &seen, &sent);
  EXPECT_TRUE(windows ? tick == 15 || tick == 16 : tick == 1) << out;
  EXPECT_TRUE(windows ? stamped == 15 || stamped == 16 : stamped >= 10 && stamped < 15) << out;
  EXPECT_GE(period, 9.5) << "asked for 1 ms, clamped by the system; " << out;
  EXPECT_EQ(seen, 20u) << out;
  EXPECT_EQ(sent, 20u) << out;
  EXPECT_LE(median, worst) << out;
  EXPECT_NE(out.find("Hook installs since start: 1\r\n"), std::string::npos) << out;
  EXPECT_NE(out.find("[设备选择] 左键=1;"), std::string::npos) << out;
  EXPECT_EQ(out.find(":\\"), std::string::npos) << "no path; " << out;
  char user[256] = {};
  DWORD size = sizeof user;
  ASSERT_TRUE(GetUserNameA(user, &size));
  EXPECT_EQ(out.find(user), std::string::npos) << out;
}

// A window of Clickmend's name that answers 0 to every command, as a Clickmend does whose reply
// cannot reach the caller: a refusal, told apart from no answer at all.
TEST(CommandLine, ARefusalHasAnExitCodeOfItsOwn) {
  Clickmend program("\xFF\xFE", Clickmend::NotStarted{});
  const WNDCLASSW refusing{0,       DefWindowProcW, 0,       0,       GetModuleHandleW(nullptr),
                           nullptr, nullptr,        nullptr, nullptr, kAppName};
  RegisterClassW(&refusing);
  const HWND window = CreateWindowExW(0, kAppName, kAppName, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      refusing.hInstance, nullptr);
  std::string output;
  EXPECT_EQ(program.runSecondInstance(10000, L"/stats", &output), 4u) << output;
  DestroyWindow(window);
}

TEST(CommandLine, NoInstanceRunningExitsOneAndStartsNothing) {
  Clickmend program("[设备选择]\r\n左键=1\r\n", Clickmend::NotStarted{});
  ASSERT_TRUE(program.prepared());
  std::string output;
  EXPECT_EQ(program.runSecondInstance(10000, L"/pause", &output), 1u) << output;
  EXPECT_EQ(findClickmendWindow(), nullptr);
  EXPECT_EQ(narrow(program.settingsFileText()), "[设备选择]\r\n左键=1\r\n")
      << "not even the settings file is rewritten";
}

// The 鼠标健康 window names the chattering left button that is not chosen, and its button
// chooses it: saved at once, and the next chattering click arrives as one click.
TEST(Program, SwitchHealthWindowChoosesTheChatteringButton) {
  Clickmend program(settingsText(L""));
  ASSERT_TRUE(program.started());
  Target target(200, 200, 300, 200);
  restIn(target, 200);
  leftClicks(4, 4);
  HWND choose = nullptr;
  const HWND window = openSwitchHealth(program, L"为鼠标左键开启修复", 5000, choose);
  ASSERT_TRUE(window);
  ASSERT_TRUE(choose);
  // The pointer rests on the button itself (the rows may have moved since it was found).
  ASSERT_TRUE(pumpUntil(
      [&] {
        RECT button{};
        GetWindowRect(choose, &button);
        const POINT at{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
        moveTo(at);
        pump(50);
        return WindowFromPoint(at) == choose;
      },
      5000));
  // A hand edit since the settings were read: the button writes its own key alone.
  std::wstring edited = program.settingsFileText();
  ASSERT_NE(edited.find(L"滚轮穿透=1"), std::wstring::npos) << narrow(edited);
  program.writeSettingsFile(edited.replace(edited.find(L"滚轮穿透=1"), 6, L"滚轮穿透=0"));
  mouseButton(MOUSEEVENTF_LEFTDOWN);
  pump(50);
  mouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(pumpUntil(
      [&] { return program.settingsFileText().find(L"左键=1") != std::wstring::npos; }, 1000))
      << narrow(program.settingsFileText());
  EXPECT_NE(program.settingsFileText().find(L"滚轮穿透=0"), std::wstring::npos);
  // 复制诊断信息 puts the diagnosis on the clipboard, the button just chosen in it.
  const HWND copy = FindWindowExW(window, nullptr, L"Button", L"复制诊断信息");
  DWORD_PTR unused = 0;
  ASSERT_TRUE(SendMessageTimeoutW(copy, BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &unused));
  EXPECT_EQ(FindWindowExW(window, nullptr, L"Button", L"诊断信息已复制"), copy);
  ASSERT_TRUE(OpenClipboard(nullptr));
  const auto* copied = static_cast<const wchar_t*>(GetClipboardData(CF_UNICODETEXT));
  const std::wstring diagnosis = copied ? copied : L"";
  CloseClipboard();
  EXPECT_NE(diagnosis.find(L"[设备选择] 左键=1;"), std::wstring::npos) << narrow(diagnosis);
  // The test pad, 左键 now chosen: the mouse's own bouncing click made in it is one row, which
  // says the bounce was swallowed.
  SendMessageW(FindWindowExW(window, nullptr, L"Button", L"打开测试区"), BM_CLICK, 0, 0);
  const HWND pad = FindWindowExW(window, nullptr, kTestPadClass, nullptr);
  const HWND list = FindWindowExW(window, nullptr, L"ListBox", nullptr);
  ASSERT_TRUE(pad && list);
  ShowWindow(target.hwnd(), SW_HIDE);
  RECT box{};
  GetWindowRect(pad, &box);
  const POINT at{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
  ASSERT_TRUE(pumpUntil([&] { return WindowFromPoint(at) == pad; }, 5000));
  std::string problem;
  ASSERT_TRUE(playXInput("move " + std::to_string(at.x) + " " + std::to_string(at.y) +
                             " wait 600000 down 1 wait 4000 up 1 wait 3000 down 1 wait 300000 up 1",
                         &problem))
      << problem;
  std::wstring row;
  EXPECT_TRUE(pumpUntil(
      [&] {
        row.assign(std::max<LRESULT>(0, SendMessageW(list, LB_GETTEXTLEN, 0, 0)) + 1, L'\0');
        row.resize(std::max<LRESULT>(0, SendMessageW(list, LB_GETTEXT, 0, LPARAM(row.data()))));
        return SendMessageW(list, LB_GETCOUNT, 0, 0) == 1 &&
               row.find(L"抖动已修复") != std::wstring::npos;
      },
      5000))
      << narrow(row);
  ShowWindow(target.hwnd(), SW_SHOWNA);
  key(VK_ESCAPE, true);
  key(VK_ESCAPE, false);
  EXPECT_TRUE(pumpUntil([&] { return !IsWindow(window); }, 5000)) << "Esc closes the window";
  target.clear();
  chatteringClick(target.center());
  EXPECT_EQ(target.count(WM_LBUTTONDOWN), 1) << target.describe();
  EXPECT_EQ(target.count(WM_LBUTTONUP), 1) << target.describe();
}

// Injects the corpus in real time, the events within 2 ms of each other in one SendInput, and
// returns it with each event at the tick it really went in (in microseconds), the times the
// window's messages are stamped with.
corpus::Corpus inject(const corpus::Corpus& planned) {
  corpus::Corpus actual = planned;
  std::map<std::uint64_t, std::uint64_t> at;  // planned time -> the tick it went in
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const std::uint64_t first = planned.events.front().us;
  const auto elapsedUs = [&] {
    QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>((now.QuadPart - start.QuadPart) * 1000000 /
                                      frequency.QuadPart);
  };
  for (std::size_t i = 0; i < planned.events.size();) {
    const std::uint64_t due = planned.events[i].us - first;
    while (elapsedUs() + 40000 < due) pump(1);  // at Windows' clock a pump may last 2 steps
    while (elapsedUs() < due) {
    }
    INPUT batch[8] = {};
    UINT count = 0;
    const DWORD tick = GetTickCount();
    for (; i < planned.events.size() && count < 8 && planned.events[i].us - first <= due + 2000;
         ++i, ++count) {
      batch[count].type = INPUT_MOUSE;
      batch[count].mi.dwFlags = planned.events[i].press ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
      at[planned.events[i].us] = static_cast<std::uint64_t>(tick) * 1000;
    }
    SendInput(count, batch, sizeof(INPUT));
  }
  for (corpus::Event& e : actual.events) e.us = at[e.us];
  for (corpus::Episode& episode : actual.episodes) {
    for (corpus::Click& c : episode.clicks) {
      c.pressUs = at[c.pressUs];
      c.releaseUs = at[c.releaseUs];
    }
  }
  for (std::size_t e = 0; e < actual.episodes.size(); ++e) {
    actual.episodes[e].endUs = e + 1 < actual.episodes.size()
                                   ? actual.episodes[e + 1].clicks.front().pressUs
                                   : actual.events.back().us + 500000;
  }
  pump(500);
  return actual;
}

corpus::Judged judgeWindow(const corpus::Corpus& actual, const Target& target) {
  std::vector<corpus::Event> shown;
  for (const Received& r : target.received()) {
    if (r.message == WM_LBUTTONDOWN || r.message == WM_LBUTTONUP) {
      shown.push_back({static_cast<std::uint64_t>(r.time) * 1000, r.message == WM_LBUTTONDOWN});
    }
  }
  return corpus::judge(actual, shown);
}

// The clock of this run's Wine server: Windows' 15.625 ms steps under scripts/windows-clock.sh,
// which says so in CLICKMEND_WINDOWS_CLOCK, Wine's 1 ms otherwise.
bool atWindowsClock() {
  const char* clock = std::getenv("CLICKMEND_WINDOWS_CLOCK");
  return clock && std::string(clock) == "1";
}

// Whether the tick steps as Windows' does: every value it takes lies within 1 ms of a whole
// number of 15.625 ms (125/8 ms) steps from the first. Wine's own tick moves by 1 ms, or by
// 16 to 20 ms while its server is idle, and leaves that grid within a few steps.
bool tickStepsAsWindows() {
  const DWORD first = GetTickCount();
  DWORD last = first;
  for (int steps = 0; steps < 16;) {
    const DWORD now = GetTickCount();
    if (now == last) continue;
    const long long eighths = 8LL * (now - first);
    if (std::llabs(eighths - 125 * ((eighths + 62) / 125)) >= 8) return false;
    last = now;
    ++steps;
  }
  return true;
}

// A worn left switch under the defaults loses double clicks and lets some chatter through; the
// 鼠标健康 window fits the intervals to the clicks it recorded, and with them the same clicks
// arrive whole.
TEST(Program, SwitchHealthFitsTheIntervalsToTheRecordedClicks) {
  const bool windowsClock = atWindowsClock();
  if (windowsClock) {
    ASSERT_TRUE(tickStepsAsWindows()) << "the Wine server keeps its own clock";
  }
  // The intervals at their defaults.
  Clickmend program(std::wstring(kLeftChosen) + kSimulatedInputRepaired);
  ASSERT_TRUE(program.started());
  Target target(200, 200, 300, 200);
  restIn(target, 300);
  const corpus::Corpus planned = corpus::make();
  const corpus::Judged before = judgeWindow(inject(planned), target);

  HWND apply = nullptr;
  const HWND window = openSwitchHealth(program, L"应用建议间隔", 10000, apply);
  ASSERT_TRUE(window);
  ASSERT_TRUE(apply) << "before: " << before.clean << " clean, " << before.lost << " lost";
  const std::wstring file = program.settingsFileText();
  // Held by another program, the file takes nothing: told, and the button applies once it is free.
  const HANDLE held = CreateFileW(program.settingsPath().c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  PostMessageW(apply, BM_CLICK, 0, 0);  // the message box holds the window's answer
  const auto box = [] { return FindWindowW(L"#32770", L"鼠标健康"); };  // the refusal told
  EXPECT_TRUE(pumpUntil(box, 5000));
  PostMessageW(box(), WM_COMMAND, IDOK, 0);
  pumpUntil([&] { return !box(); }, 5000);
  CloseHandle(held);
  SendMessageW(apply, BM_CLICK, 0, 0);
  EXPECT_TRUE(pumpUntil([&] { return program.settingsFileText() != file; }, 2000));
  PostMessageW(window, WM_CLOSE, 0, 0);
  restIn(target, 300);
  target.clear();
  const corpus::Judged after = judgeWindow(inject(planned), target);
  std::printf(
      "at %s clock: episodes clean under the defaults %d (%d clicks lost), fitted %d "
      "(%d lost)\n%s%s",
      windowsClock ? "Windows'" : "Wine's", before.clean, before.lost, after.clean, after.lost,
      narrow(program.settingsFileText()).c_str(), after.unclean.c_str());
  // At either clock, after the fit: at most one episode unclean, and no click lost.
  EXPECT_GE(after.clean, 239) << "before: " << before.clean << "\n"
                              << narrow(program.settingsFileText()) << after.unclean;
  EXPECT_EQ(after.lost, 0) << "before: " << before.lost << "\n" << after.unclean;
}

}  // namespace
