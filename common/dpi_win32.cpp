#include "common/dpi_win32.h"

namespace {

// The per-monitor functions are Windows 10's; the exe also runs where they are missing, so they
// are looked up in user32 (always loaded, from the system folder) at run time.
template <typename Function>
Function user32Function(const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

using SetThreadAwareness = DPI_AWARENESS_CONTEXT(WINAPI*)(DPI_AWARENESS_CONTEXT);
using GetWindowDpi = UINT(WINAPI*)(HWND);
using ParametersForDpi = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using AdjustForDpi = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using DialogDpiBehavior = BOOL(WINAPI*)(HWND, int, int);

// DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 and _PER_MONITOR_AWARE.
const auto kPerMonitorV2 = reinterpret_cast<DPI_AWARENESS_CONTEXT>(-4);
const auto kPerMonitor = reinterpret_cast<DPI_AWARENESS_CONTEXT>(-3);
constexpr int kDialogScalingOff = 1;  // DDC_DISABLE_ALL

int screenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

OwnWindowDpi::OwnWindowDpi() {
  static const auto setAwareness =
      user32Function<SetThreadAwareness>("SetThreadDpiAwarenessContext");
  if (!setAwareness) return;
  DPI_AWARENESS_CONTEXT previous = setAwareness(kPerMonitorV2);
  if (!previous) previous = setAwareness(kPerMonitor);
  previous_ = previous;
}

OwnWindowDpi::~OwnWindowDpi() {
  static const auto setAwareness =
      user32Function<SetThreadAwareness>("SetThreadDpiAwarenessContext");
  if (setAwareness && previous_) setAwareness(static_cast<DPI_AWARENESS_CONTEXT>(previous_));
}

int windowDpi(HWND window) {
  static const auto dpiOf = user32Function<GetWindowDpi>("GetDpiForWindow");
  const int dpi = dpiOf && window ? static_cast<int>(dpiOf(window)) : 0;
  return dpi > 0 ? dpi : screenDpi();
}

HFONT createMessageFont(int dpi) {
  static const auto parametersForDpi =
      user32Function<ParametersForDpi>("SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!parametersForDpi || !parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0,
                                             static_cast<UINT>(dpi))) {
    // The system's metrics, at the DPI this thread sees: the one windowDpi answers without
    // GetDpiForWindow.
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  }
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

FontMetrics measureFont(HFONT font) {
  FontMetrics metrics{16, 7};
  const HDC dc = GetDC(nullptr);
  if (!dc) return metrics;
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW text{};
  if (GetTextMetricsW(dc, &text)) {
    metrics.lineHeight = text.tmHeight + text.tmExternalLeading;
    metrics.charWidth = text.tmAveCharWidth;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return metrics;
}

LayoutRect workAreaOf(HWND window, const RECT* suggested) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  const HMONITOR on = suggested ? MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST)
                                : MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  if (GetMonitorInfoW(on, &monitor)) return layoutRectOf(monitor.rcWork);
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return layoutRectOf(area);
}

SIZE frameSize(DWORD style, DWORD exStyle, int dpi) {
  static const auto adjustForDpi = user32Function<AdjustForDpi>("AdjustWindowRectExForDpi");
  RECT frame{0, 0, 0, 0};
  if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    frame = RECT{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void keepDialogFromScaling(HWND dialog) {
  static const auto behavior = user32Function<DialogDpiBehavior>("SetDialogDpiChangeBehavior");
  if (behavior) behavior(dialog, kDialogScalingOff, kDialogScalingOff);
}
