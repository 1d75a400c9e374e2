// The switch health window's figures, its words and its layout, portable: the window draws
// what these return, and a table can check them.
//
//   鼠标左键: repair on                     |||  .  |  ||   chatter per 1000, 30 days
//   today: 412 clicks, 9 chatter (21.8 per 1000), 9 repaired
//   last 7 days: ...            last 30 days: ...
//   (the same for 鼠标右键, 鼠标中键, 后退键 and 前进键 where shown, and 滚轮)
//   press-to-press gaps of every button, 0..512 ms, 单击间隔 and 释放间隔 marked
//   why each suggestion is made                                    [为鼠标左键开启修复]
//   测试区: click in the box ...                                                [清除]
//   +--------+  开关 _|‾|_|‾‾‾‾‾‾‾|_      (the test pad, when open: health/test_pad.h)
//   |  pad   |  程序 _|‾‾‾‾‾‾‾‾‾‾‾|_
//   +--------+  0                 90 ms
//   [one row per click, newest first                                              ]
//                                                             [打开测试区] [复制诊断信息] [关闭]
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/dpi_layout.h"
#include "common/texts.h"
#include "health/calibration.h"
#include "health/what_if.h"
#include "input/switch_counter.h"

struct Settings;
class HealthLedger;

constexpr int kChartDays = 30;
// The gap distribution shows gaps up to this.
constexpr int kLongestShownGapMs = 512;

enum HealthPeriod { periodToday, periodLast7Days, periodLast30Days, periodCount };

struct PeriodCounts {
  std::uint64_t events = 0, chatter = 0, repaired = 0;
};

struct HealthFigures {
  PeriodCounts periods[healthDeviceCount][periodCount];
  std::uint32_t perMilleByDay[healthDeviceCount][kChartDays] = {};  // oldest first, today last
  // Press-to-press gaps of every button over the days kept: chatter, then deliberate presses.
  std::uint64_t chatterGaps[kGapBuckets] = {};
  std::uint64_t clickGaps[kGapBuckets] = {};
  HealthCounts kept;  // every day kept, today's included once addToday has run
};

// Every day kept but today. Only today changes while the window is open, so the window gathers
// these once a day and adds today to them every second.
HealthFigures pastFigures(const HealthLedger& ledger);
HealthFigures addToday(HealthFigures past, const HealthCounts& today);

// One device's block: its name and whether its repair is on, then today, 7 and 30 days.
std::wstring deviceFigures(int device, const HealthFigures& figures, const Settings& settings);

enum class HealthAction { chooseButton, applyIntervals, none };

// One line of advice: why, and the button that acts on it (none when nothing can be done).
struct HealthAdvice {
  std::wstring why;
  std::wstring button;
  HealthAction action = HealthAction::none;
  int device = healthLeft;  // chooseButton: the button it chooses
  RepairChoice choice;      // applyIntervals: what it writes
};

// The buttons the fit is for: those that chatter, chosen or not.
void buttonsThatMatter(const Calibration& calibration, bool (&matters)[kHealthButtons]);

// A button worth choosing that is not chosen; what the fit on the record of clicks found for
// the buttons that matter (nothing when none does).
std::vector<HealthAdvice> healthAdvice(const Calibration& calibration, const HealthCounts& kept,
                                       const Settings& settings, const ClickFit& fit);

// What the fit found, in one line: the record under the settings in force and under the
// suggestion. Empty unless the suggestion is better.
std::wstring fitSummary(const ClickFit& fit, Language language);

// What the fit found, in one line, whatever its outcome (the advice row's text).
std::wstring fitFound(const ClickFit& fit, Language language);

// The balloon for a button that is not chosen and chatters, with the fit's line where it has one.
std::wstring chatterBalloon(int button, const DeviceCounts& today, const ClickFit& fit,
                            Language language);

// Where a ms value of a gap lies along the distribution's buckets (bucket index and fraction).
double gapPosition(int ms);

// The window's parts, laid out from its font and DPI inside `room`, the client area its monitor's
// work area leaves beside the frame. The 30-day charts and the distribution shrink before anything
// else; the text wraps at a narrower width; only when that is not enough does the content grow
// taller than the client area and scroll.
struct HealthLayout {
  LayoutRect figures[healthDeviceCount];
  LayoutRect charts[healthDeviceCount];
  LayoutRect distribution;
  std::vector<LayoutRect> adviceText, adviceButtons;
  // The test pad, empty while it is closed: its caption and 清除, the box clicked in, the lanes
  // of the click chosen and the list of clicks; the button that opens and closes it.
  LayoutRect padCaption, padClear, pad, padLanes, padList;
  LayoutRect padToggle;
  LayoutRect copyDiagnosis, close;
  int width = 0, height = 0;  // the client area
  int contentHeight = 0;      // more than `height`: the window scrolls
  int line = 1;               // a chart's frame and marks
};

// The devices whose blocks the window shows, a bit each: the left and right buttons and the
// wheel always; the middle and side buttons, which most mice use rarely, once chosen or counted
// in the last 30 days.
constexpr unsigned kAlwaysShownDevices = 1u << healthLeft | 1u << healthRight | 1u << healthWheel;
unsigned shownDevices(const HealthFigures& figures, const Settings& settings);

// A device not in `devices` has empty rectangles; the test pad's parts are laid out when `testPad`.
HealthLayout layoutHealthWindow(const FontMetrics& font, int dpi, std::size_t adviceCount,
                                const LayoutRect& room, unsigned devices = kAlwaysShownDevices,
                                bool testPad = false);
