#include "common/dpi_layout.h"

#include <algorithm>

int scaleForDpi(int pixelsAt96, int dpi) {
  const long long scaled = static_cast<long long>(pixelsAt96) * dpi;
  return static_cast<int>(scaled >= 0 ? (scaled + kBaseDpi / 2) / kBaseDpi
                                      : (scaled - kBaseDpi / 2) / kBaseDpi);
}

int lineForDpi(int pixelsAt96, int dpi) {
  return std::max(1, scaleForDpi(pixelsAt96, dpi));
}

int dialogUnitsAcross(int units, const FontMetrics& font) {
  return (units * font.charWidth + 2) / 4;
}

int dialogUnitsDown(int units, const FontMetrics& font) {
  return (units * font.lineHeight + 4) / 8;
}

bool inside(const LayoutRect& inner, const LayoutRect& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

bool overlap(const LayoutRect& a, const LayoutRect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

AxisFit fitAxis(int fixed, int wanted, int least, int room) {
  least = std::min(least, wanted);
  AxisFit fit;
  fit.stretch = std::max(least, std::min(wanted, room - fixed));
  fit.overflow = std::max(0, fixed + fit.stretch - room);
  return fit;
}

LayoutRect fitToWorkArea(const LayoutRect& window, const LayoutRect& workArea) {
  const int width = std::min(window.width(), workArea.width());
  const int height = std::min(window.height(), workArea.height());
  const int left = std::clamp(window.left, workArea.left, workArea.right - width);
  const int top = std::clamp(window.top, workArea.top, workArea.bottom - height);
  return {left, top, left + width, top + height};
}

LayoutRect centreInWorkArea(int width, int height, const LayoutRect& workArea) {
  const int left = workArea.left + (workArea.width() - width) / 2;
  const int top = workArea.top + (workArea.height() - height) / 2;
  return fitToWorkArea({left, top, left + width, top + height}, workArea);
}
