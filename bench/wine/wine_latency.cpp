// What a low-level mouse hook adds to every event, under Wine: the time from SendInput to the
// moment a window procedure receives the message, side by side for
//   none      no hook at all
//   minimal   minimal_hook.exe, a hook that only calls CallNextHookEx
//   witness   minimal_hook.exe --raw-input, the same with raw mouse input to its window, as
//             Clickmend's watchdog has it
//   clickmend clickmend.exe with every feature on (both buttons chosen, all three repairs,
//             gestures, wheel pass-through, volume)
// and three kinds of event: a move, a button (press and release) and a wheel notch. The
// configurations take turns in rounds, so a change in the machine's load falls on all four.
//
// Usage: wine_latency.exe [moves per configuration, default 2000]
// (as many wheel notches; half as many button events). Needs CLICKMEND_EXE, the built
// clickmend.exe, as the end-to-end tests do; minimal_hook.exe is looked for beside this program.
//
// Prints one line per kind and configuration:
//   latency <kind> <configuration> <samples> <lost> <median µs> <p90 µs>
// A sample is lost when its message has not arrived within a second. Then, to read those
// figures by, what one call costs here, for the calls Clickmend makes per event:
//   call <function> <µs>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/window_contract.h"
#include "e2e/harness.h"

namespace {

// The program's own intervals are short here (20 ms between presses, 10 ms before a release)
// so that presses can follow each other every 30 ms: the decisions take the same path whatever
// the interval, and the whole run stays within a few minutes.
const wchar_t kEveryFeature[] =
    L"[修复功能]\r\n单击=1\r\n释放=1\r\n滚动=1\r\n"
    L"[修复参数]\r\n单击间隔=20\r\n释放间隔=10\r\n滚动间隔=50\r\n"
    L"[设备选择]\r\n左键=1\r\n右键=1\r\n"
    L"[功能设置]\r\n滚轮穿透=1\r\n音量控制=1\r\n鼠标手势=1\r\n显示图标=1\r\n"
    L"[鼠标手势]\r\nU=11\r\nD=11\r\n";
constexpr DWORD kPressToRelease = 15;  // ms, past the 10 ms release interval
// ms, past the 20 ms press interval, and the next press 45 ms after the release: past the hold
// guard's 20 ms, so it never takes the presses for a switch that opened mid-drag.
constexpr DWORD kPressToPress = 60;
constexpr int kRounds = 8;
constexpr int kWarmUp = 20;
constexpr DWORD kLostAfter = 1000;

const wchar_t kMinimalHookWindow[] = L"Clickmend minimal hook";

enum class Configuration { none, minimal, witness, clickmend };
constexpr int kConfigurations = 4;
const char* const kKindNames[] = {"move", "button", "wheel"};
const char* const kConfigurationNames[] = {"none", "minimal", "witness", "clickmend"};

LARGE_INTEGER frequency;

LONGLONG now() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return counter.QuadPart;
}

double microseconds(LONGLONG ticks) {
  return static_cast<double>(ticks) * 1e6 / static_cast<double>(frequency.QuadPart);
}

// The message a sample waits for, and the moment the window procedure saw it.
struct Awaited {
  UINT message = 0;
  LPARAM position = 0;  // for moves: the client point expected
  LONGLONG receivedAt = 0;
};
Awaited awaited;

LRESULT CALLBACK targetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == awaited.message && awaited.receivedAt == 0 &&
      (message != WM_MOUSEMOVE || lParam == awaited.position)) {
    awaited.receivedAt = now();
  }
  if (message == WM_SYSCOMMAND || message == WM_CONTEXTMENU) return 0;
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND createTarget() {
  const HWND window = e2e::createTopmostWindow(L"ClickmendLatencyTarget", targetProc,
                                               L"latency target", 200, 200, 400, 300);
  SetForegroundWindow(window);
  SetFocus(window);
  e2e::pump(300);
  return window;
}

