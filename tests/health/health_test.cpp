#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "health/calibration.h"
#include "health/health_view.h"
#include "health/stats_file.h"
#include "input/switch_counter.h"
#include "settings/settings.h"
#include "settings/text.h"

namespace {

// One event of a recorded timeline: 'P' press, 'R' release, '+'/'-' a wheel notch.
struct Step {
  char kind;
  double ms;
};

HealthCounts feed(const std::vector<Step>& steps, int button = healthLeft, int repaired = 0) {
  Settings settings;
  settings.scrollInterval = 50;
  SwitchCounter counter(settings);
  for (const Step& s : steps) {
    const auto us = static_cast<std::uint64_t>(s.ms * 1000);
    if (s.kind == 'P') counter.press(button, us, repaired);
    if (s.kind == 'R') counter.release(button, us, repaired);
    if (s.kind == '+' || s.kind == '-') counter.notch(s.kind == '+' ? 120 : -120, us, repaired);
  }
  return counter.snapshot();
}

TEST(SwitchCounter, CountsChatterByTheGapFromTheRelease) {
  struct Row {
    const char* name;
    std::vector<Step> steps;
    int device;
    std::uint32_t events, chatter;
  };
  const Row rows[] = {
      {"chattering click", {{'P', 0}, {'R', 100}, {'P', 105}, {'R', 300}}, healthLeft, 2, 1},
      {"deliberate press 40 ms after", {{'P', 0}, {'R', 100}, {'P', 140}}, healthLeft, 2, 0},
      {"20 ms is no chatter", {{'P', 0}, {'R', 100}, {'P', 120}}, healthLeft, 2, 0},
      {"19.9 ms is", {{'P', 0}, {'R', 100}, {'P', 119.9}}, healthLeft, 2, 1},
      {"reversed notches within 50 ms",
       {{'+', 0}, {'-', 20}, {'-', 40}, {'-', 100}},
       healthWheel,
       4,
       2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const DeviceCounts d = feed(row.steps).devices[row.device];
    EXPECT_EQ(d.events, row.events);
    EXPECT_EQ(d.chatter, row.chatter);
  }
  const DeviceCounts click = feed({{'P', 0}, {'R', 100}, {'P', 105}}, healthRight, 1).devices[1];
  EXPECT_EQ(click.repaired, 3u);
  EXPECT_EQ(click.gaps[gapReleaseToPress][5], 1u) << "5 ms from release to press";
  EXPECT_EQ(click.gaps[gapChatter][gapBucket(105000)], 1u);
  EXPECT_EQ(click.gaps[gapChatterHold][gapBucket(100000)], 1u);
}

TEST(SwitchCounter, BucketsAreOneMillisecondBelow32AndFourPerDoublingAbove) {
  const std::pair<std::uint64_t, int> rows[] = {
      {0, 0},      {999, 0},    {1000, 1},    {31999, 31},  {32000, 32},
      {40000, 33}, {64000, 36}, {511999, 47}, {512000, 48}, {~0ull, 48}};
  for (const auto& [us, bucket] : rows) {
    EXPECT_EQ(gapBucket(us), bucket) << us;
    EXPECT_LE(bucketLowMs(bucket) * 1000ull, us);
    EXPECT_TRUE(!bucketHighMs(bucket) || us < bucketHighMs(bucket) * 1000ull);
  }
}

std::string line(const char* date, const char* rest) {
  return std::string(date) + "," + rest + "\r\n";
}

TEST(HealthLedger, ContinuesTodayKeepsOtherDaysAndDropsThoseOver400DaysOld) {
  // A day is dropped only while over 400 later days are held: days of nothing in between.
  std::string between;
  for (int day = 0; day < 616; ++day) {
    char date[32];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", 2023 + day / 308, 2 + day / 28 % 11,
                  1 + day % 28);
    between += line(date, "left,0,0,0");
  }
  const std::string file = std::string(kStatsHeader) + "\r\n" + line("2023-01-01", "left,9,9,9") +
                           between + line("2024-02-29", "left,5,1,0,0 0 1") +
                           line("2025-03-14", "left,14,4,0") + line("2025-03-14", "wheel,7,1,0") +
                           "garbage\r\n";
  HealthLedger ledger;
  HealthCounts live;
  ASSERT_TRUE(ledger.start(file, "2025-03-14", live));
  EXPECT_FALSE(ledger.changed());
  live.devices[healthLeft].events = 2;
  live.devices[healthLeft].chatter = 1;
  ledger.update(live, "2025-03-14");
  EXPECT_TRUE(ledger.changed());
  EXPECT_EQ(ledger.today().devices[healthLeft].events, 16u);
  EXPECT_EQ(ledger.today().devices[healthWheel].events, 7u);
  const std::string text = ledger.text();
  EXPECT_EQ(text.find("2023-01-01"), std::string::npos) << text;
  EXPECT_NE(text.find(line("2024-02-29", "left,5,1,0,0 0 1")), std::string::npos) << text;
  EXPECT_NE(text.find(line("2025-03-14", "left,16,5,0,,,,,")), std::string::npos) << text;

  // Midnight: the counts so far stay the old day's; the new day starts from nothing.
  live.devices[healthLeft].events = 3;
  EXPECT_TRUE(ledger.update(live, "2025-03-15"));
  EXPECT_EQ(ledger.today().devices[healthLeft].events, 0u);
  EXPECT_NE(ledger.text().find(line("2025-03-14", "left,17,5,0,,,,,")), std::string::npos);
  EXPECT_EQ(ledger.kept().devices[healthLeft].events, 22u);
}

TEST(HealthLedger, AFileThatIsNotOursIsNotTaken) {
  for (const char* text : {"Date,Device\r\n2025-03-14,left,1,1,1\r\n",
                           "\xEF\xBB\xBF"
                           "date"}) {
    HealthLedger ledger;
    EXPECT_FALSE(ledger.start(text, "2025-03-14", HealthCounts{})) << text;
    EXPECT_EQ(ledger.today().devices[healthLeft].events, 0u);
  }
  EXPECT_EQ(statsPathForSettings(L"D:\\Tools\\clickmend.INI"), L"D:\\Tools\\clickmend-stats.csv");
}

// What the ledger does not own stays: lines it cannot read (a spreadsheet's date, an extra
// column, a space), another instance's counts, and every day when the clock jumps two years.
TEST(HealthLedger, NothingInTheFileIsLost) {
  const std::string odd = std::string(kStatsHeader) + "\r\n12/5/2026,left,3,0,0\r\n" +
                          "2025-03-13,left,1,0,0,,,,,,x\r\n2025-03-12, left,1,0,0\r\n";
  std::string file = odd + line("2025-03-10", "left,100,0,0");
  HealthLedger a, b;
  ASSERT_TRUE(a.start(file, "2025-03-14", {}) && b.start(file, "2025-03-14", {}));
  const auto save = [&](HealthLedger& ledger, std::uint32_t events, const char* date) {
    HealthCounts live;  // the instance's own counter so far
    live.devices[healthLeft].events = events;
    ledger.update(live, date);
    ASSERT_TRUE(ledger.reread(file));
    file = ledger.text();
    ledger.markSaved();
  };
  save(a, 30, "2025-03-14");
  save(b, 20, "2025-03-14");
  EXPECT_EQ(file.find(odd), 0u) << file;
  EXPECT_NE(file.find(line("2025-03-14", "left,50,0,0,,,,,")), std::string::npos) << file;
  save(b, 21, "2027-05-01");
  save(b, 22, "2027-05-02");
  EXPECT_NE(file.find(line("2025-03-10", "left,100,0,0")), std::string::npos) << file;
}

// Recorded timelines, `count` clicks each.
std::vector<Step> timeline(int count, double every, const std::vector<Step>& (*click)(int)) {
  std::vector<Step> steps;
  for (int i = 0; i < count; ++i) {
    for (const Step& s : click(i)) steps.push_back({s.kind, i * every + s.ms});
  }
  return steps;
}

TEST(Calibration, FitsTheIntervalsToTheRecordedSwitch) {
  static std::vector<Step> c;
  // Worn: held 90 ms; one click in ten bounces at the press, one at the release, 1-15 ms.
  const HealthCounts worn = feed(timeline(2000, 600, [](int i) -> const std::vector<Step>& {
    const double b = 1 + i % 15;
    c = {{'P', 0}, {'R', 90}};
    if (i % 10 == 0) c = {{'P', 0}, {'R', 2}, {'P', 2 + b}, {'R', 90}};
    if (i % 10 == 5) c = {{'P', 0}, {'R', 90}, {'P', 90 + b}, {'R', 92 + b}};
    return c;
  }));
  // A fast double clicker: presses 60 to 90 ms long, 100 ms apart.
  const HealthCounts fast = feed(timeline(1000, 1200, [](int i) -> const std::vector<Step>& {
    const double held = 60 + i % 31;
    c = {{'P', 0}, {'R', held}, {'P', 100}, {'R', 100 + held}};
    return c;
  }));
  // A drag that opens for 3 ms three times mid-hold.
  const HealthCounts drag = feed(timeline(20, 6000, [](int) -> const std::vector<Step>& {
    c = {{'P', 0},    {'R', 1000}, {'P', 1003}, {'R', 2000},
         {'P', 2003}, {'R', 3000}, {'P', 3003}, {'R', 5000}};
    return c;
  }));
  const HealthCounts clean = feed(timeline(1000, 300, [](int) -> const std::vector<Step>& {
    c = {{'P', 0}, {'R', 80}};
    return c;
  }));

  const ButtonAdvice w = calibrate(worn).buttons[0];
  EXPECT_TRUE(w.choose);
  EXPECT_TRUE(w.click.found);
  EXPECT_EQ(w.click.ms, 112) << "over the 105 ms of a release bounce, at a bucket's bound";
  EXPECT_TRUE(w.release.found);
  EXPECT_EQ(w.release.ms, 96) << "over the 90 ms hold before a release bounce";

  const ButtonAdvice f = calibrate(fast).buttons[0];
  EXPECT_TRUE(f.choose);
  EXPECT_FALSE(f.click.found);
  EXPECT_GT(f.click.lostPerMille, 100u) << "swallows the second click of a double click";
  EXPECT_LT(f.click.safeMs, f.click.ms);
  EXPECT_FALSE(f.release.found);

  const ButtonAdvice d = calibrate(drag).buttons[0];
  EXPECT_TRUE(d.choose);
  EXPECT_EQ(d.guardChatter, 60u);
  EXPECT_FALSE(d.click.needed || d.release.needed);

  const ButtonAdvice n = calibrate(clean).buttons[0];
  EXPECT_FALSE(n.choose || n.click.needed || n.release.needed || n.guardChatter);
}

std::string text(const std::wstring& wide) {
  return encodeUtf8(wide);
}

TEST(HealthView, FiguresSayWhatEachPeriodHolds) {
  HealthLedger ledger;
  ASSERT_TRUE(ledger.start(std::string(kStatsHeader) + "\r\n" + line("2025-03-13", "left,100,2,1") +
                               line("2025-03-04", "left,1000,1,0") +
                               line("2025-02-01", "left,7,7,7"),
                           "2025-03-14", HealthCounts{}));
  HealthCounts today;
  today.devices[healthLeft] = {1412, 37, 35, {}};
  today.devices[healthWheel] = {50, 5, 0, {}};
  const HealthFigures figures = addToday(pastFigures(ledger), today);
  Settings chosen;
  chosen.leftButton = chosen.clickRepair = 1;
  const struct {
    const char* name;
    int device;
    const Settings& settings;
    const wchar_t* expected;
  } rows[] = {
      {"today, a day ago, ten days ago; the day 41 days ago in none", healthLeft, chosen,
       L"鼠标左键: repair on\ntoday: 1412 clicks, 37 chatter (26.2 per 1000), 35 repaired\n"
       L"last 7 days: 1512 clicks, 39 chatter (25.7 per 1000), 36 repaired\n"
       L"last 30 days: 2512 clicks, 40 chatter (15.9 per 1000), 36 repaired"},
      {"nothing counted", healthRight, chosen, L"鼠标右键: repair off\nno clicks counted yet"},
      {"the wheel counts notches", healthWheel, Settings{},
       L"滚轮: repair off\ntoday: 50 notches, 5 reversed (100.0 per 1000), 0 repaired\n"
       L"last 7 days: 50 notches, 5 reversed (100.0 per 1000), 0 repaired\n"
       L"last 30 days: 50 notches, 5 reversed (100.0 per 1000), 0 repaired"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(text(deviceFigures(row.device, figures, row.settings)), text(row.expected));
  }
  EXPECT_EQ(figures.perMilleByDay[healthLeft][kChartDays - 1], 26u);
  EXPECT_EQ(figures.perMilleByDay[healthLeft][kChartDays - 2], 20u);
  EXPECT_EQ(text(chatterBalloon(healthLeft, today.devices[healthLeft])),
            text(L"鼠标左键 seems to chatter: 26 in 1000 clicks today; click to see 鼠标健康"));
}

TEST(HealthView, AdviceNamesTheButtonAndWhy) {
  DeviceCounts bouncing{1000, 20, 0, {}};
  bouncing.gaps[gapChatter][5] = 20;
  bouncing.gaps[gapClick][gapBucket(200000)] = 980;
  DeviceCounts doubleClicker{1000, 500, 0, {}};
  doubleClicker.gaps[gapChatter][gapBucket(100000)] = 500;
  doubleClicker.gaps[gapClick][gapBucket(100000)] = 500;
  Settings none, left, leftFitted;
  none.releaseInterval = left.releaseInterval = leftFitted.releaseInterval = 50;
  left.leftButton = leftFitted.leftButton = 1;
  leftFitted.clickInterval = 6;
  const struct {
    const char* name;
    DeviceCounts counts;
    const Settings& settings;
    std::vector<std::wstring> expected;  // why | button
  } rows[] = {
      {"bouncing, not chosen",
       bouncing,
       none,
       {L"鼠标左键 chattered 20 times in 1000 clicks (20.0 per 1000) and is not repaired | "
        L"为鼠标左键开启修复",
        L"suggested 单击间隔 6 ms, 释放间隔 50 ms: longest bounce seen 6 ms; fastest double "
        L"click 192 ms | 应用建议间隔"}},
      {"chosen and fitted already", bouncing, leftFitted, {}},
      {"double clicks as fast as the bounces",
       doubleClicker,
       left,
       {L"no 单击间隔 swallows the bounces and spares your fast clicks: 112 ms would swallow "
        L"1000 in 1000 of your clicks; 96 ms would catch only 0 % of the bounces | "}},
      {"clean", DeviceCounts{}, none, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HealthCounts kept;
    kept.devices[healthLeft] = row.counts;
    std::vector<std::string> got, expected;
    for (const HealthAdvice& a : healthAdvice(calibrate(kept), kept, row.settings)) {
      got.push_back(text(a.why + L" | " + a.button));
    }
    for (const std::wstring& e : row.expected) expected.push_back(text(e));
    EXPECT_EQ(got, expected);
  }
}

TEST(HealthView, LayoutKeepsEveryPartInsideAndApart) {
  const struct {
    int lineHeight, charWidth;
    std::size_t advice;
    int width, height;
  } rows[] = {
      {16, 7, 0, 688, 440}, {16, 7, 2, 688, 520}, {24, 10, 1, 982, 718}, {8, 2, 3, 228, 274}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.lineHeight);
    const HealthLayout l = layoutHealthWindow(row.lineHeight, row.charWidth, row.advice);
    EXPECT_EQ(l.width, row.width);
    EXPECT_EQ(l.height, row.height);
    std::vector<HealthRect> parts(l.figures, l.figures + healthDeviceCount);
    parts.insert(parts.end(), l.charts, l.charts + healthDeviceCount);
    parts.insert(parts.end(), l.adviceText.begin(), l.adviceText.end());
    parts.insert(parts.end(), l.adviceButtons.begin(), l.adviceButtons.end());
    parts.push_back(l.distribution);
    parts.push_back(l.close);
    EXPECT_EQ(l.adviceButtons.size(), row.advice);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      const HealthRect& a = parts[i];
      EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= l.width && a.bottom <= l.height) << i;
      for (std::size_t j = i + 1; j < parts.size(); ++j) {
        const HealthRect& b = parts[j];
        EXPECT_TRUE(a.right <= b.left || b.right <= a.left || a.bottom <= b.top ||
                    b.bottom <= a.top)
            << i << " overlaps " << j;
      }
    }
    EXPECT_GE(l.charts[0].right - l.charts[0].left, 2 + 3 * kChartDays) << "a bar a day";
  }
}

}  // namespace
