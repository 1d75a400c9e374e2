#include "health/charts_win32.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

const int kShownBuckets = gapBucket(static_cast<std::uint64_t>(kLongestShownGapMs) * 1000);

void fill(HDC dc, RECT r, int colour) {
  FillRect(dc, &r, GetSysColorBrush(colour));
}

// One line of text cut to the rectangle, with an ellipsis where it does not fit.
void label(HDC dc, RECT r, const std::wstring& text, UINT align = DT_LEFT) {
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            align | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

int textWidth(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size.cx;
}

// A plot's background and its frame, the frame as thick as a line at this DPI.
RECT plotArea(HDC dc, const RECT& plot, int t) {
  fill(dc, plot, COLOR_WINDOW);
  fill(dc, {plot.left, plot.top, plot.right, plot.top + t}, COLOR_BTNSHADOW);
  fill(dc, {plot.left, plot.bottom - t, plot.right, plot.bottom}, COLOR_BTNSHADOW);
  fill(dc, {plot.left, plot.top, plot.left + t, plot.bottom}, COLOR_BTNSHADOW);
  fill(dc, {plot.right - t, plot.top, plot.right, plot.bottom}, COLOR_BTNSHADOW);
  return {plot.left + t, plot.top + t, plot.right - t, plot.bottom - t};
}

}  // namespace

void drawDays(HDC dc, const LayoutRect& area, const std::uint32_t* perMille,
              const ChartStyle& style) {
  std::uint32_t scale = 10;
  for (int day = 0; day < kChartDays; ++day) scale = std::max(scale, perMille[day]);
  const int lineHeight = style.lineHeight;
  label(dc, {area.left, area.top, area.right, area.top + lineHeight},
        fillText(TextName::healthDaysChart, style.language, {std::to_wstring(scale)}));
  const RECT inner =
      plotArea(dc, {area.left, area.top + lineHeight, area.right, area.bottom}, style.line);
  const int width = (inner.right - inner.left) / kChartDays;
  const int height = inner.bottom - inner.top;
  const int gap = width > 2 ? style.line : 0;
  for (int day = 0; day < kChartDays; ++day) {
    const int bar = static_cast<int>(static_cast<std::uint64_t>(perMille[day]) * height / scale);
    if (bar == 0) continue;
    const int x = inner.left + day * width;
    fill(dc, {x + gap, inner.bottom - bar, x + width, inner.bottom}, COLOR_HIGHLIGHT);
  }
}

void drawGaps(HDC dc, const LayoutRect& area, const HealthFigures& shown, const int intervals[2],
              const ChartStyle& style) {
  const int lineHeight = style.lineHeight;
  label(dc, {area.left, area.top, area.right, area.top + lineHeight},
        textOf(TextName::healthGapsChart, style.language));
  const RECT plot{area.left, area.top + lineHeight, area.right, area.bottom - 3 * lineHeight};
  const RECT inner = plotArea(dc, plot, style.line);
  const int width = inner.right - inner.left;
  const int height = inner.bottom - inner.top;
  const auto xOf = [&](double position) {
    return inner.left + static_cast<int>(position * width / kShownBuckets);
  };
  std::uint64_t most = 1;
  for (int b = 0; b < kShownBuckets; ++b) {
    most = std::max(most, shown.chatterGaps[b] + shown.clickGaps[b]);
  }
  const double top = std::log1p(static_cast<double>(most));
  const auto heightOf = [&](std::uint64_t count) {
    return static_cast<int>(std::log1p(static_cast<double>(count)) / top * height);
  };
  for (int b = 0; b < kShownBuckets; ++b) {
    const int left = xOf(b) + style.line, right = xOf(b + 1);
    const int all = heightOf(shown.chatterGaps[b] + shown.clickGaps[b]);
    const int chatter = heightOf(shown.chatterGaps[b]);
    fill(dc, {left, inner.bottom - all, right, inner.bottom}, COLOR_GRAYTEXT);
    fill(dc, {left, inner.bottom - chatter, right, inner.bottom}, COLOR_HIGHLIGHT);
  }
  for (int ms : {0, 10, 20, 32, 64, 128, 512}) {
    const int x = xOf(gapPosition(ms));
    const std::wstring text = ms == 512
                                  ? fillText(TextName::healthMilliseconds, style.language, {L"512"})
                                  : std::to_wstring(ms);
    const int w = textWidth(dc, text);
    const int left = ms == 512 ? x - w : x;
    label(dc, {left, plot.bottom, left + w, plot.bottom + lineHeight}, text);
  }
  const TextName names[2] = {TextName::healthClickInterval, TextName::healthReleaseInterval};
  for (int i = 0; i < 2; ++i) {
    const int ms = intervals[i];
    const int x = xOf(gapPosition(std::min(std::max(ms, 0), kLongestShownGapMs)));
    const int mark = 2 * style.line;
    fill(dc, {x, plot.top, x + mark, plot.bottom + (2 + i) * lineHeight}, COLOR_BTNTEXT);
    const std::wstring text =
        std::wstring(textOf(names[i], style.language)) + L" " +
        fillText(TextName::healthMilliseconds, style.language, {std::to_wstring(ms)});
    const int w = textWidth(dc, text);
    const int left = x + 2 * mark + w > area.right ? x - mark - w : x + 2 * mark;
    const int y = plot.bottom + (1 + i) * lineHeight;
    label(dc, {left, y, left + w, y + lineHeight}, text);
  }
}
