#include "tray/about.h"

#include <algorithm>

namespace {

constexpr int kIconAt96 = 32;
constexpr int kWantedChars = 68;  // average characters: a Chinese one is about two
constexpr int kLeastChars = 16;

struct Spacing {
  int margin, gap, icon, buttonWidth, buttonHeight;
};

Spacing spacing(const FontMetrics& font, int dpi) {
  return {dialogUnitsAcross(7, font), dialogUnitsAcross(7, font), scaleForDpi(kIconAt96, dpi),
          dialogUnitsAcross(50, font), dialogUnitsDown(14, font)};
}

}  // namespace

int aboutTextWidth(const FontMetrics& font, int dpi, const LayoutRect& room) {
  const Spacing s = spacing(font, dpi);
  const int beside = s.margin + s.icon + s.gap + s.margin;
  return std::max(kLeastChars * font.charWidth,
                  std::min(kWantedChars * font.charWidth, room.width() - beside));
}

AboutLayout layoutAbout(const FontMetrics& font, int dpi, int textHeight, const LayoutRect& room) {
  const Spacing s = spacing(font, dpi);
  const int textWidth = aboutTextWidth(font, dpi, room);
  AboutLayout layout;
  // Below the text: the gap and the button; the text's height gives way before anything else.
  const int fixed = s.margin + s.gap + s.buttonHeight + s.margin;
  const int least = std::min(textHeight, std::max(s.icon, 3 * font.lineHeight));
  const AxisFit down = fitAxis(fixed, std::max(textHeight, s.icon), least, room.height());
  const int textLeft = s.margin + s.icon + s.gap;
  layout.icon = {s.margin, s.margin, s.margin + s.icon, s.margin + std::min(s.icon, down.stretch)};
  layout.text = {textLeft, s.margin, textLeft + textWidth,
                 s.margin + std::min(textHeight, down.stretch)};
  layout.scroll = layout.text.height() < textHeight;
  layout.width = textLeft + textWidth + s.margin;
  const int buttonTop = s.margin + down.stretch + s.gap;
  layout.ok = {layout.width - s.margin - s.buttonWidth, buttonTop, layout.width - s.margin,
               buttonTop + s.buttonHeight};
  layout.height = buttonTop + s.buttonHeight + s.margin;
  return layout;
}
