#include "health/window_win32.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/identity.h"
#include "health/calibration.h"
#include "health/health_view.h"
#include "health/health_win32.h"
#include "settings/settings.h"

namespace {

const wchar_t kTitle[] = L"鼠标健康";
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMs = 1000;
constexpr int kFirstAdviceId = 100;
// The distribution shows the buckets up to the longest interval the calibration fits.
const int kShownBuckets = gapBucket(static_cast<std::uint64_t>(kLongestFitMs) * 1000);

struct HealthWindow {
  HWND hwnd = nullptr;
  Settings* settings = nullptr;
  HFONT font = nullptr;
  int lineHeight = 16, charWidth = 7;
  HWND figures[healthDeviceCount] = {};
  std::vector<HWND> adviceText, adviceButtons;
  HWND close = nullptr;
  HealthLayout layout;
  std::string pastDate;
  HealthFigures past, shown;
  int shownIntervals[2] = {-1, -1};
  std::vector<HealthAdvice> advice;
};
HealthWindow self;  // one at a time

RECT toRect(const HealthRect& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// Shown only once arrange() has placed it: never a moment at the corner without its size.
HWND child(const wchar_t* className, DWORD style, int id) {
  const HWND control =
      CreateWindowExW(0, className, L"", WS_CHILD | style, 0, 0, 0, 0, self.hwnd,
                      reinterpret_cast<HMENU>(INT_PTR(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(self.font), FALSE);
  return control;
}

void place(HWND control, const HealthRect& r) {
  MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
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

// The advice rows come and go with the counts: the controls and the window's size follow.
void arrange() {
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
  const HealthLayout layout = layoutHealthWindow(self.lineHeight, self.charWidth, rows);
  if (layout.height != self.layout.height || layout.width != self.layout.width) {
    RECT frame{0, 0, layout.width, layout.height};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(self.hwnd, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(self.hwnd, GWL_EXSTYLE));
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    SetWindowPos(self.hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(self.hwnd, nullptr, TRUE);
  }
  self.layout = layout;
  for (int d = 0; d < healthDeviceCount; ++d) {
    place(self.figures[d], layout.figures[d]);
    ShowWindow(self.figures[d], SW_SHOWNA);
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
}

bool sameCharts(const HealthFigures& a, const HealthFigures& b) {
  return std::memcmp(a.perMilleByDay, b.perMilleByDay, sizeof a.perMilleByDay) == 0 &&
         std::memcmp(a.chatterGaps, b.chatterGaps, sizeof a.chatterGaps) == 0 &&
         std::memcmp(a.clickGaps, b.clickGaps, sizeof a.clickGaps) == 0;
}

void refresh() {
  refreshSwitchHealth();
  const HealthLedger& ledger = switchHealthLedger();
  if (ledger.date() != self.pastDate) {
    self.pastDate = ledger.date();
    self.past = pastFigures(ledger);
  }
  const HealthFigures now = addToday(self.past, ledger.today());
  const Settings& settings = *self.settings;
  for (int d = 0; d < healthDeviceCount; ++d) {
    setText(self.figures[d], deviceFigures(d, now, settings));
  }
  self.advice = healthAdvice(calibrate(now.kept), now.kept, settings);
  arrange();
  const int intervals[2] = {settings.clickInterval, settings.releaseInterval};
  if (!sameCharts(now, self.shown) || intervals[0] != self.shownIntervals[0] ||
      intervals[1] != self.shownIntervals[1]) {
    self.shown = now;
    self.shownIntervals[0] = intervals[0];
    self.shownIntervals[1] = intervals[1];
    for (const HealthRect& r : self.layout.charts) {
      const RECT rect = toRect(r);
      InvalidateRect(self.hwnd, &rect, TRUE);
    }
    const RECT rect = toRect(self.layout.distribution);
    InvalidateRect(self.hwnd, &rect, TRUE);
  }
}

void act(const HealthAdvice& advice) {
  Settings& settings = *self.settings;
  const std::wstring path = settingsFilePath();
  switch (advice.action) {
    case HealthAction::chooseLeft:
      if (!settings.leftButton) {
        settings.leftButton = 1;
        saveSetting(settings, &Settings::leftButton, path);
      }
      break;
    case HealthAction::chooseRight:
      if (!settings.rightButton) {
        settings.rightButton = 1;
        saveSetting(settings, &Settings::rightButton, path);
      }
      break;
    case HealthAction::applyIntervals:
      settings.clickInterval = advice.clickMs;
      settings.releaseInterval = advice.releaseMs;
      saveRepairIntervals(settings, path);
      break;
    case HealthAction::none:
      break;
  }
  refresh();
}

void fill(HDC dc, RECT r, int colour) {
  FillRect(dc, &r, GetSysColorBrush(colour));
}

void label(HDC dc, int x, int y, const std::wstring& text) {
  TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
}

// Chatter per 1000 for each of the last 30 days, today on the right.
void drawDays(HDC dc, const HealthRect& area, const std::uint32_t* perMille) {
  std::uint32_t scale = 10;
  for (int day = 0; day < kChartDays; ++day) scale = std::max(scale, perMille[day]);
  label(dc, area.left, area.top,
        L"chatter per 1000, 30 days (top " + std::to_wstring(scale) + L")");
  RECT plot{area.left, area.top + self.lineHeight, area.right, area.bottom};
  fill(dc, plot, COLOR_WINDOW);
  FrameRect(dc, &plot, GetSysColorBrush(COLOR_BTNSHADOW));
  const int width = (plot.right - plot.left - 2) / kChartDays;
  const int height = plot.bottom - plot.top - 2;
  for (int day = 0; day < kChartDays; ++day) {
    const int bar = static_cast<int>(static_cast<std::uint64_t>(perMille[day]) * height / scale);
    if (bar == 0) continue;
    const int x = plot.left + 1 + day * width;
    fill(dc, {x + 1, plot.bottom - 1 - bar, x + width, plot.bottom - 1}, COLOR_HIGHLIGHT);
  }
}

// Press-to-press gaps of both buttons on a logarithmic count scale, with the intervals in force.
void drawGaps(HDC dc, const HealthRect& area) {
  label(dc, area.left, area.top,
        L"time from one press to the next, both buttons (chatter highlighted, counts on a log "
        L"scale)");
  RECT plot{area.left, area.top + self.lineHeight, area.right, area.bottom - 3 * self.lineHeight};
  fill(dc, plot, COLOR_WINDOW);
  FrameRect(dc, &plot, GetSysColorBrush(COLOR_BTNSHADOW));
  const int width = plot.right - plot.left - 2;
  const int height = plot.bottom - plot.top - 2;
  const auto xOf = [&](double position) {
    return plot.left + 1 + static_cast<int>(position * width / kShownBuckets);
  };
  std::uint64_t most = 1;
  for (int b = 0; b < kShownBuckets; ++b) {
    most = std::max(most, self.shown.chatterGaps[b] + self.shown.clickGaps[b]);
  }
  const double top = std::log1p(static_cast<double>(most));
  const auto heightOf = [&](std::uint64_t count) {
    return static_cast<int>(std::log1p(static_cast<double>(count)) / top * height);
  };
  for (int b = 0; b < kShownBuckets; ++b) {
    const int left = xOf(b) + 1, right = xOf(b + 1);
    const int all = heightOf(self.shown.chatterGaps[b] + self.shown.clickGaps[b]);
    const int chatter = heightOf(self.shown.chatterGaps[b]);
    fill(dc, {left, plot.bottom - 1 - all, right, plot.bottom - 1}, COLOR_GRAYTEXT);
    fill(dc, {left, plot.bottom - 1 - chatter, right, plot.bottom - 1}, COLOR_HIGHLIGHT);
  }
  for (int ms : {0, 10, 20, 32, 64, 128, 512}) {
    const int x = xOf(gapPosition(ms));
    label(dc, ms == 512 ? x - 5 * self.charWidth : x, plot.bottom + 1,
          std::to_wstring(ms) + (ms == 512 ? L" ms" : L""));
  }
  const wchar_t* const names[2] = {L"单击间隔 ", L"释放间隔 "};
  for (int i = 0; i < 2; ++i) {
    const int ms = self.shownIntervals[i];
    const int x = xOf(gapPosition(std::min(std::max(ms, 0), kLongestFitMs)));
    RECT mark{x, plot.top, x + 2, plot.bottom + (2 + i) * self.lineHeight};
    fill(dc, mark, COLOR_BTNTEXT);
    const std::wstring text = names[i] + std::to_wstring(ms) + L" ms";
    const int textX = x + 4 + static_cast<int>(text.size()) * 2 * self.charWidth > area.right
                          ? x - 4 - static_cast<int>(text.size()) * 2 * self.charWidth
                          : x + 4;
    label(dc, textX, plot.bottom + (1 + i) * self.lineHeight + 1, text);
  }
}

void paint() {
  PAINTSTRUCT ps;
  const HDC dc = BeginPaint(self.hwnd, &ps);
  const HGDIOBJ oldFont = SelectObject(dc, self.font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  for (int d = 0; d < healthDeviceCount; ++d) {
    drawDays(dc, self.layout.charts[d], self.shown.perMilleByDay[d]);
  }
  drawGaps(dc, self.layout.distribution);
  SelectObject(dc, oldFont);
  EndPaint(self.hwnd, &ps);
}

LRESULT CALLBACK healthWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kRefreshTimer) refresh();
      return 0;
    case WM_PAINT:
      paint();
      return 0;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id == IDOK || id == IDCANCEL) {
        DestroyWindow(hwnd);
      } else if (id >= kFirstAdviceId && HIWORD(wParam) == BN_CLICKED) {
        const auto row = static_cast<std::size_t>(id - kFirstAdviceId);
        if (row < self.advice.size()) act(self.advice[row]);
      }
      return 0;
    }
    case WM_NCDESTROY:  // the controls are gone, and their font with them
      KillTimer(hwnd, kRefreshTimer);
      DeleteObject(self.font);
      self = HealthWindow();
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

// The font dialogs use (the message box font), its line height and average character width.
void chooseFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  self.font = CreateFontIndirectW(&metrics.lfMessageFont);
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, self.font);
  TEXTMETRICW text{};
  if (GetTextMetricsW(dc, &text)) {
    self.lineHeight = text.tmHeight + text.tmExternalLeading;
    self.charWidth = text.tmAveCharWidth;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
}

}  // namespace

void openSwitchHealthWindow(Settings& settings) {
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
  self.hwnd = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, kSwitchHealthClass, kTitle,
                              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                              CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
  if (!self.hwnd) return;
  self.settings = &settings;
  chooseFont();
  for (HWND& figures : self.figures) figures = child(L"STATIC", SS_LEFT | SS_NOPREFIX, -1);
  self.close = child(L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
  SetWindowTextW(self.close, L"关闭");
  refresh();
  SetTimer(self.hwnd, kRefreshTimer, kRefreshMs, nullptr);
  ShowWindow(self.hwnd, SW_SHOWNORMAL);
  SetForegroundWindow(self.hwnd);
  SetFocus(self.close);
}

bool switchHealthWindowMessage(MSG* message) {
  return self.hwnd && IsDialogMessageW(self.hwnd, message);
}
