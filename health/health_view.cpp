#include "health/health_view.h"

#include <algorithm>

#include "health/stats_file.h"
#include "settings/settings.h"

namespace {

const wchar_t* const kDeviceNames[healthDeviceCount] = {L"鼠标左键", L"鼠标右键", L"滚轮"};

std::uint32_t perMille(std::uint64_t part, std::uint64_t whole) {
  return whole ? static_cast<std::uint32_t>(part * 1000 / whole) : 0;
}

// "26.2": chatter per 1000 events to a tenth.
std::wstring perMilleText(std::uint64_t part, std::uint64_t whole) {
  const std::uint64_t tenths = whole ? part * 10000 / whole : 0;
  return std::to_wstring(tenths / 10) + L"." + std::to_wstring(tenths % 10);
}

void addDay(HealthFigures& figures, long age, const HealthCounts& day) {
  for (int d = 0; d < healthDeviceCount; ++d) {
    const DeviceCounts& counts = day.devices[d];
    for (int p = 0; p < periodCount; ++p) {
      const long within[periodCount] = {1, 7, 30};
      if (age >= within[p]) continue;
      figures.periods[d][p].events += counts.events;
      figures.periods[d][p].chatter += counts.chatter;
      figures.periods[d][p].repaired += counts.repaired;
    }
    if (age < kChartDays) {
      figures.perMilleByDay[d][kChartDays - 1 - age] = perMille(counts.chatter, counts.events);
    }
  }
  for (int button = 0; button < 2; ++button) {
    for (int b = 0; b < kGapBuckets; ++b) {
      figures.chatterGaps[b] += day.devices[button].gaps[gapChatter][b];
      figures.clickGaps[b] += day.devices[button].gaps[gapClick][b];
    }
  }
  figures.kept += day;
}

bool chosen(int button, const Settings& settings) {
  return button == healthLeft ? settings.leftButton != 0 : settings.rightButton != 0;
}

// The longest chatter gap and the shortest deliberate one of the buttons that matter, in ms:
// what the suggested 单击间隔 has to lie between.
std::wstring clickGapReason(const HealthCounts& kept, const bool* matters) {
  int longest = -1, fastest = -1;
  for (int button = 0; button < 2; ++button) {
    if (!matters[button]) continue;
    const DeviceCounts& d = kept.devices[button];
    for (int b = 0; b < kGapBuckets; ++b) {
      if (d.gaps[gapChatter][b] && bucketHighMs(b) && bucketHighMs(b) <= kLongestFitMs) {
        longest = std::max(longest, bucketHighMs(b));
      }
      if (d.gaps[gapClick][b] && (fastest < 0 || bucketLowMs(b) < fastest)) {
        fastest = bucketLowMs(b);
      }
    }
  }
  std::wstring text = longest < 0 ? L"no bounce between presses seen"
                                  : L"longest bounce seen " + std::to_wstring(longest) + L" ms";
  text += fastest < 0 ? L"; no double click seen"
                      : L"; fastest double click " + std::to_wstring(fastest) + L" ms";
  return text;
}

// Why no value of one interval does both, and what each choice would cost.
std::wstring noFitReason(const wchar_t* name, const IntervalFit& fit) {
  std::wstring text = std::wstring(L"no ") + name +
                      L" swallows the bounces and spares your fast clicks: " +
                      std::to_wstring(fit.ms) + L" ms would swallow " +
                      std::to_wstring(fit.lostPerMille) + L" in 1000 of your clicks; ";
  if (fit.safeMs) {
    text += std::to_wstring(fit.safeMs) + L" ms would catch only " +
            std::to_wstring(fit.caughtPercent) + L" % of the bounces";
  } else {
    text += L"any shorter value misses most bounces";
  }
  return text;
}

}  // namespace

HealthFigures pastFigures(const HealthLedger& ledger) {
  HealthFigures figures;
  long today = 0;
  if (!dayNumber(ledger.date(), &today)) return figures;
  ledger.forEachDay([&](const std::string& date, const HealthCounts& day) {
    long number = 0;
    if (date == ledger.date() || !dayNumber(date, &number) || number > today) return;
    addDay(figures, today - number, day);
  });
  return figures;
}

HealthFigures addToday(HealthFigures past, const HealthCounts& today) {
  addDay(past, 0, today);
  return past;
}

std::wstring deviceFigures(int device, const HealthFigures& figures, const Settings& settings) {
  const bool on = device == healthWheel ? settings.scrollRepair != 0
                                        : chosen(device, settings) &&
                                              (settings.clickRepair || settings.releaseRepair);
  std::wstring text = std::wstring(kDeviceNames[device]) + (on ? L": repair on" : L": repair off");
  if (figures.periods[device][periodLast30Days].events == 0)
    return text + L"\nno clicks counted yet";
  const bool wheel = device == healthWheel;
  const wchar_t* const periodNames[periodCount] = {L"today", L"last 7 days", L"last 30 days"};
  for (int p = 0; p < periodCount; ++p) {
    const PeriodCounts& c = figures.periods[device][p];
    text += L"\n" + std::wstring(periodNames[p]) + L": " + std::to_wstring(c.events) +
            (wheel ? L" notches, " : L" clicks, ") + std::to_wstring(c.chatter) +
            (wheel ? L" reversed (" : L" chatter (") + perMilleText(c.chatter, c.events) +
            L" per 1000), " + std::to_wstring(c.repaired) + L" repaired";
  }
  return text;
}

