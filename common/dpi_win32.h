// The program's own windows at the DPI of their monitor. The process stays DPI-unaware, as the
// hook and the gesture and wheel paths were written for (input/hook_win32.cpp turns the hook's
// physical points into the point the target window sees); only the windows a user reads (the
// menu, the About box, message boxes, 鼠标健康) are created per-monitor aware, inside an
// OwnWindowDpi. Where the system has no per-thread awareness (before Windows 10 1607) they stay
// unaware as before and every helper here answers for 96 dpi scaled by the system.
#pragma once

#include <windows.h>

#include "common/dpi_layout.h"

// For as long as it lives, windows this thread creates are per-monitor aware: version 2 where
// the system has it (Windows 10 1703), else version 1 (1607), else as the process is. A window
// keeps its awareness for life; its window procedure runs in it whatever the thread was set to.
class OwnWindowDpi {
 public:
  OwnWindowDpi();
  ~OwnWindowDpi();
  OwnWindowDpi(const OwnWindowDpi&) = delete;
  OwnWindowDpi& operator=(const OwnWindowDpi&) = delete;

 private:
  void* previous_ = nullptr;
};

// The DPI the window is drawn at: its own where the system says (GetDpiForWindow), else the
// screen's.
int windowDpi(HWND window);

// The font dialogs and message boxes use, at `dpi`; the caller deletes it.
HFONT createMessageFont(int dpi);
FontMetrics measureFont(HFONT font);

// The work area of the monitor the window is on (or nearest to); with `suggested` (the rectangle
// WM_DPICHANGED proposes), of the monitor that rectangle lies on.
LayoutRect workAreaOf(HWND window, const RECT* suggested = nullptr);

// How much larger than its client area a window of these styles is at `dpi`.
SIZE frameSize(DWORD style, DWORD exStyle, int dpi);

// On WM_DPICHANGED a dialog lays itself out again: the dialog manager's own scaling is turned
// off so that the two never both move the controls (Windows 10 1703; nothing to turn off
// before).
void keepDialogFromScaling(HWND dialog);

inline LayoutRect layoutRectOf(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}
inline RECT rectOf(const LayoutRect& r) {
  return {r.left, r.top, r.right, r.bottom};
}
