#include "health/window_win32.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "common/dpi_win32.h"
#include "common/identity.h"
#include "common/texts.h"
#include "common/window_contract.h"
#include "health/calibration.h"
#include "health/charts_win32.h"
#include "health/diagnosis_win32.h"
#include "health/health_view.h"
#include "health/health_win32.h"
#include "health/test_pad_win32.h"
#include "settings/settings.h"

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 1000;
constexpr int kFirstAdviceId = 100;
constexpr int kPadToggleId = 80;
constexpr int kCopyDiagnosisId = 99;
// While clicks come in, the fit is asked for again at most this often; at once when the settings
// change.
constexpr DWORD kRefitMs = 10000;

struct HealthWindow {
  HWND hwnd = nullptr;
  Settings* settings = nullptr;
  SwitchHealth* health = nullptr;
  HFONT font = nullptr;
  int dpi = kBaseDpi;
  FontMetrics metrics{16, 7};
  int scrollY = 0;  // how far the content is scrolled up
  bool scrolling = false;
  HWND figures[healthDeviceCount] = {};
  unsigned devices = kAlwaysShownDevices;  // the blocks shown (shownDevices)
  std::vector<HWND> adviceText, adviceButtons;
  HWND close = nullptr;
  HWND padToggle = nullptr;  // opens and closes the test pad
  HWND copyDiagnosis = nullptr;
  HealthLayout layout;
  std::string pastDate;
  HealthFigures past, shown;
  int shownIntervals[2] = {-1, -1};
  std::vector<HealthAdvice> advice;
  // The fit shown, and what the latest one asked for was for; its ticket until it comes.
  ClickFit fit;
  bool asked = false;
  std::uint32_t fitTicket = 0;
  RepairChoice fitFor;
  bool fitMatters[kHealthButtons] = {};
  std::uint32_t fitClicks = 0;
  DWORD fitTick = 0;
};
// One at a time. On the heap: its 16 KiB, mostly zeros, would otherwise be stored in the exe.
HealthWindow& self = *new HealthWindow();

// A part of the layout where it lies in the client area now, scrolled.
RECT toRect(const LayoutRect& r) {
  return {r.left, r.top - self.scrollY, r.right, r.bottom - self.scrollY};
}

// Shown only once arrange() has placed it: never a moment at the corner without its size.
HWND child(const wchar_t* className, DWORD style, int id) {
  const HWND control =
      CreateWindowExW(0, className, L"", WS_CHILD | style, 0, 0, 0, 0, self.hwnd,
                      reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(self.font), FALSE);
  return control;
}

void place(HWND control, const LayoutRect& r) {
  MoveWindow(control, r.left, r.top - self.scrollY, r.width(), r.height(), TRUE);
}

void setText(HWND control, const std::wstring& text) {
  // Static controls break lines at CR LF.
  std::wstring shown;
  for (wchar_t c : text) {
    if (c == L'\n') shown += L'\r';
    shown += c;
  }
  wchar_t now[1024];
  GetWindowTextW(control, now, 1024);
  if (shown != now) SetWindowTextW(control, shown.c_str());
}