// Pumps until `done()` holds or the counter passes `deadline`; returns done().
template <typename Done>
bool pumpUntil(Done done, LONGLONG deadline) {
  while (!done()) {
    const LONGLONG left = deadline - now();
    if (left <= 0) return false;
    const auto ms = static_cast<DWORD>(left * 1000 / frequency.QuadPart) + 1;
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return true;
}

void pumpUntil(LONGLONG moment) {
  pumpUntil([] { return false; }, moment);
}

LONGLONG after(LONGLONG from, DWORD ms) {
  return from + frequency.QuadPart * ms / 1000;
}

// Sends `input` and waits for `message`; the latency in counter ticks, or -1 when lost.
LONGLONG measure(INPUT input, UINT message, LPARAM position = 0) {
  awaited = Awaited{message, position, 0};
  const LONGLONG sentAt = now();
  SendInput(1, &input, sizeof input);
  const bool received =
      pumpUntil([] { return awaited.receivedAt != 0; }, after(sentAt, kLostAfter));
  const LONGLONG latency = received ? awaited.receivedAt - sentAt : -1;
  awaited = Awaited{};
  return latency;
}

INPUT mouseInput(DWORD flags, DWORD data = 0) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  input.mi.mouseData = data;
  return input;
}

INPUT moveInput(POINT to) {
  INPUT input = mouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE);
  input.mi.dx = MulDiv(to.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = MulDiv(to.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
  return input;
}

struct Samples {
  std::vector<LONGLONG> ticks;
  int lost = 0;
  void add(LONGLONG latency) {
    if (latency < 0) {
      ++lost;
    } else {
      ticks.push_back(latency);
    }
  }
};

// Alternates between two points inside the target, so that every sample is a real move.
void measureMoves(HWND target, int count, Samples* samples) {
  RECT r;
  GetWindowRect(target, &r);
  const POINT points[2] = {{(r.left + r.right) / 2, (r.top + r.bottom) / 2},
                           {(r.left + r.right) / 2 + 7, (r.top + r.bottom) / 2 + 5}};
  for (int i = 0; i < count; ++i) {
    POINT client = points[i % 2];
    ScreenToClient(target, &client);
    const LONGLONG latency =
        measure(moveInput(points[i % 2]), WM_MOUSEMOVE, MAKELPARAM(client.x, client.y));
    if (samples) samples->add(latency);
  }
}

// `count` button events: presses and releases in turn, paced past the program's intervals.
void measureButtons(int count, Samples* samples) {
  for (int i = 0; i < count; i += 2) {
    const LONGLONG pressedAt = now();
    const LONGLONG press = measure(mouseInput(MOUSEEVENTF_LEFTDOWN), WM_LBUTTONDOWN);
    pumpUntil(after(pressedAt, kPressToRelease));
    const LONGLONG release = measure(mouseInput(MOUSEEVENTF_LEFTUP), WM_LBUTTONUP);
    pumpUntil(after(pressedAt, kPressToPress));
    if (samples) {
      samples->add(press);
      samples->add(release);
    }
  }
}

// Notches all one way: a reversed notch inside the interval would be swallowed by design.
void measureWheel(int count, Samples* samples) {
  for (int i = 0; i < count; ++i) {
    const LONGLONG latency = measure(mouseInput(MOUSEEVENTF_WHEEL, WHEEL_DELTA), WM_MOUSEWHEEL);
    if (samples) samples->add(latency);
  }
}

std::wstring besideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

// minimal_hook.exe while it runs.
class MinimalHook {
 public:
  explicit MinimalHook(bool rawInput) {
    const std::wstring exe = besideThisProgram(L"minimal_hook.exe");
    std::wstring commandLine = L"\"" + exe + L"\"" + (rawInput ? L" --raw-input" : L"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
      return;
    }
    CloseHandle(info.hThread);
    process_ = info.hProcess;
    e2e::pumpUntil(
        [&] {
          window_ = FindWindowW(kMinimalHookWindow, kMinimalHookWindow);
          return window_ != nullptr || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
        },
        15000);
    e2e::pump(300);
  }
  ~MinimalHook() {
    if (!process_) return;
    if (window_) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, 5000) != WAIT_OBJECT_0) TerminateProcess(process_, 99);
    CloseHandle(process_);
  }
  MinimalHook(const MinimalHook&) = delete;
  MinimalHook& operator=(const MinimalHook&) = delete;
  bool started() const { return window_ != nullptr; }

 private:
  HANDLE process_ = nullptr;
  HWND window_ = nullptr;
};

struct Figure {
  double median;
  double p90;
};

