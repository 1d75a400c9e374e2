// The test pad (测试区) of the 鼠标健康 window, on the desktop: the box the user clicks in, which
// notes what it receives and takes the hook's events from the feed every kPadTakeMs; the list of
// clicks (a standard list box, which screen readers read) and 清除; the lanes of the click chosen
// in the list, or of the latest, drawn by the window with its charts. The clicks and their words
// come from health/test_pad.h. One at a time, on the main thread, as the window is.
#pragma once

#include <windows.h>

#include "common/dpi_layout.h"
#include "health/charts_win32.h"
#include "health/health_view.h"
#include "input/pad_feed.h"
#include "settings/settings.h"

// The pad's controls' identifiers among the window's.
constexpr int kTestPadClearId = 81;
constexpr int kTestPadListId = 82;

// Creates the pad's controls in `window`, hidden until placeTestPad, and opens the feed: from
// now on the hook hands it every press and release.
void openTestPad(HWND window, HFONT font, const Settings& settings, PadFeed& feed);
// Closes the feed and destroys the controls.
void closeTestPad();
bool testPadOpen();

// Moves the controls to the layout's places, scrolled up by `scrollY`.
void placeTestPad(const HealthLayout& layout, int scrollY);
void setTestPadFont(HFONT font);
// A WM_COMMAND of the window: 清除, or another click chosen in the list. False when not the pad's.
bool testPadCommand(WPARAM wParam);
// The lanes, into the window's paint.
void drawTestPadLanes(HDC dc, const LayoutRect& area, const ChartStyle& style);
