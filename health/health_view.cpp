#include "health/health_view.h"

#include <algorithm>

#include "common/texts.h"
#include "health/stats_file.h"
#include "settings/settings.h"

namespace {

// A button by its name in the button table, then the wheel.
TextName deviceName(int device) {
  return device < kHealthButtons ? kButtons[device].name : TextName::healthWheel;
}

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
  for (int button = 0; button < kHealthButtons; ++button) {
    for (int b = 0; b < kGapBuckets; ++b) {
      figures.chatterGaps[b] += day.devices[button].gaps[gapChatter][b];
      figures.clickGaps[b] += day.devices[button].gaps[gapClick][b];
    }
  }
  figures.kept += day;
}

bool chosen(int button, const Settings& settings) {
  return buttonChosen(settings, static_cast<MouseButton>(button));
}

std::wstring count(std::uint32_t n) {
  return std::to_wstring(n);
}

// "单击间隔 40 毫秒、释放间隔 40 毫秒、保护间隔 30 毫秒、抖动时长 10 毫秒", a repair that is off
// named as such.
std::wstring describe(const RepairChoice& c, Language language) {
  const std::wstring click =
      c.clickRepair ? fillText(TextName::healthChoiceClick, language, {count(c.clickMs)})
                    : textOf(TextName::healthChoiceClickOff, language);
  std::wstring release = c.releaseRepair ? fillText(TextName::healthChoiceRelease, language,
                                                    {count(c.releaseMs), count(c.guardMs)})
                                         : textOf(TextName::healthChoiceReleaseOff, language);
  if (c.releaseRepair && c.longGuardMs > c.guardMs) {
    release +=
        fillText(TextName::healthChoiceLongHold, language, {count(c.longGuardMs), count(c.dragMs)});
  }
  const std::wstring blip = c.blipMs > 0
                                ? fillText(TextName::healthChoiceBlip, language, {count(c.blipMs)})
                                : textOf(TextName::healthChoiceBlipOff, language);
  return fillText(TextName::healthChoiceBoth, language, {click, release, blip});
}

// "41 次连击、7 次丢失"
std::wstring outcome(const ReplayScore& s, Language language) {
  return fillText(TextName::healthOutcome, language, {count(s.doubled), count(s.lost)});
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
  const Language language = settings.language;
  const bool on = device == healthWheel ? settings.scrollRepair != 0
                                        : chosen(device, settings) &&
                                              (settings.clickRepair || settings.releaseRepair);
  std::wstring text = fillText(on ? TextName::healthRepairOn : TextName::healthRepairOff, language,
                               {textOf(deviceName(device), language)});
  if (figures.periods[device][periodLast30Days].events == 0) {
    return text + L"\n" + textOf(TextName::healthNothingCounted, language);
  }
  const TextName periodNames[periodCount] = {TextName::healthToday, TextName::healthLast7Days,
                                             TextName::healthLast30Days};
  const TextName line =
      device == healthWheel ? TextName::healthWheelFigures : TextName::healthClickFigures;
  for (int p = 0; p < periodCount; ++p) {
    const PeriodCounts& c = figures.periods[device][p];
    text += L"\n" + fillText(line, language,
                             {textOf(periodNames[p], language), std::to_wstring(c.events),
                              std::to_wstring(c.chatter), perMilleText(c.chatter, c.events),
                              std::to_wstring(c.repaired)});
  }
  return text;
}

void buttonsThatMatter(const Calibration& calibration, bool (&matters)[kHealthButtons]) {
  for (int button = 0; button < kHealthButtons; ++button) {
    matters[button] = calibration.buttons[button].choose;
  }
}

std::wstring fitSummary(const ClickFit& fit, Language language) {
  if (fit.outcome != ClickFit::better) return L"";
  return fillText(TextName::healthFitBetter, language,
                  {count(fit.now.presses), outcome(fit.now, language), describe(fit.best, language),
                   outcome(fit.bestScore, language)});
}

std::wstring fitFound(const ClickFit& fit, Language language) {
  switch (fit.outcome) {
    case ClickFit::tooFew:
      return fillText(TextName::healthFitTooFew, language,
                      {count(fit.presses),
                       count(kFitMinimumPresses - std::min(fit.presses, kFitMinimumPresses))});
    case ClickFit::nothing:
      return fillText(TextName::healthFitNothing, language,
                      {count(fit.now.presses), outcome(fit.now, language)});
    case ClickFit::better:
      return fitSummary(fit, language);
    case ClickFit::analysing:
      break;
  }
  return textOf(TextName::healthAnalysing, language);
}

