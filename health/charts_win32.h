// The charts of the 鼠标健康 window, drawn into its client area at the window's DPI.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/dpi_layout.h"
#include "common/texts.h"
#include "health/health_view.h"
#include "health/test_pad.h"

// What the charts take from the window: its font's line height, a line's thickness at its DPI
// and the language of the labels.
struct ChartStyle {
  int lineHeight;
  int line;
  Language language;
};

// Chatter per 1000 for each of the last 30 days (`perMille`, oldest first), today on the right.
void drawDays(HDC dc, const LayoutRect& area, const std::uint32_t* perMille,
              const ChartStyle& style);
// Press-to-press gaps of both buttons on a logarithmic count scale, with the click and release
// intervals in force (`intervals`) marked.
void drawGaps(HDC dc, const LayoutRect& area, const HealthFigures& shown, const int intervals[2],
              const ChartStyle& style);
// One click of the test pad: the switch's lane above the programs', each a line that is up while
// the button is down, on one axis in milliseconds from the press; the switch's bounces and
// openings in the highlight colour. The lanes' names alone for no click.
void drawPadLanes(HDC dc, const LayoutRect& area, const PadClick* click, const ChartStyle& style);
