#include "health/diagnosis_win32.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "common/dpi_win32.h"
#include "common/file_access.h"
#include "common/process_win32.h"
#include "common/shared_file_win32.h"
#include "common/system_library_win32.h"
#include "common/text.h"
#include "health/diagnosis.h"
#include "health/health_win32.h"
#include "input/hook_win32.h"
#include "settings/profile_store.h"
#include "settings/settings.h"

namespace {

// The tick's steps read: 125 ms at Windows' clock. Each measure ends at its bound whatever it
// read by then, so that the whole stays within a few hundred milliseconds.
constexpr std::size_t kTickSteps = 8;
constexpr std::int64_t kTickBoundMs = 300;
// The timer's periods read: 12 at 15.6 ms, so that a wake-up early or late by a few ms moves
// their span's mean by a fraction of one.
constexpr std::size_t kTimerPeriods = 12;
constexpr std::int64_t kTimerBoundMs = 400;
// Probes sent to the hook, one after the other. One not seen in kProbeWaitMs ends the probing:
// the hook is gone or stalled, and later probes would only find the same.
constexpr std::size_t kProbes = 20;
constexpr DWORD kProbeWaitMs = 250;
// Damaged files moved aside, listed per file; more are counted.
constexpr std::size_t kMovedAsideListed = 10;

std::int64_t counterNow() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// The tick as the system stamps messages and input events with it, which is what the hook's
// events carry: read from messages posted to this thread as fast as they come back. (Wine's
// GetTickCount read in a loop steps only when its server is called; its stamps do not.)
std::vector<std::uint32_t> readTicks(std::int64_t frequency) {
  const DWORD self = GetCurrentThreadId();
  MSG message;
  std::vector<std::uint32_t> readings;
  const std::int64_t bound = counterNow() + frequency * kTickBoundMs / 1000;
  while (readings.size() <= kTickSteps && counterNow() < bound) {
    if (!PostThreadMessageW(self, WM_APP, 0, 0) ||
        GetMessageW(&message, nullptr, WM_APP, WM_APP) != TRUE) {
      break;
    }
    const auto tick = static_cast<std::uint32_t>(GetMessageTime());
    if (readings.empty() || tick != readings.back()) readings.push_back(tick);
  }
  return readings;
}

// A thread timer asked for 1 ms, as the hook thread's timers are: when it woke, in µs from the
// start, and the time stamps of its messages.
void readTimer(std::int64_t frequency, Measured& m) {
  std::vector<std::uint64_t> wakeUps;
  std::vector<std::uint32_t> stamps;
  MSG message;
  const UINT_PTR timer = SetTimer(nullptr, 0, 1, nullptr);
  if (!timer) return;
  const std::int64_t start = counterNow();
  while (wakeUps.size() <= kTimerPeriods) {
    const std::int64_t elapsedMs = (counterNow() - start) * 1000 / frequency;
    if (elapsedMs >= kTimerBoundMs) break;
    const auto left = static_cast<DWORD>(kTimerBoundMs - elapsedMs);
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, left, QS_TIMER) != WAIT_OBJECT_0) break;
    while (PeekMessageW(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      const std::int64_t counts = counterNow() - start;
      if (message.wParam != timer) continue;
      wakeUps.push_back(static_cast<std::uint64_t>(counts * 1000000 / frequency));
      stamps.push_back(message.time);
    }
  }
  KillTimer(nullptr, timer);
  m.timerPeriodUs = timerPeriodUs(wakeUps);
  m.timerStampStepMs = tickStepMs(stamps);
  m.timerPeriods = wakeUps.empty() ? 0 : wakeUps.size() - 1;
}

