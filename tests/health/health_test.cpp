#include <gtest/gtest.h>

#include <vector>

#include "health/calibration.h"
#include "health/counter.h"
#include "health/stats_file.h"
#include "settings/settings.h"

namespace {

// One event of a recorded timeline: 'P' press, 'R' release, '+'/'-' a wheel notch.
struct Step {
  char kind;
  double ms;
};

HealthCounts feed(const std::vector<Step>& steps, int button = kHealthLeft, int repaired = 0) {
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
      {"chattering click", {{'P', 0}, {'R', 100}, {'P', 105}, {'R', 300}}, kHealthLeft, 2, 1},
      {"deliberate press 40 ms after", {{'P', 0}, {'R', 100}, {'P', 140}}, kHealthLeft, 2, 0},
      {"20 ms is no chatter", {{'P', 0}, {'R', 100}, {'P', 120}}, kHealthLeft, 2, 0},
      {"19.9 ms is", {{'P', 0}, {'R', 100}, {'P', 119.9}}, kHealthLeft, 2, 1},
      {"reversed notches within 50 ms",
       {{'+', 0}, {'-', 20}, {'-', 40}, {'-', 100}},
       kHealthWheel,
       4,
       2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const DeviceCounts d = feed(row.steps).devices[row.device];
    EXPECT_EQ(d.events, row.events);
    EXPECT_EQ(d.chatter, row.chatter);
  }
  const DeviceCounts click = feed({{'P', 0}, {'R', 100}, {'P', 105}}, kHealthRight, 1).devices[1];
  EXPECT_EQ(click.repaired, 3u);
  EXPECT_EQ(click.gaps[kReleaseToPress][5], 1u) << "5 ms from release to press";
  EXPECT_EQ(click.gaps[kChatterGap][gapBucket(105000)], 1u);
  EXPECT_EQ(click.gaps[kChatterHold][gapBucket(100000)], 1u);
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
  const std::string file = std::string(kStatsHeader) + "\r\n" + line("2023-01-01", "left,9,9,9") +
                           line("2024-02-29", "left,5,1,0,0 0 1") +
                           line("2025-03-14", "left,14,4,0") + line("2025-03-14", "wheel,7,1,0") +
                           "garbage\r\n";
  HealthLedger ledger;
  HealthCounts live;
  ASSERT_TRUE(ledger.start(file, "2025-03-14", live));
  EXPECT_FALSE(ledger.changed());
  live.devices[kHealthLeft].events = 2;
  live.devices[kHealthLeft].chatter = 1;
  ledger.update(live, "2025-03-14");
  EXPECT_TRUE(ledger.changed());
  EXPECT_EQ(ledger.today().devices[kHealthLeft].events, 16u);
  EXPECT_EQ(ledger.today().devices[kHealthWheel].events, 7u);
  const std::string text = ledger.text();
  EXPECT_EQ(text.find("2023-01-01"), std::string::npos) << text;
  EXPECT_NE(text.find(line("2024-02-29", "left,5,1,0,0 0 1")), std::string::npos) << text;
  EXPECT_NE(text.find(line("2025-03-14", "left,16,5,0,,,,,")), std::string::npos) << text;

  // Midnight: the counts so far stay the old day's; the new day starts from nothing.
  live.devices[kHealthLeft].events = 3;
  EXPECT_TRUE(ledger.update(live, "2025-03-15"));
  EXPECT_EQ(ledger.today().devices[kHealthLeft].events, 0u);
  EXPECT_NE(ledger.text().find(line("2025-03-14", "left,17,5,0,,,,,")), std::string::npos);
  EXPECT_EQ(ledger.kept().devices[kHealthLeft].events, 22u);
}

TEST(HealthLedger, AFileThatIsNotOursIsNotTaken) {
  for (const char* text : {"Date,Device\r\n2025-03-14,left,1,1,1\r\n",
                           "\xEF\xBB\xBF"
                           "date"}) {
    HealthLedger ledger;
    EXPECT_FALSE(ledger.start(text, "2025-03-14", HealthCounts{})) << text;
    EXPECT_EQ(ledger.today().devices[kHealthLeft].events, 0u);
  }
  EXPECT_EQ(statsPathForSettings(L"D:\\Tools\\clickmend.INI"), L"D:\\Tools\\clickmend-stats.csv");
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

}  // namespace
