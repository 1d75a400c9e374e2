// Sizes for a window laid out from its font and its DPI, portable so that tables can test them
// at any scale. Every pixel size comes from the font's metrics (dialog units) or from a size at
// 96 dpi scaled to the window's DPI; nothing is a fixed number of pixels.
//
//   96 dpi  line 12 char 6    margin 7 du = 11 px   1 px line   32 px icon
//   144 dpi line 18 char 9    margin 7 du = 16 px   2 px line   48 px icon
//   192 dpi line 24 char 12   margin 7 du = 21 px   2 px line   64 px icon
#pragma once

constexpr int kBaseDpi = 96;

// Pixels of the window's font: its line height (with the external leading) and its average
// character width.
struct FontMetrics {
  int lineHeight = 0;
  int charWidth = 0;
};

struct LayoutRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

// A size given at 96 dpi, at `dpi`, rounded to the nearest pixel.
int scaleForDpi(int pixelsAt96, int dpi);
// A line's or a frame's width at `dpi`: never thinner than a pixel.
int lineForDpi(int pixelsAt96, int dpi);
// Dialog units of the font: a quarter of its average character width across, an eighth of its
// line height down.
int dialogUnitsAcross(int units, const FontMetrics& font);
int dialogUnitsDown(int units, const FontMetrics& font);

bool inside(const LayoutRect& inner, const LayoutRect& outer);
bool overlap(const LayoutRect& a, const LayoutRect& b);

// One direction of a window: `fixed` pixels that cannot shrink (text, buttons, margins) and a
// part that may (a chart), wanted `wanted` pixels and readable down to `least`. The part's size
// that fits `room`, and how far the whole still goes past it even at `least`: that much has to
// scroll. The part shrinks first; a scroll comes only when shrinking is not enough.
struct AxisFit {
  int stretch = 0;
  int overflow = 0;
};
AxisFit fitAxis(int fixed, int wanted, int least, int room);

// The window rectangle (frame included) moved to lie inside the work area of its monitor: where
// it fits it keeps its place, else it is moved in; a window larger than the area is cut to it
// and keeps its left and top edges on it.
LayoutRect fitToWorkArea(const LayoutRect& window, const LayoutRect& workArea);
// A window of this size centred in the work area (and fitted to it).
LayoutRect centreInWorkArea(int width, int height, const LayoutRect& workArea);