// The advice rows come and go with the counts: the controls and the window's size follow, inside
// the work area of its monitor (the one `suggested` lies on, after a change of DPI).
void arrange(const RECT* suggested = nullptr) {
  const std::size_t rows = self.advice.size();
  while (self.adviceText.size() > rows) {
    DestroyWindow(self.adviceText.back());
    DestroyWindow(self.adviceButtons.back());
    self.adviceText.pop_back();
    self.adviceButtons.pop_back();
  }
  while (self.adviceText.size() < rows) {
    const int id = kFirstAdviceId + static_cast<int>(self.adviceText.size());
    self.adviceText.push_back(child(L"STATIC", SS_LEFT | SS_NOPREFIX, -1));
    self.adviceButtons.push_back(child(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, id));
  }
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(self.hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(self.hwnd, GWL_EXSTYLE));
  const SIZE frame = frameSize(style & ~WS_VSCROLL, exStyle, self.dpi);
  const LayoutRect work = workAreaOf(self.hwnd, suggested);
  LayoutRect room{0, 0, work.width() - frame.cx, work.height() - frame.cy};
  HealthLayout layout =
      layoutHealthWindow(self.metrics, self.dpi, rows, room, self.devices, testPadOpen());
  const bool scroll = layout.contentHeight > layout.height;
  // The scroll bar's width at this DPI (17 pixels at 96); the frame does not count it.
  const int scrollBar = scroll ? scaleForDpi(17, self.dpi) : 0;
  if (scroll) {  // the scroll bar takes its width from the room
    room.right -= scrollBar;
    layout = layoutHealthWindow(self.metrics, self.dpi, rows, room, self.devices, testPadOpen());
  }
  // Only when it changes: a scroll bar shown or hidden changes the frame, every second otherwise.
  if (scroll != self.scrolling) ShowScrollBar(self.hwnd, SB_VERT, scroll);
  self.scrolling = scroll;
  self.scrollY = scroll ? std::min(self.scrollY, layout.contentHeight - layout.height) : 0;
  SCROLLINFO info{sizeof info,
                  SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL,
                  0,
                  layout.contentHeight - 1,
                  static_cast<UINT>(layout.height),
                  self.scrollY,
                  0};
  if (scroll) SetScrollInfo(self.hwnd, SB_VERT, &info, TRUE);
  if (suggested || layout.height != self.layout.height || layout.width != self.layout.width) {
    const SIZE outer =
        frameSize(scroll ? style | WS_VSCROLL : style & ~WS_VSCROLL, exStyle, self.dpi);
    RECT now{};
    GetWindowRect(self.hwnd, &now);
    if (suggested) now = *suggested;
    const LayoutRect placed =
        fitToWorkArea({now.left, now.top, now.left + layout.width + scrollBar + outer.cx,
                       now.top + layout.height + outer.cy},
                      work);
    SetWindowPos(self.hwnd, nullptr, placed.left, placed.top, placed.width(), placed.height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(self.hwnd, nullptr, TRUE);
  }
  self.layout = layout;
  for (int d = 0; d < healthDeviceCount; ++d) {
    place(self.figures[d], layout.figures[d]);
    ShowWindow(self.figures[d], (self.devices >> d) & 1 ? SW_SHOWNA : SW_HIDE);
  }
  for (std::size_t i = 0; i < rows; ++i) {
    place(self.adviceText[i], layout.adviceText[i]);
    place(self.adviceButtons[i], layout.adviceButtons[i]);
    setText(self.adviceText[i], self.advice[i].why);
    setText(self.adviceButtons[i], self.advice[i].button);
    ShowWindow(self.adviceText[i], SW_SHOWNA);
    ShowWindow(self.adviceButtons[i],
               self.advice[i].action == HealthAction::none ? SW_HIDE : SW_SHOW);
  }
  place(self.close, layout.close);
  ShowWindow(self.close, SW_SHOWNA);
  place(self.padToggle, layout.padToggle);
  ShowWindow(self.padToggle, SW_SHOWNA);
  placeTestPad(layout, self.scrollY);
  place(self.copyDiagnosis, layout.copyDiagnosis);
  ShowWindow(self.copyDiagnosis, SW_SHOWNA);
}

bool sameCharts(const HealthFigures& a, const HealthFigures& b) {
  return std::memcmp(a.perMilleByDay, b.perMilleByDay, sizeof a.perMilleByDay) == 0 &&
         std::memcmp(a.chatterGaps, b.chatterGaps, sizeof a.chatterGaps) == 0 &&
         std::memcmp(a.clickGaps, b.clickGaps, sizeof a.clickGaps) == 0;
}

void refresh() {
  self.health->refresh();
  const HealthLedger& ledger = self.health->ledger();
  if (ledger.date() != self.pastDate) {
    self.pastDate = ledger.date();
    self.past = pastFigures(ledger);
  }
  const HealthFigures now = addToday(self.past, ledger.today());
  const Settings& settings = *self.settings;
  for (int d = 0; d < healthDeviceCount; ++d) {
    setText(self.figures[d], deviceFigures(d, now, settings));
  }
  const unsigned devices = shownDevices(now, settings);
  const bool devicesChanged = devices != self.devices;
  self.devices = devices;
  const Calibration calibration = calibrate(now.kept);
  bool matters[kHealthButtons] = {};
  buttonsThatMatter(calibration, matters);
  const RepairChoice inForce = repairChoiceOf(settings);
  const std::uint32_t clicks = self.health->clicksRecorded();
  const bool otherChoice = !self.asked || !(inForce == self.fitFor) ||
                           !std::equal(matters, matters + kHealthButtons, self.fitMatters);
  if (otherChoice || (clicks != self.fitClicks && GetTickCount() - self.fitTick >= kRefitMs)) {
    // A fit for other settings or buttons says nothing of these; one on fewer clicks stays
    // shown until the new one comes.
    if (otherChoice) self.fit.outcome = ClickFit::analysing;
    self.fitTicket = self.health->askFit(self.hwnd, settings, calibration);
    self.asked = true;
    self.fitFor = inForce;
    std::copy(matters, matters + kHealthButtons, self.fitMatters);
    self.fitClicks = clicks;
    self.fitTick = GetTickCount();
  }
  self.advice = healthAdvice(calibration, now.kept, settings, self.fit);
  arrange();
  const int intervals[2] = {settings.clickInterval, settings.releaseInterval};
  if (devicesChanged || !sameCharts(now, self.shown) || intervals[0] != self.shownIntervals[0] ||
      intervals[1] != self.shownIntervals[1]) {
    self.shown = now;
    self.shownIntervals[0] = intervals[0];
    self.shownIntervals[1] = intervals[1];
    for (const LayoutRect& r : self.layout.charts) {
      const RECT rect = toRect(r);
      InvalidateRect(self.hwnd, &rect, TRUE);
    }
    const RECT rect = toRect(self.layout.distribution);
    InvalidateRect(self.hwnd, &rect, TRUE);
    // A block shown or hidden moves every chart below it.
    if (devicesChanged) InvalidateRect(self.hwnd, nullptr, TRUE);
  }
}

// What `advice` changes in `settings`, changed there: the keys it changed.
std::vector<const wchar_t*> takeAdvice(const HealthAdvice& advice, Settings& settings) {
  switch (advice.action) {
    case HealthAction::chooseButton:
      return putSettings(settings, {{chosenSetting(static_cast<MouseButton>(advice.device)), 1}});
    case HealthAction::applyIntervals:
      // The buttons the suggestion was fitted for are chosen with it.
      return putSettings(settings, choiceValues(advice.choice));
    case HealthAction::none:
      break;
  }
  return {};
}

// Each button writes the keys it changes and no other: what the user changed in the file
// meanwhile stays. The running settings change only once the file holds the change: a file
// that cannot be written (read-only, the disk full, held by another program) is told, and the
// repairs go on as the file and the next start have them. `advice` is a copy: the message box's
// loop runs the refresh timer, which replaces the rows.
void act(HealthAdvice advice) {
  const std::wstring path = settingsFilePath();
  Settings wanted = *self.settings;
  const std::vector<const wchar_t*> keys = takeAdvice(advice, wanted);
  if (!keys.empty() && saveSettingsKeys(wanted, path, keys)) {
    takeAdvice(advice, *self.settings);
  } else if (!keys.empty()) {
    const Language language = self.settings->language;
    MessageBoxW(self.hwnd, fillText(TextName::healthNotSaved, language, {path}).c_str(),
                textOf(TextName::healthTitle, language), MB_OK | MB_ICONWARNING);
  }
  refresh();
}

// The measuring keeps the window busy for a few hundred milliseconds; the button then says the
// block is on the clipboard, or a message box that it is not.
void copyDiagnosis() {
  const HCURSOR cursor = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  const std::string block = diagnoseClickmend(*self.settings, *self.health);
  SetCursor(cursor);
  const Language language = self.settings->language;
  if (copyToClipboard(self.hwnd, block)) {
    SetWindowTextW(self.copyDiagnosis, textOf(TextName::healthDiagnosisCopied, language));
  } else {
    MessageBoxW(self.hwnd, textOf(TextName::healthDiagnosisNotCopied, language),
                textOf(TextName::healthTitle, language), MB_OK | MB_ICONWARNING);
  }
}

void paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(self.hwnd, &ps);
  SetViewportOrgEx(dc, 0, -self.scrollY, nullptr);
  const HGDIOBJ oldFont = SelectObject(dc, self.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  const ChartStyle style{self.metrics.lineHeight, self.layout.line, self.settings->language};
  for (int d = 0; d < healthDeviceCount; ++d) {
    if ((self.devices >> d) & 1)
      drawDays(dc, self.layout.charts[d], self.shown.perMilleByDay[d], style);
  }
  drawGaps(dc, self.layout.distribution, self.shown, self.shownIntervals, style);
  drawTestPadLanes(dc, self.layout.padLanes, style);
  SelectObject(dc, oldFont);
  EndPaint(self.hwnd, &ps);
}

// Scrolls the content to `y` (clamped): the controls move with it and the charts are drawn anew.
void scrollTo(int y) {
  const int most = std::max(0, self.layout.contentHeight - self.layout.height);
  y = std::min(std::max(y, 0), most);
  if (y == self.scrollY) return;
  self.scrollY = y;
  SetScrollPos(self.hwnd, SB_VERT, y, TRUE);
  arrange();
  InvalidateRect(self.hwnd, nullptr, TRUE);
}

// Where a scroll bar's request takes the view; nothing for a request that moves nothing.
std::optional<int> scrollTarget(WORD request, int trackPos) {
  const int line = self.metrics.lineHeight, page = self.layout.height - line;
  switch (request) {
    case SB_LINEUP:
      return self.scrollY - line;
    case SB_LINEDOWN:
      return self.scrollY + line;
    case SB_PAGEUP:
      return self.scrollY - page;
    case SB_PAGEDOWN:
      return self.scrollY + page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      return trackPos;
    case SB_TOP:
      return 0;
    case SB_BOTTOM:
      return self.layout.contentHeight;
    default:
      return std::nullopt;
  }
}

void onScroll(WORD request) {
  SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
  GetScrollInfo(self.hwnd, SB_VERT, &info);
  if (const auto to = scrollTarget(request, info.nTrackPos)) scrollTo(*to);
}

// Opens or closes the test pad; an opened one is scrolled into view.
void toggleTestPad() {
  const bool open = !testPadOpen();
  if (open) {
    openTestPad(self.hwnd, self.font, *self.settings, self.health->padFeed());
  } else {
    closeTestPad();
  }
  const TextName name = open ? TextName::healthPadHide : TextName::healthPadOpen;
  SetWindowTextW(self.padToggle, textOf(name, self.settings->language));
  arrange();
  InvalidateRect(self.hwnd, nullptr, TRUE);
  if (open) scrollTo(self.layout.padList.bottom + self.metrics.lineHeight - self.layout.height);
}

// The font and its metrics at the window's DPI; every control takes it.
void takeFont() {
  self.dpi = windowDpi(self.hwnd);
  const HFONT font = createMessageFont(self.dpi);
  self.metrics = measureFont(font);
  for (HWND control : self.figures) SendMessageW(control, WM_SETFONT, WPARAM(font), FALSE);
  for (HWND control : self.adviceText) SendMessageW(control, WM_SETFONT, WPARAM(font), FALSE);
  for (HWND control : self.adviceButtons) SendMessageW(control, WM_SETFONT, WPARAM(font), FALSE);
  for (HWND button : {self.close, self.copyDiagnosis, self.padToggle}) {
    if (button) SendMessageW(button, WM_SETFONT, WPARAM(font), FALSE);
  }
  setTestPadFont(font);
  if (self.font) DeleteObject(self.font);
  self.font = font;
}

LRESULT CALLBACK healthWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kRefreshTimer) refresh();
      return 0;
    case window_contract::kFitDoneMessage: {
      const std::optional<ClickFit> fit = self.health->takeFit(wParam);
      if (fit && wParam == self.fitTicket) {
        self.fit = *fit;
        refresh();
      }
      return 0;
    }
    case WM_PAINT:
      paint();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (testPadCommand(wParam)) return 0;
      if (id == IDOK || id == IDCANCEL) {
        DestroyWindow(hwnd);
      } else if (id == kPadToggleId && HIWORD(wParam) == BN_CLICKED) {
        toggleTestPad();
      } else if (id == kCopyDiagnosisId && HIWORD(wParam) == BN_CLICKED) {
        copyDiagnosis();
      } else if (id >= kFirstAdviceId && HIWORD(wParam) == BN_CLICKED) {
        const auto row = static_cast<std::size_t>(id - kFirstAdviceId);
        if (row < self.advice.size()) act(self.advice[row]);
      }
      return 0;
    }
    case WM_VSCROLL:
      onScroll(LOWORD(wParam));
      return 0;
    case WM_MOUSEWHEEL:
      scrollTo(self.scrollY -
               GET_WHEEL_DELTA_WPARAM(wParam) * 3 * self.metrics.lineHeight / WHEEL_DELTA);
      return 0;
    case WM_DPICHANGED:  // moved to a monitor of another DPI: laid out again for it
      takeFont();
      arrange(reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_NCDESTROY:  // the controls are gone, and their font with them
      KillTimer(hwnd, kRefreshTimer);
      closeTestPad();
      if (self.health) self.health->dropFits(hwnd);  // a fit on its way is never shown
      DeleteObject(self.font);
      self = HealthWindow();
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

void openSwitchHealthWindow(Settings& settings, SwitchHealth& health) {
  if (self.hwnd) {
    ShowWindow(self.hwnd, SW_RESTORE);
    SetForegroundWindow(self.hwnd);
    return;
  }
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  static const bool registered = [instance] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = healthWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, L"B");
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kSwitchHealthClass;
    return RegisterClassExW(&windowClass) != 0;
  }();
  if (!registered) return;
  self.hwnd = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, kSwitchHealthClass,
                              textOf(TextName::healthTitle, settings.language),
                              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                              CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
  if (!self.hwnd) return;
  self.settings = &settings;
  self.health = &health;
  takeFont();
  for (HWND& figures : self.figures) figures = child(L"STATIC", SS_LEFT | SS_NOPREFIX, -1);
  self.padToggle = child(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, kPadToggleId);
  SetWindowTextW(self.padToggle, textOf(TextName::healthPadOpen, settings.language));
  self.close = child(L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
  SetWindowTextW(self.close, textOf(TextName::healthClose, settings.language));
  self.copyDiagnosis = child(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, kCopyDiagnosisId);
  SetWindowTextW(self.copyDiagnosis, textOf(TextName::healthCopyDiagnosis, settings.language));
  refresh();

  SetTimer(self.hwnd, kRefreshTimer, kRefreshMs, nullptr);
  ShowWindow(self.hwnd, SW_SHOWNORMAL);
  SetForegroundWindow(self.hwnd);
  SetFocus(self.close);
}

bool switchHealthWindowMessage(MSG* message) {
  return self.hwnd && IsDialogMessageW(self.hwnd, message);
}