Figure summarise(std::vector<LONGLONG> ticks) {
  if (ticks.empty()) return {0, 0};
  std::sort(ticks.begin(), ticks.end());
  return {microseconds(ticks[ticks.size() / 2]), microseconds(ticks[(ticks.size() - 1) * 9 / 10])};
}

// The mean cost of `call`, repeated.
template <typename Call>
double callCost(Call call) {
  constexpr int kCalls = 2000;
  const LONGLONG from = now();
  for (int i = 0; i < kCalls; ++i) call();
  return microseconds(now() - from) / kCalls;
}

void printCallCosts(HWND window) {
  const POINT inside{300, 300};
  std::printf("call GetKeyState %.2f\n", callCost([] { GetKeyState(VK_MENU); }));
  std::printf("call GetAsyncKeyState %.2f\n", callCost([] { GetAsyncKeyState(VK_LBUTTON); }));
  std::printf("call WindowFromPhysicalPoint %.2f\n",
              callCost([&] { WindowFromPhysicalPoint(inside); }));
  std::printf("call PhysicalToLogicalPoint %.2f\n", callCost([&] {
                POINT p = inside;
                PhysicalToLogicalPoint(window, &p);
              }));
  std::printf("call GetPropW %.2f\n",
              callCost([&] { GetPropW(window, window_contract::kRawInputProperty); }));
  std::printf("call GetTickCount %.2f\n", callCost([] { GetTickCount(); }));
}

}  // namespace

int main(int argc, char** argv) {
  QueryPerformanceFrequency(&frequency);
  const int moves = argc > 1 ? std::max(kRounds, std::atoi(argv[1])) : 2000;
  // Button events come in pairs, a press and its release.
  const int perRound[3] = {moves / kRounds, moves / 2 / kRounds / 2 * 2, moves / kRounds};

  const HWND target = createTarget();
  RECT r;
  GetWindowRect(target, &r);
  e2e::moveTo({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  e2e::pump(100);

  Samples samples[3][kConfigurations];  // [kind][configuration]
  for (int round = 0; round < kRounds; ++round) {
    for (int turn = 0; turn < kConfigurations; ++turn) {
      const auto configuration = static_cast<Configuration>((round + turn) % kConfigurations);
      std::unique_ptr<MinimalHook> minimal;
      std::unique_ptr<e2e::Clickmend> clickmend;
      if (configuration == Configuration::minimal || configuration == Configuration::witness) {
        minimal = std::make_unique<MinimalHook>(configuration == Configuration::witness);
        if (!minimal->started()) {
          std::fprintf(stderr, "wine_latency: minimal_hook.exe did not start\n");
          return 1;
        }
      } else if (configuration == Configuration::clickmend) {
        clickmend = std::make_unique<e2e::Clickmend>(kEveryFeature);
        if (!clickmend->started()) {
          std::fprintf(stderr, "wine_latency: clickmend.exe did not start (CLICKMEND_EXE?)\n");
          return 1;
        }
      }
      SetForegroundWindow(target);
      SetFocus(target);
      // Unrecorded first events: the hook's first call stamps its clocks, caches warm up.
      measureMoves(target, kWarmUp, nullptr);
      measureWheel(kWarmUp, nullptr);
      e2e::pump(50);
      measureButtons(kWarmUp, nullptr);

      const int c = static_cast<int>(configuration);
      measureMoves(target, perRound[0], &samples[0][c]);
      measureButtons(perRound[1], &samples[1][c]);
      measureWheel(perRound[2], &samples[2][c]);
      std::fprintf(stderr, "wine_latency: round %d, %s done\n", round + 1, kConfigurationNames[c]);
    }
  }
  std::printf("# kind configuration samples lost median_us p90_us\n");
  for (int kind = 0; kind < 3; ++kind) {
    for (int c = 0; c < kConfigurations; ++c) {
      const Figure f = summarise(samples[kind][c].ticks);
      std::printf("latency %s %s %u %d %.1f %.1f\n", kKindNames[kind], kConfigurationNames[c],
                  static_cast<unsigned>(samples[kind][c].ticks.size()), samples[kind][c].lost,
                  f.median, f.p90);
    }
  }
  printCallCosts(target);
  DestroyWindow(target);
  return 0;
}