std::vector<HealthAdvice> healthAdvice(const Calibration& calibration, const HealthCounts& kept,
                                       const Settings& settings, const ClickFit& fit) {
  const Language language = settings.language;
  std::vector<HealthAdvice> lines;
  bool matters[kHealthButtons] = {};
  buttonsThatMatter(calibration, matters);
  bool anyMatters = false;
  for (int button = 0; button < kHealthButtons; ++button) {
    anyMatters = anyMatters || matters[button];
    if (!calibration.buttons[button].choose || chosen(button, settings)) continue;
    const DeviceCounts& d = kept.devices[button];
    const std::wstring device = textOf(deviceName(button), language);
    HealthAdvice line;
    line.why =
        fillText(TextName::healthNotRepaired, language,
                 {device, count(d.chatter), count(d.events), perMilleText(d.chatter, d.events)});
    line.button = fillText(TextName::healthChooseButton, language, {device});
    line.action = HealthAction::chooseButton;
    line.device = button;
    lines.push_back(line);
  }
  if (!anyMatters) return lines;
  HealthAdvice line;
  line.why = fitFound(fit, language);
  if (fit.outcome == ClickFit::better) {
    line.button = textOf(TextName::healthApplyIntervals, language);
    line.action = HealthAction::applyIntervals;
    line.choice = fit.best;
  }
  lines.push_back(line);
  if (fit.outcome != ClickFit::tooFew && fit.tradeOff) {
    HealthAdvice cost;
    cost.why = fillText(
        TextName::healthFitTradeOff, language,
        {describe(fit.fewestDoubled, language), outcome(fit.fewestDoubledScore, language)});
    lines.push_back(cost);
  }
  return lines;
}

std::wstring chatterBalloon(int button, const DeviceCounts& today, const ClickFit& fit,
                            Language language) {
  const std::wstring device = textOf(deviceName(button), language);
  const std::wstring perMilleToday = count(perMille(today.chatter, today.events));
  const std::wstring summary = fitSummary(fit, language);
  if (summary.empty()) return fillText(TextName::healthBalloon, language, {device, perMilleToday});
  return fillText(TextName::healthBalloonFit, language, {device, perMilleToday, summary});
}

double gapPosition(int ms) {
  if (ms <= 0) return 0;
  const int bucket = gapBucket(static_cast<std::uint64_t>(ms) * 1000);
  const int low = bucketLowMs(bucket), high = bucketHighMs(bucket);
  if (high <= low) return bucket;
  return bucket + static_cast<double>(ms - low) / (high - low);
}

namespace {
// In average characters: a Chinese character is about two.
constexpr int kFigureChars = 66;  // the longest line of a device's figures
constexpr int kLeastFigureChars = 34;
constexpr int kAdviceChars = 190;      // the longest advice, the fit's before and after
constexpr int kButtonChars = 28;       // 为鼠标左键开启修复, Apply suggested intervals
constexpr int kPadToggleChars = 16;    // 收起测试区, Hide test pad
constexpr int kPadCaptionChars = 110;  // the test pad's caption
constexpr int kPadLaneLines = 6;       // the lanes' names, two lanes and the time axis
constexpr int kPadListRows = 7;
constexpr int kCopyChars = 20;  // 诊断信息已复制, Diagnosis copied

int linesFor(int chars, int width, const FontMetrics& font) {
  const int perLine = std::max(1, width / std::max(1, font.charWidth));
  return (chars + perLine - 1) / perLine;
}

// The test pad, between `left` and `right`: its caption beside 清除, the box and the lanes, the
// list of clicks.
struct PadSizes {
  int clearWidth, captionHeight, laneHeight, listHeight;
  int height(int gap) const { return captionHeight + laneHeight + listHeight + 3 * gap; }
};

PadSizes padSizes(const FontMetrics& font, int line, int left, int right, int gap, int buttonWidth,
                  int buttonHeight) {
  PadSizes sizes;
  sizes.clearWidth = std::min(dialogUnitsAcross(50, font), buttonWidth);
  sizes.captionHeight = std::max(
      linesFor(kPadCaptionChars, right - left - sizes.clearWidth - gap, font) * font.lineHeight,
      buttonHeight);
  sizes.laneHeight = kPadLaneLines * font.lineHeight;
  sizes.listHeight = kPadListRows * font.lineHeight + 4 * line;
  return sizes;
}

// Places the pad's parts from `y` down; returns the y below them.
int placePad(HealthLayout& layout, const PadSizes& sizes, int left, int right, int gap,
             int buttonHeight, int y) {
  layout.padCaption = {left, y, right - sizes.clearWidth - gap, y + sizes.captionHeight};
  layout.padClear = {right - sizes.clearWidth, y, right, y + buttonHeight};
  y += sizes.captionHeight + gap;
  const int padWidth = (right - left - gap) / 3;
  layout.pad = {left, y, left + padWidth, y + sizes.laneHeight};
  layout.padLanes = {left + padWidth + gap, y, right, y + sizes.laneHeight};
  y += sizes.laneHeight + gap;
  layout.padList = {left, y, right, y + sizes.listHeight};
  return y + sizes.listHeight + gap;
}
}  // namespace