std::vector<HealthAdvice> healthAdvice(const Calibration& calibration, const HealthCounts& kept,
                                       const Settings& settings) {
  std::vector<HealthAdvice> lines;
  bool matters[2] = {};
  for (int button = 0; button < 2; ++button) {
    const ButtonAdvice& advice = calibration.buttons[button];
    matters[button] = chosen(button, settings) || advice.choose;
    if (!advice.choose || chosen(button, settings)) continue;
    const DeviceCounts& d = kept.devices[button];
    HealthAdvice line;
    line.why = std::wstring(kDeviceNames[button]) + L" chattered " + std::to_wstring(d.chatter) +
               L" times in " + std::to_wstring(d.events) + L" clicks (" +
               perMilleText(d.chatter, d.events) + L" per 1000) and is not repaired";
    line.button = std::wstring(L"为") + kDeviceNames[button] + L"开启修复";
    line.action = button == healthLeft ? HealthAction::chooseLeft : HealthAction::chooseRight;
    lines.push_back(line);
  }
  // One value of each interval serves both buttons: the longest any of them needs.
  int suggested[2] = {settings.clickInterval, settings.releaseInterval};
  bool needed[2] = {}, changed = false;
  const wchar_t* const names[2] = {L"单击间隔", L"释放间隔"};
  for (int kind = 0; kind < 2; ++kind) {
    int longest = 0;
    for (int button = 0; button < 2; ++button) {
      const ButtonAdvice& advice = calibration.buttons[button];
      const IntervalFit& fit = kind == 0 ? advice.click : advice.release;
      if (!matters[button] || !fit.needed) continue;
      if (!fit.found) {
        lines.push_back({noFitReason(names[kind], fit), L"", HealthAction::none, 0, 0});
        longest = -1;
        break;
      }
      needed[kind] = true;
      longest = std::max(longest, fit.ms);
    }
    if (longest > 0) {
      changed = changed || longest != suggested[kind];
      suggested[kind] = longest;
    }
  }
  if ((needed[0] || needed[1]) && changed) {
    HealthAdvice line;
    line.why = L"suggested 单击间隔 " + std::to_wstring(suggested[0]) + L" ms, 释放间隔 " +
               std::to_wstring(suggested[1]) + L" ms: " + clickGapReason(kept, matters);
    line.button = L"应用建议间隔";
    line.action = HealthAction::applyIntervals;
    line.clickMs = suggested[0];
    line.releaseMs = suggested[1];
    lines.push_back(line);
  }
  return lines;
}

std::wstring chatterBalloon(int button, const DeviceCounts& today) {
  return std::wstring(kDeviceNames[button]) + L" seems to chatter: " +
         std::to_wstring(perMille(today.chatter, today.events)) +
         L" in 1000 clicks today; click to see 鼠标健康";
}

double gapPosition(int ms) {
  if (ms <= 0) return 0;
  const int bucket = gapBucket(static_cast<std::uint64_t>(ms) * 1000);
  const int low = bucketLowMs(bucket), high = bucketHighMs(bucket);
  if (high <= low) return bucket;
  return bucket + static_cast<double>(ms - low) / (high - low);
}

HealthLayout layoutHealthWindow(int lineHeight, int charWidth, std::size_t adviceCount) {
  HealthLayout layout;
  const int margin = 2 * charWidth;
  const int textWidth = 62 * charWidth;
  const int chartWidth = kChartDays * std::max(3, charWidth) + 2;  // and the frame
  const int blockHeight = 4 * lineHeight;
  const int right = margin + textWidth + margin + chartWidth;
  int y = margin;
  for (int d = 0; d < healthDeviceCount; ++d) {
    layout.figures[d] = {margin, y, margin + textWidth, y + blockHeight};
    layout.charts[d] = {right - chartWidth, y, right, y + blockHeight};
    y += blockHeight + lineHeight;
  }
  // Room below the bars for the ms scale and the marks' names.
  layout.distribution = {margin, y, right, y + 8 * lineHeight};
  y += 8 * lineHeight + lineHeight;
  // Wide enough for nine Chinese characters and the button's edges.
  const int buttonWidth = 22 * charWidth;
  const int buttonHeight = lineHeight * 7 / 4;
  const int rowHeight = std::max(2 * lineHeight, buttonHeight);
  for (std::size_t i = 0; i < adviceCount; ++i) {
    layout.adviceText.push_back({margin, y, right - buttonWidth - margin, y + rowHeight});
    layout.adviceButtons.push_back({right - buttonWidth, y, right, y + buttonHeight});
    y += rowHeight + lineHeight / 2;
  }
  const int closeWidth = 12 * charWidth;
  layout.close = {right - closeWidth, y, right, y + buttonHeight};
  layout.width = right + margin;
  layout.height = y + buttonHeight + margin;
  return layout;
}
