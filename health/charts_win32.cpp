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

void drawPadLanes(HDC dc, const LayoutRect& area, const PadClick* click, const ChartStyle& style) {
  const int lineHeight = style.lineHeight, t = style.line;
  const TextName names[padLaneCount] = {TextName::healthPadSwitchLane,
                                        TextName::healthPadProgramLane};
  int nameWidth = 0;
  for (TextName name : names)
    nameWidth = std::max(nameWidth, textWidth(dc, textOf(name, style.language)));
  nameWidth += lineHeight / 2;
  const RECT inner =
      plotArea(dc, {area.left + nameWidth, area.top, area.right, area.bottom - lineHeight}, t);
  const int width = std::max(1L, inner.right - inner.left);
  const int laneHeight = (inner.bottom - inner.top) / padLaneCount;
  // The axis reaches a little past the click's last event, and no less than 10 ms.
  std::uint64_t span = 10000;
  for (int lane = 0; click && lane < padLaneCount; ++lane) {
    for (const PadMark& m : click->lanes[lane]) span = std::max(span, m.us + m.us / 10);
  }
  const auto xOf = [&](std::uint64_t us) {
    return inner.left + static_cast<int>(static_cast<double>(us) * (width - 2 * t) / span);
  };
  for (int lane = 0; lane < padLaneCount; ++lane) {
    const int top = inner.top + lane * laneHeight;
    label(dc, {area.left, top, area.left + nameWidth, top + laneHeight},
          textOf(names[lane], style.language), DT_LEFT | DT_VCENTER);
    if (lane > 0) fill(dc, {inner.left, top, inner.right, top + t}, COLOR_BTNSHADOW);
    if (!click) continue;
    // Up while the button is down: from the low level to the high one at each press.
    const int high = top + laneHeight / 4, low = top + laneHeight * 3 / 4;
    int x = inner.left, level = low;
    for (const PadMark& m : click->lanes[lane]) {
      const int to = xOf(m.us);
      fill(dc, {x, level, std::max(to, x + t), level + t}, COLOR_BTNTEXT);
      const int edge = m.marked ? 2 * t : t;
      fill(dc, {to, high, to + edge, low + t}, m.marked ? COLOR_HIGHLIGHT : COLOR_BTNTEXT);
      x = to;
      level = m.press ? high : low;
    }
    fill(dc, {x, level, inner.right, level + t}, COLOR_BTNTEXT);
  }
  const std::wstring end =
      fillText(TextName::healthMilliseconds, style.language, {std::to_wstring(span / 1000)});
  label(dc, {inner.left, inner.bottom, inner.right, area.bottom}, L"0");
  label(dc, {inner.left, inner.bottom, inner.right, area.bottom}, end, DT_RIGHT);
}