unsigned shownDevices(const HealthFigures& figures, const Settings& settings) {
  unsigned devices = kAlwaysShownDevices;
  for (int button = 0; button < kHealthButtons; ++button) {
    if (chosen(button, settings) || figures.periods[button][periodLast30Days].events != 0) {
      devices |= 1u << button;
    }
  }
  return devices;
}

HealthLayout layoutHealthWindow(const FontMetrics& font, int dpi, std::size_t adviceCount,
                                const LayoutRect& room, unsigned devices, bool testPad) {
  HealthLayout layout;
  const int margin = dialogUnitsAcross(7, font), gap = dialogUnitsDown(4, font);
  const int lineHeight = font.lineHeight;
  layout.line = lineForDpi(1, dpi);

  // Across: the text beside the 30-day charts; the charts give way first, then the text wraps.
  const int bar = std::max(scaleForDpi(4, dpi), font.charWidth);
  const int chartWanted = kChartDays * bar + 2 * layout.line;
  const int chartLeast = kChartDays * lineForDpi(2, dpi) + 2 * layout.line;
  const int textWanted = kFigureChars * font.charWidth;
  const AxisFit across = fitAxis(3 * margin + textWanted, chartWanted, chartLeast, room.width());
  const int textWidth = std::max(kLeastFigureChars * font.charWidth, textWanted - across.overflow);
  const int chartWidth = across.stretch;
  const int right = margin + textWidth + margin + chartWidth;
  layout.width = right + margin;

  // Down: a block of figures for each device shown, the distribution, the advice rows and 关闭; the
  // distribution's bars give way first, then the whole scrolls.
  const int blockHeight = (1 + 3 * linesFor(kFigureChars, textWidth, font)) * lineHeight;
  const int buttonWidth = std::min(kButtonChars * font.charWidth, (right - margin) / 2);
  const int buttonHeight = dialogUnitsDown(14, font);
  const int adviceWidth = right - buttonWidth - gap - margin;
  const int rowHeight =
      std::max(linesFor(kAdviceChars, adviceWidth, font) * lineHeight, buttonHeight);
  const int advice = static_cast<int>(adviceCount) * (rowHeight + gap);
  const PadSizes padParts =
      padSizes(font, layout.line, margin, right, gap, buttonWidth, buttonHeight);
  const int pad = testPad ? padParts.height(gap) : 0;
  // The distribution's caption above its bars, the ms scale and the marks' names below.
  const int distributionText = 4 * lineHeight;
  int blocks = 0;
  for (int d = 0; d < healthDeviceCount; ++d) blocks += (devices >> d) & 1;
  const int fixed = margin + blocks * (blockHeight + gap) + distributionText + gap + advice + pad +
                    buttonHeight + margin;
  const AxisFit down = fitAxis(fixed, 6 * lineHeight, 2 * lineHeight, room.height());
  layout.contentHeight = fixed + down.stretch;
  layout.height = std::min(layout.contentHeight, std::max(room.height(), 1));

  int y = margin;
  for (int d = 0; d < healthDeviceCount; ++d) {
    if (!((devices >> d) & 1)) continue;
    layout.figures[d] = {margin, y, margin + textWidth, y + blockHeight};
    layout.charts[d] = {right - chartWidth, y, right, y + blockHeight};
    y += blockHeight + gap;
  }
  layout.distribution = {margin, y, right, y + distributionText + down.stretch};
  y = layout.distribution.bottom + gap;
  for (std::size_t i = 0; i < adviceCount; ++i) {
    layout.adviceText.push_back({margin, y, margin + adviceWidth, y + rowHeight});
    layout.adviceButtons.push_back({right - buttonWidth, y, right, y + buttonHeight});
    y += rowHeight + gap;
  }
  if (testPad) y = placePad(layout, padParts, margin, right, gap, buttonHeight, y);
  const int closeWidth = std::min(dialogUnitsAcross(50, font), buttonWidth);
  layout.close = {right - closeWidth, y, right, y + buttonHeight};
  const int copyRight = layout.close.left - dialogUnitsAcross(4, font);
  layout.copyDiagnosis = {copyRight - std::min(kCopyChars * font.charWidth, buttonWidth), y,
                          copyRight, y + buttonHeight};
  const int toggleRight = layout.copyDiagnosis.left - dialogUnitsAcross(4, font);
  layout.padToggle = {toggleRight - std::min(kPadToggleChars * font.charWidth, buttonWidth), y,
                      toggleRight, y + buttonHeight};
  return layout;
}
