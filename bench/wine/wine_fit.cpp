// How the running clickmend.exe answers while it fits the repairs to a full click record: 16,384
// events of the seeded worn-switch mix at Wine's clock, beside a statistics file in which the
// left button chatters, so that 鼠标健康 fits every candidate of the grid. From the moment the
// window is asked for until it shows the fit in place of 正在分析…, the main thread is sent a
// message it must answer (WM_NULL) every 10 ms, and each answer is timed: those until the window
// shows (it is made and laid out meanwhile), and those while it shows 正在分析….
//
// Usage: wine_fit.exe
// Needs CLICKMEND_EXE, as the end-to-end tests do. Prints lines for scripts/bench.sh:
//   fit_ms <ms from asking for the window to the fit shown>
//   open_ms <ms from asking for the window to the window shown> <the slowest answer till then, µs>
//   answers <count> <median µs> <90th percentile µs> <most µs>     while 正在分析… shows
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/full_record.h"
#include "common/file_access.h"
#include "common/identity.h"
#include "common/window_contract.h"
#include "e2e/harness.h"
#include "health/health_win32.h"
#include "health/stats_file.h"

namespace {

// The text of a child of `window` that says 正在分析…: the fit has not come yet.
bool analysing(HWND window) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t text[64];
    GetWindowTextW(child, text, 64);
    if (std::wstring(text) == L"正在分析…") return true;
  }
  return false;
}

double microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1e6 / frequency;
}

}  // namespace

int main() {
  e2e::Clickmend program(L"");
  if (!program.started()) {
    std::fprintf(stderr, "wine_fit: clickmend.exe did not start (CLICKMEND_EXE?)\n");
    return 1;
  }
  PostMessageW(program.window(), WM_CLOSE, 0, 0);
  program.waitForExit(10000);
  const std::wstring settings = program.settingsPath();
  const std::wstring base = settings.substr(0, settings.size() - 4);
  DeviceCounts left{20000, 400, 0, {}};
  left.gaps[gapChatter][3] = left.chatter;
  const ClickRun run = fullRecord(false);
  if (!writeFileBytes(base + L"-stats.csv", std::string(kStatsHeader) + "\r\n" +
                                                formatStatsLine(localDate(), healthLeft, left)) ||
      !writeFileBytes(base + L"-clicks.dat", clickRecordBytes({run})) || !program.start()) {
    std::fprintf(stderr, "wine_fit: the record could not be planted\n");
    return 1;
  }
  e2e::pump(1000);

  LARGE_INTEGER asked, now;
  QueryPerformanceCounter(&asked);
  PostMessageW(program.window(), WM_COMMAND, menu_command::switchHealth, 0);
  std::vector<double> answers;
  double openMs = 0, opening = 0;
  for (;;) {
    const HWND window = FindWindowW(kSwitchHealthClass, nullptr);
    const bool shown = window && IsWindowVisible(window);
    QueryPerformanceCounter(&now);
    if (shown && openMs == 0) openMs = microseconds(asked, now) / 1000;
    if (shown && !analysing(window)) break;
    if (microseconds(asked, now) > 120e6) {
      std::fprintf(stderr, "wine_fit: no fit within two minutes\n");
      return 1;
    }
    LARGE_INTEGER sent;
    QueryPerformanceCounter(&sent);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(program.window(), WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
    QueryPerformanceCounter(&now);
    if (shown) {
      answers.push_back(microseconds(sent, now));
    } else {
      opening = std::max(opening, microseconds(sent, now));
    }
    Sleep(10);
  }
  std::sort(answers.begin(), answers.end());
  const auto at = [&](std::size_t i) { return answers.empty() ? 0.0 : answers[i]; };
  std::printf("fit_ms %.0f\nopen_ms %.0f %.0f\n", microseconds(asked, now) / 1000, openMs, opening);
  std::printf("answers %zu %.0f %.0f %.0f\n", answers.size(), at(answers.size() / 2),
              at(answers.size() * 9 / 10), at(answers.size() - 1));
  return 0;
}
