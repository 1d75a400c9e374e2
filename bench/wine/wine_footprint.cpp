// What the running clickmend.exe holds under Wine: private memory, handles and threads at idle,
// after one gesture and after many, each gesture starting a program that ends at once
// (quick_exit.exe, which leaves one byte in a count file, so the runs can be counted). Every
// started program gets a watcher thread of its own until it ends; once they have all ended the
// program should be back to one thread and its start-up handle count.
//
// Usage: wine_footprint.exe [gestures, default 200]
// Needs CLICKMEND_EXE, as the end-to-end tests do; quick_exit.exe is looked for beside this
// program. Prints lines for scripts/bench.sh:
//   footprint <when> <private bytes> <handles> <threads>    when: idle, first, after
//   gestures <drawn> <programs that ran>
//   peak_threads <n>
//   settle_ms <ms from the last program's end to the figures of "after">
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/wine/process_figures.h"
#include "e2e/harness.h"

namespace {

const wchar_t kBenchFolder[] = L"C:\\clickmend-bench";
const wchar_t kQuickExit[] = L"C:\\clickmend-bench\\quick_exit.exe";
const wchar_t kRunsFile[] = L"C:\\clickmend-bench\\runs.txt";
constexpr DWORD kSettleLimit = 30000;

std::wstring besideThisProgram(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

DWORD runsCounted() {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!GetFileAttributesExW(kRunsFile, GetFileExInfoStandard, &info)) return 0;
  return info.nFileSizeLow;
}

// Alt held, a right-button drag of twelve 10-pixel moves up, released: the gesture "U".
void drawUp(POINT from) {
  e2e::moveTo(from);
  e2e::pump(30);
  e2e::key(VK_MENU, true);
  e2e::pump(20);
  e2e::mouseButton(MOUSEEVENTF_RIGHTDOWN);
  e2e::pump(10);
  POINT at = from;
  for (int i = 0; i < 12; ++i) {
    at.y -= 10;
    e2e::moveTo(at);
    e2e::pump(8);
  }
  e2e::mouseButton(MOUSEEVENTF_RIGHTUP);
  e2e::pump(20);
  e2e::key(VK_MENU, false);
  e2e::pump(20);
}

void print(const char* when, const ProcessFigures& f) {
  std::printf("footprint %s %lu %lu %lu\n", when, static_cast<unsigned long>(f.privateBytes),
              static_cast<unsigned long>(f.handles), static_cast<unsigned long>(f.threads));
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int gestures = argc > 1 ? std::atoi(argv[1]) : 200;
  CreateDirectoryW(kBenchFolder, nullptr);
  if (!CopyFileW(besideThisProgram(L"quick_exit.exe").c_str(), kQuickExit, FALSE)) {
    std::fprintf(stderr, "wine_footprint: cannot copy quick_exit.exe\n");
    return 1;
  }
  DeleteFileW(kRunsFile);

  e2e::Target target(100, 100, 1000, 800, L"footprint target");
  // A bound command line is read as written: no quotes, and these paths hold no spaces.
  e2e::Clickmend program(e2e::settingsText(L"[鼠标手势]\r\nU=" + std::wstring(kQuickExit) + L" " +
                                           kRunsFile + L"\r\n"));
  if (!program.started()) {
    std::fprintf(stderr, "wine_footprint: clickmend.exe did not start (CLICKMEND_EXE?)\n");
    return 1;
  }
  const HANDLE process = program.process();
  const DWORD id = program.processId();
  const POINT start{target.center().x, target.center().y + 200};
  e2e::moveTo(start);
  e2e::pump(2000);
  const ProcessFigures idle = processFigures(process, id);
  print("idle", idle);

  DWORD peakThreads = idle.threads;
  auto waitForRuns = [&](DWORD runs) {
    e2e::pumpUntil(
        [&] {
          const DWORD threads = processThreadCount(id);
          if (threads > peakThreads) peakThreads = threads;
          return runsCounted() >= runs;
        },
        10000);
  };
  // Back to one thread and to the start-up handles, or the limit; the time it took.
  auto settle = [&] {
    const DWORD from = GetTickCount();
    e2e::pumpUntil(
        [&] {
          const ProcessFigures f = processFigures(process, id);
          return f.threads <= idle.threads && f.handles <= idle.handles;
        },
        kSettleLimit);
    return GetTickCount() - from;
  };

  drawUp(start);
  waitForRuns(1);
  settle();
  print("first", processFigures(process, id));

  for (int i = 1; i < gestures; ++i) {
    drawUp(start);
    waitForRuns(static_cast<DWORD>(i + 1));
  }
  const DWORD settleMs = settle();
  const ProcessFigures after = processFigures(process, id);
  print("after", after);
  std::printf("gestures %d %lu\n", gestures, static_cast<unsigned long>(runsCounted()));
  std::printf("peak_threads %lu\n", static_cast<unsigned long>(peakThreads));
  std::printf("settle_ms %lu\n", static_cast<unsigned long>(settleMs));
  const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  std::printf("running %d\n", running ? 1 : 0);
  return running ? 0 : 1;
}
