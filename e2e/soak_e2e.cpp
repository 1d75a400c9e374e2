// A long run of mixed input through the running program: moves, chattering bursts on both
// buttons, wheel flicks one way and back, volume flicks and gestures bound to a command that
// does nothing. Afterwards the program must still run with its first hook, still swallow a
// bounce, and hold no more handles and hardly more memory than after its start.
//
// CLICKMEND_SOAK_EVENTS sets the number of injected events (default 5000, enough to show a
// leak of a handle per gesture or a few hundred bytes per event; scripts/bench.sh runs 100,000).
// The figures are printed as "soak: ..." lines.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include "bench/wine/process_figures.h"
#include "common/window_contract.h"
#include "e2e/harness.h"

namespace {

using namespace e2e;

// Once the first of each kind of event has been through (the warm-up), the program may still
// settle a little: a few handles the system opens on first use, heap pages it keeps. A leak
// of one handle per gesture, or of a few hundred bytes per event, goes well past these.
constexpr DWORD kHandleSlack = 2;
constexpr SIZE_T kMemorySlack = 512 * 1024;

long soakEvents() {
  const char* raw = std::getenv("CLICKMEND_SOAK_EVENTS");
  const long n = raw ? std::strtol(raw, nullptr, 10) : 0;
  return n > 0 ? n : 5000;
}

UINT_PTR hookInstalls(HWND window) {
  return reinterpret_cast<UINT_PTR>(GetPropW(window, window_contract::kHookInstallsProperty));
}

// Injects the mix and counts every event sent.
class Mix {
 public:
  explicit Mix(POINT centre) : centre_(centre), at_(centre) {}
  long sent() const { return sent_; }

  void moves(int n) {
    std::uniform_int_distribution<int> step(-6, 6);
    for (int i = 0; i < n; ++i) {
      at_.x = clamp(at_.x + step(random_), centre_.x - 150, centre_.x + 150);
      at_.y = clamp(at_.y + step(random_), centre_.y - 60, centre_.y + 100);
      move(at_);
    }
  }
  // Three presses and releases at once: a worn switch chattering.
  void chatter(DWORD down, DWORD up) {
    for (int i = 0; i < 3; ++i) {
      button(down);
      button(up);
    }
  }
  // A flick of notches one way, then two the other way, as a worn wheel sends them.
  void wheelFlick(int direction) {
    for (int i = 0; i < 8; ++i) notch(direction * WHEEL_DELTA);
    for (int i = 0; i < 2; ++i) notch(-direction * WHEEL_DELTA);
  }
  void volumeFlick() {
    press(VK_MENU, true);
    for (int i = 0; i < 3; ++i) notch(WHEEL_DELTA);
    press(VK_MENU, false);
  }
  // Alt held, a right drag of ten 10-pixel moves up: the gesture "U".
  void gesture() {
    press(VK_MENU, true);
    button(MOUSEEVENTF_RIGHTDOWN);
    POINT p = at_;
    for (int i = 0; i < 10; ++i) {
      p.y -= 10;
      move(p);
    }
    button(MOUSEEVENTF_RIGHTUP);
    press(VK_MENU, false);
    move(at_);
  }

 private:
  static int clamp(int v, int low, int high) { return v < low ? low : (v > high ? high : v); }
  void move(POINT p) {
    moveTo(p);
    ++sent_;
  }
  void button(DWORD flag) {
    mouseButton(flag);
    ++sent_;
  }
  void notch(int delta) {
    wheel(delta);
    ++sent_;
  }
  void press(WORD virtualKey, bool down) {
    key(virtualKey, down);
    ++sent_;
  }

  POINT centre_;
  POINT at_;
  long sent_ = 0;
  std::minstd_rand random_{20240607};
};

// One round of the mix; every fourth round has a gesture, every eighth a volume flick.
void sendRound(Mix& mix, int index) {
  mix.moves(20);
  mix.chatter(MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  mix.moves(10);
  mix.chatter(MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  mix.wheelFlick(index % 2 ? 1 : -1);
  if (index % 4 == 0) mix.gesture();
  if (index % 8 == 4) mix.volumeFlick();
}

void printFigures(const char* when, const ProcessFigures& f) {
  std::printf("soak: %s private %lu handles %lu threads %lu\n", when,
              static_cast<unsigned long>(f.privateBytes), static_cast<unsigned long>(f.handles),
              static_cast<unsigned long>(f.threads));
}

TEST(Soak, MixedInputLeavesTheHookFilteringAndNothingHeld) {
  const long events = soakEvents();
  Clickmend program(
      settingsText(L"[设备选择]\r\n左键=1\r\n右键=1\r\n[鼠标手势]\r\nU=11\r\nD=11\r\n"));
  ASSERT_TRUE(program.started());
  Target target(100, 100, 700, 500);
  Mix mix(target.center());

  for (int i = 0; i < 8; ++i) sendRound(mix, i);
  pump(1500);
  const ProcessFigures start = processFigures(program.process(), program.processId());
  ASSERT_GT(start.handles, 0u) << "the handle count cannot be read";
  printFigures("start", start);

  const DWORD began = GetTickCount();
  long wheelsSeen = 0, pressesSeen = 0;
  for (int i = 0; mix.sent() < events; ++i) {
    sendRound(mix, i);
    pump(1);
    // A pause past the press interval now and then, so presses also take the path that passes.
    if (i % 25 == 24) pump(kClickInterval + 100);
    wheelsSeen += target.count(WM_MOUSEWHEEL);
    pressesSeen += target.count(WM_LBUTTONDOWN) + target.count(WM_RBUTTONDOWN);
    target.clear();
  }
  const DWORD seconds = (GetTickCount() - began + 500) / 1000;
  pump(1500);
  const ProcessFigures end = processFigures(program.process(), program.processId());
  printFigures("end", end);
  std::printf("soak: events %ld in %lu s; the target saw %ld presses and %ld wheel messages\n",
              mix.sent(), static_cast<unsigned long>(seconds), pressesSeen, wheelsSeen);

  ASSERT_EQ(WaitForSingleObject(program.process(), 0), static_cast<DWORD>(WAIT_TIMEOUT))
      << "clickmend.exe ended during the soak";
  EXPECT_EQ(hookInstalls(program.window()), 1u) << "the hook was lost and put back";
  EXPECT_GT(pressesSeen, 0) << "no press got through: the mix did not reach the target";
  EXPECT_GT(wheelsSeen, 0) << "no wheel got through: the mix did not reach the target";
  EXPECT_LE(end.handles, start.handles + kHandleSlack);
  EXPECT_LE(end.privateBytes, start.privateBytes + kMemorySlack);
  EXPECT_EQ(end.threads, 2u) << "the main thread and the hook's";

  // Still filtering: the chattering click reaches the target as one click.
  target.clear();
  chatteringClick(target.center());
  EXPECT_EQ(target.count(WM_LBUTTONDOWN), 1) << target.describe();
  EXPECT_EQ(target.count(WM_LBUTTONUP), 1) << target.describe();
}

}  // namespace
