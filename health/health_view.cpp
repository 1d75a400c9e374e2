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

std::wstring count(std::uint32_t n) {
  return std::to_wstring(n);
}

// "单击间隔 40、释放间隔 40、保护间隔 30 毫秒", a repair that is off named as such.
std::wstring describe(const RepairChoice& c) {
  std::wstring text = c.clickRepair ? L"单击间隔 " + std::to_wstring(c.clickMs) : L"关闭单击修复";
  if (c.releaseRepair) {
    text += L"、释放间隔 " + std::to_wstring(c.releaseMs) + L"、保护间隔 " +
            std::to_wstring(c.guardMs) + L" 毫秒";
  } else {
    text += c.clickRepair ? L" 毫秒、关闭释放修复" : L"、关闭释放修复";
  }
  return text;
}

// "41 次连击、7 次丢失"
std::wstring outcome(const ReplayScore& s) {
  return count(s.doubled) + L" 次连击、" + count(s.lost) + L" 次丢失";
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

void buttonsThatMatter(const Calibration& calibration, bool matters[2]) {
  for (int button = 0; button < 2; ++button) matters[button] = calibration.buttons[button].choose;
}

std::wstring fitSummary(const ClickFit& fit) {
  if (fit.outcome != ClickFit::better) return L"";
  return L"最近 " + count(fit.now.presses) + L" 次点击：现在 " + outcome(fit.now) + L"；改用" +
         describe(fit.best) + L"：" + outcome(fit.bestScore);
}

std::vector<HealthAdvice> healthAdvice(const Calibration& calibration, const HealthCounts& kept,
                                       const Settings& settings, const ClickFit& fit) {
  std::vector<HealthAdvice> lines;
  bool matters[2] = {};
  buttonsThatMatter(calibration, matters);
  for (int button = 0; button < 2; ++button) {
    if (!calibration.buttons[button].choose || chosen(button, settings)) continue;
    const DeviceCounts& d = kept.devices[button];
    HealthAdvice line;
    line.why = std::wstring(kDeviceNames[button]) + L" 在 " + count(d.events) + L" 次点击中抖动 " +
               count(d.chatter) + L" 次（每千次 " + perMilleText(d.chatter, d.events) +
               L"），尚未修复";
    line.button = std::wstring(L"为") + kDeviceNames[button] + L"开启修复";
    line.action = button == healthLeft ? HealthAction::chooseLeft : HealthAction::chooseRight;
    lines.push_back(line);
  }
  if (!matters[0] && !matters[1]) return lines;
  HealthAdvice line;
  switch (fit.outcome) {
    case ClickFit::tooFew:
      line.why = L"已记录 " + count(fit.now.presses) + L" 次点击；再点击 " +
                 count(kFitMinimumPresses - std::min(fit.now.presses, kFitMinimumPresses)) +
                 L" 次后，这里会根据你的点击给出建议间隔";
      break;
    case ClickFit::nothing:
      line.why = L"最近 " + count(fit.now.presses) + L" 次点击：现在 " + outcome(fit.now) +
                 L"，没有更好的设置";
      break;
    case ClickFit::better:
      line.why = fitSummary(fit);
      line.button = L"应用建议间隔";
      line.action = HealthAction::applyIntervals;
      line.choice = fit.best;
      break;
  }
  lines.push_back(line);
  if (fit.outcome != ClickFit::tooFew && fit.tradeOff) {
    HealthAdvice cost;
    cost.why = L"你的双击和抖动一样快：改用" + describe(fit.fewestDoubled) + L"会是 " +
               outcome(fit.fewestDoubledScore) + L"。把双击放慢一点，或者考虑更换微动开关";
    lines.push_back(cost);
  }
  return lines;
}

std::wstring chatterBalloon(int button, const DeviceCounts& today, const ClickFit& fit) {
  std::wstring text = std::wstring(kDeviceNames[button]) + L"似乎在抖动：今天每千次点击 " +
                      std::to_wstring(perMille(today.chatter, today.events)) + L" 次。";
  const std::wstring summary = fitSummary(fit);
  if (!summary.empty()) text += summary + L"。";
  return text + L"点击查看鼠标健康";
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
  // Room for three lines: the fit's before and after runs long in a narrow font.
  const int rowHeight = std::max(3 * lineHeight, buttonHeight);
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