DWORD WINAPI measure(void* into) {
  Measured& m = *static_cast<Measured*>(into);
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // this thread's queue
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  m.counterFrequency = frequency.QuadPart;
  const std::vector<std::uint32_t> ticks = readTicks(m.counterFrequency);
  m.tickStepMs = tickStepMs(ticks);
  m.tickSteps = ticks.empty() ? 0 : ticks.size() - 1;
  readTimer(m.counterFrequency, m);
  std::vector<std::uint64_t> delays;
  while (m.probesSent < kProbes) {
    ++m.probesSent;
    const std::optional<std::int64_t> delay = probeHook(kProbeWaitMs);
    if (!delay) break;
    delays.push_back(static_cast<std::uint64_t>(*delay * 1000000 / m.counterFrequency));
  }
  m.hookDelay = delayFigures(delays);
  return 0;
}

// On a thread of its own: the timer's wake-ups come to its queue, and nothing sent to the
// caller's windows runs in the middle of the measuring.
Measured measureThisMachine() {
  Measured measured;
  if (const std::optional<StartedThread> thread = startThread(measure, &measured)) {
    WaitForSingleObject(thread->handle.get(), INFINITE);
  }
  return measured;
}

std::string ascii(const wchar_t* text) {
  std::string narrow;
  for (; *text; ++text) narrow += *text < 0x80 ? static_cast<char>(*text) : '?';
  return narrow;
}

void describeWindows(Diagnosis& d) {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  using GetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  const auto getVersion = reinterpret_cast<GetVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (getVersion && getVersion(&version) == 0) {
    char text[48];
    std::snprintf(text, sizeof text, "%lu.%lu.%lu", version.dwMajorVersion, version.dwMinorVersion,
                  version.dwBuildNumber);
    d.windows = text;
  }
  using WineVersionFunction = const char*(__cdecl*)();
  const auto wineVersion = reinterpret_cast<WineVersionFunction>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
  if (wineVersion) d.wine = wineVersion();
  d.ourBits = static_cast<int>(sizeof(void*) * 8);
  BOOL wow64 = FALSE;
  d.windowsBits =
      d.ourBits == 64 || (IsWow64Process(GetCurrentProcess(), &wow64) && wow64) ? 64 : 32;
  d.ansiCodePage = GetACP();
  d.oemCodePage = GetOEMCP();
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH)) d.locale = ascii(name);
  const LCID display = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  if (LCIDToLocaleName(display, name, LOCALE_NAME_MAX_LENGTH, 0)) d.displayLanguage = ascii(name);
  d.ours = ourRights();
  const std::optional<ProcessRights> shell = shellRights();
  d.shellFound = shell.has_value();
  if (shell) d.shell = *shell;
}

BOOL CALLBACK addMonitorDpi(HMONITOR monitor, HDC, LPRECT, LPARAM into) {
  using DpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
  static const auto dpiOf = systemLibraryFunction<DpiForMonitor>(L"shcore.dll", "GetDpiForMonitor");
  UINT x = 0, y = 0;
  if (dpiOf && dpiOf(monitor, 0, &x, &y) == S_OK) {  // MDT_EFFECTIVE_DPI
    reinterpret_cast<std::vector<int>*>(into)->push_back(static_cast<int>(x));
  }
  return TRUE;
}

