// The About box's layout, portable: the box places its controls where this says, at any DPI.
//
//   +-------------------------------------------+
//   | [icon]  Clickmend v1.4                    |
//   |         what the program does, wrapped    |  the text scrolls only when the work
//   |         at the width aboutTextWidth gives |  area is too low even for that
//   |                                    [ OK ] |
//   +-------------------------------------------+
#pragma once

#include "common/dpi_layout.h"

struct AboutLayout {
  LayoutRect icon, text, ok;
  int width = 0, height = 0;  // the client area
  bool scroll = false;        // the text is cut to its rectangle and scrolls
};

// The width to wrap the text at: about 34 Chinese characters, less when `room` (the client area
// the work area leaves beside the frame) is narrower.
int aboutTextWidth(const FontMetrics& font, int dpi, const LayoutRect& room);

// `textHeight`: the text's height wrapped at aboutTextWidth. Everything lies inside the client
// area, and the client area inside `room`.
AboutLayout layoutAbout(const FontMetrics& font, int dpi, int textHeight, const LayoutRect& room);