// As the program's own windows see them, per monitor (Windows 8.1 and later).
void describeDpi(Diagnosis& d) {
  const OwnWindowDpi perMonitor;
  const HDC screen = GetDC(nullptr);
  if (screen) {
    d.systemDpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  EnumDisplayMonitors(nullptr, nullptr, addMonitorDpi, reinterpret_cast<LPARAM>(&d.monitorDpis));
}

std::wstring nameOf(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// Its name and size; missing when it is not there.
DiagnosedFile fileAt(const std::wstring& path) {
  DiagnosedFile file{nameOf(path), 0, FileState::missing};
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) {
    file.bytes = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    file.state = FileState::ours;
  }
  return file;
}

// The settings file as a save finds it (settings/settings.h, prepareSettingsFile).
DiagnosedFile settingsFile(const std::wstring& path) {
  DiagnosedFile file = fileAt(path);
  if (file.state == FileState::missing) return file;
  if (isReadOnlyFile(path)) {
    file.state = FileState::readOnly;
  } else if (file.bytes > kMaxSettingsFileBytes) {
    file.state = FileState::notOurs;
  } else if (const auto bytes = readFileBytes(path, kMaxSettingsFileBytes)) {
    if (!hasUtf16leBom(*bytes) && bytes->find('\0') != std::string::npos) {
      file.state = FileState::notOurs;
    }
  } else {
    file.state = FileState::held;
  }
  return file;
}

// A file shared with other instances, as its next save would find it (common/shared_file.h).
DiagnosedFile sharedFile(const std::wstring& path, std::size_t limit,
                         FileVerdict (*judge)(const std::string&)) {
  DiagnosedFile file = fileAt(path);
  std::string bytes;
  switch (SharedFileWin32(path, limit).read(&bytes)) {
    case FileRead::missing:
      file.state = FileState::missing;
      break;
    case FileRead::held:
      file.state = FileState::held;
      break;
    case FileRead::tooLarge:
      file.state = FileState::damaged;
      break;
    case FileRead::done: {
      const FileVerdict verdict = judge(bytes);
      file.state = verdict == FileVerdict::ours      ? FileState::ours
                   : verdict == FileVerdict::notOurs ? FileState::notOurs
                                                     : FileState::damaged;
      break;
    }
  }
  return file;
}

// The damaged copies of the file at `path` moved aside beside it (NAME.damaged-DATE...).
void addMovedAside(const std::wstring& path, Diagnosis& d) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((path + L".damaged-*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::size_t listed = 0;
  do {
    if (listed++ == kMovedAsideListed) {
      ++d.filesNotListed;
      continue;
    }
    const auto bytes = static_cast<std::uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    d.files.push_back({found.cFileName, bytes, FileState::movedAside});
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

void describeFiles(Diagnosis& d) {
  const std::wstring settings = settingsFilePath();
  const std::wstring stats = statsPathForSettings(settings);
  const std::wstring record = clickRecordPathForStats(stats);
  d.files.push_back(settingsFile(settings));
  d.files.push_back(sharedFile(stats, kStatsLargestBytes, judgeStatsFile));
  d.files.push_back(sharedFile(record, kClickRecordLargestBytes, judgeClickRecord));
  addMovedAside(stats, d);
  addMovedAside(record, d);
  const auto store = openProfileStore(settings);
  d.programLines = store->readSection(kExcludedProgramsSection).size();
  d.gestureLines = store->readSection(kGestureSection).size();
}

void describeHealth(const Settings& settings, SwitchHealth& health, Diagnosis& d) {
  health.refresh();
  const HealthLedger& ledger = health.ledger();
  const HealthFigures figures = addToday(pastFigures(ledger), ledger.today());
  for (int device = 0; device < healthDeviceCount; ++device) {
    d.last7Days[device] = figures.periods[device][periodLast7Days];
  }
  bool matters[kHealthButtons] = {};
  buttonsThatMatter(calibrate(figures.kept), matters);
  for (bool m : matters) d.anyChatters = d.anyChatters || m;
  d.fitMade = health.latestFit().has_value();
  if (d.fitMade) d.fit = *health.latestFit();
  d.changedSettings = settingsNotAtDefaults(settings);
  d.texts = settings.language;
}

}  // namespace

std::string diagnoseClickmend(const Settings& settings, SwitchHealth& health) {
  Diagnosis d;
  d.measured = measureThisMachine();
  d.hookInstalls = mouseHookInstalls();
  describeWindows(d);
  describeDpi(d);
  describeHealth(settings, health, d);
  describeFiles(d);
  return diagnosisText(d);
}

bool copyToClipboard(HWND owner, const std::string& utf8) {
  std::wstring text;
  for (wchar_t c : decodeUtf8(utf8).value_or(L"")) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  if (!OpenClipboard(owner)) return false;
  bool copied = false;
  const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  if (const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* data = GlobalLock(memory)) {
      std::memcpy(data, text.c_str(), bytes);
      GlobalUnlock(memory);
      EmptyClipboard();
      copied = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    if (!copied) GlobalFree(memory);  // the clipboard owns it once set
  }
  CloseClipboard();
  return copied;
}
