#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "common/text.h"
#include "health/calibration.h"
#include "health/diagnosis.h"
#include "health/fit_worker.h"
#include "health/health_view.h"
#include "health/stats_file.h"
#include "health/test_pad.h"
#include "health/what_if.h"
#include "input/click_record.h"
#include "input/switch_counter.h"
#include "settings/settings.h"
#include "tests/support/click_corpus.h"

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
                           line("2025-03-14", "left,14,4,0") + line("2025-03-14", "x1,6,2,1") +
                           line("2025-03-14", "wheel,7,1,0") + "garbage\r\n";
  HealthLedger ledger;
  HealthCounts live;
  ASSERT_TRUE(ledger.start(file, "2025-03-14", live));
  EXPECT_FALSE(ledger.changed());
  live.devices[healthLeft].events = 2;
  live.devices[healthLeft].chatter = 1;
  live.devices[healthMiddle].events = 1;
  ledger.update(live, "2025-03-14");
  EXPECT_TRUE(ledger.changed());
  EXPECT_EQ(ledger.today().devices[healthLeft].events, 16u);
  EXPECT_EQ(ledger.today().devices[healthWheel].events, 7u);
  EXPECT_EQ(ledger.today().devices[healthX1].chatter, 2u);
  const std::string text = ledger.text();
  // The middle and side buttons' lines follow the wheel's, on the days they counted anything.
  EXPECT_LT(text.find(line("2025-03-14", "wheel,7,1,0,,,,,")),
            text.find(line("2025-03-14", "middle,1,0,0,,,,,")))
      << text;
  EXPECT_NE(text.find(line("2025-03-14", "x1,6,2,1,,,,,")), std::string::npos) << text;
  EXPECT_EQ(text.find(",x2,"), std::string::npos) << text;
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

// A shared file in memory: held for its first `heldReads` reads; `beside` the names next to it.
struct FileDouble : SharedFileAccess {
  std::optional<std::string> bytes;
  int heldReads = 0;
  std::map<std::wstring, std::string> beside;  // suffix -> bytes
  std::function<bool()> takeLock = [] { return false; };
  std::function<void()> giveLock, afterRead = [] {};
  bool lock() override { return takeLock(); }
  void unlock() override { giveLock(); }
  FileRead read(std::string* out) override {
    if (heldReads > 0 && heldReads--) return FileRead::held;
    if (bytes) *out = *bytes;
    const FileRead read = bytes ? FileRead::done : FileRead::missing;
    afterRead();
    return read;
  }
  bool write(const std::string& b) override { return bytes = b, true; }
  bool moveAside(const std::wstring& suffix) override {
    if (!bytes || beside.count(suffix)) return false;
    beside[suffix] = *bytes;
    return bytes.reset(), true;
  }
};

// Five presses today, saved on top of what the statistics file or the click record holds, with
// no lock to be had.
TEST(HealthLedger, SavesOnTopOfTheFileOrMovesADamagedOneAside) {
  const std::string header = std::string(kStatsHeader) + "\r\n", bom = "\xEF\xBB\xBF";
  const std::string month = "12/5/2026,left,3,0,0\r\n",
                    today = line("2026-12-08", "left,5,0,0,,,,,");
  const std::string record = clickRecordBytes({{7, {{9, 9, 0, true}}}});
  // One tick field flipped: the tick and the counter time of an event 0x7FFFFF00 ms apart.
  const std::string flipped =
      clickRecordBytes({{7, {{9000, 9, 0, true}, {39000, 39 + 0x7FFFFF00, 0, false}}}});
  using O = SharedSave::Outcome;
  const struct {
    const char* name;
    bool stats;
    std::string file;
    int heldReads;
    O first;
    const wchar_t* movedTo;
    std::string written;  // how the statistics start
  } rows[] = {
      {"a spreadsheet's save: a byte-order mark, dates year first", true,
       bom + header + month + "2026/12/7,left,100,1,0\r\n2026-12-8,left,10,0,0\r\n", 0, O::written,
       L"", bom + header + month + "2026-12-07,left,100,1,0\r\n2026-12-08,left,15,0,0,"},
      {"held by another program at start", true, header + line("2026-12-08", "left,10,0,0"), 1,
       O::held, L"", header + line("2026-12-08", "left,15,0,0,,,,,")},
      {"zero-filled, beside one moved aside before", true, std::string(4096, '\0'), 0, O::written,
       L".damaged-20261208-2", header + today},
      {"a hand-edited count near its most: it stops there", true,
       header + line("2026-12-08", "left,4294967293,0,0"), 0, O::written, L"",
       header + line("2026-12-08", "left,4294967295,0,0,,,,,")},
      {"cut short in its header", true, header.substr(0, 20), 0, O::written, L".damaged-20261208-2",
       header + today},
      {"the user's own", true, "Date;Device\r\n", 0, O::notOurs, L"", "Date;Device\r\n"},
      {"a record zero-filled", false, std::string(4096, '\0'), 0, O::written, L".damaged-20261208",
       ""},
      {"a record zero-filled after its first event", false, record + std::string(32, '\0'), 0,
       O::written, L".damaged-20261208", ""},
      {"a record cut short", false, record.substr(0, 30), 0, O::written, L".damaged-20261208", ""},
      {"a record whose tick and counter time disagree", false, flipped, 0, O::written,
       L".damaged-20261208", ""},
      {"a record of empty runs up to its bound", false,
       clickRecordBytes(std::vector<ClickRun>((kClickRecordLargestBytes - 8) / 16)), 0, O::written,
       L"", ""},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    FileDouble file;
    file.bytes = row.file;
    file.heldReads = row.heldReads;
    if (row.stats) file.beside[L".damaged-20261208"] = "moved aside this morning";
    HealthLedger ledger;
    HealthCounts live;
    live.devices[healthLeft].events = 5;
    ledger.start("", "2026-12-08", {});
    ledger.update(live, "2026-12-08");
    std::vector<ClickRun> runs;
    const auto save = [&] {
      return row.stats ? saveLedger(ledger, file)
                       : saveClickRecord(file, "2026-12-08", 2,
                                         std::vector<ClickEvent>(5, {1000, 1, 0, true}), &runs);
    };
    const SharedSave first = save();
    EXPECT_EQ(first.outcome, row.first);
    EXPECT_EQ(first.movedAside, row.movedTo);
    EXPECT_EQ(file.beside[row.movedTo], *row.movedTo ? row.file : "") << "kept whole";
    EXPECT_EQ(row.first != O::held || save().outcome == O::written, true) << "tried again";
    if (row.stats) {
      EXPECT_EQ(file.bytes->find(row.written), 0u) << *file.bytes;
      continue;
    }
    EXPECT_LE(file.bytes->size(), kClickRecordLargestBytes);
    const auto written = parseClickRecord(*file.bytes);
    ASSERT_TRUE(written);
    EXPECT_EQ(clickRecordEvents(*written), 5u);
    EXPECT_EQ(written->back().owner, 2u);
  }
}

// Two instances save at the same instant: the first has read the file when the second comes;
// the second waits for the lock, then adds to what the first wrote.
TEST(HealthLedger, TwoInstancesSavingAtOnceThroughTheLockBothCount) {
  std::mutex m;
  std::condition_variable changed;
  bool held = false, secondDone = false;
  int waiting = 0;
  FileDouble file;  // the one file, and its one lock
  file.takeLock = [&] {
    std::unique_lock<std::mutex> lock(m);
    ++waiting;
    changed.notify_all();
    changed.wait(lock, [&] { return !held; });
    --waiting;
    return held = true;
  };
  file.giveLock = [&] {
    std::lock_guard<std::mutex> lock(m);
    held = false;
    changed.notify_all();
  };
  HealthLedger first, second;
  for (HealthLedger* ledger : {&first, &second}) {
    HealthCounts live;
    live.devices[healthLeft].events = ledger == &first ? 10 : 11;
    ledger->start("", "2026-12-08", {});
    ledger->update(live, "2026-12-08");
  }
  std::thread other;
  bool raced = false;
  file.afterRead = [&] {
    if (raced) return;
    raced = true;
    other = std::thread([&] {
      saveLedger(second, file);
      std::lock_guard<std::mutex> lock(m);
      secondDone = true;
      changed.notify_all();
    });
    std::unique_lock<std::mutex> lock(m);
    changed.wait(lock, [&] { return secondDone || waiting > 0; });
  };
  saveLedger(first, file);
  other.join();
  HealthLedger read;
  ASSERT_TRUE(read.start(*file.bytes, "2026-12-08", {}));
  EXPECT_EQ(read.today().devices[healthLeft].events, 21u) << *file.bytes;
}

// Recorded timelines, `count` clicks each.
std::vector<Step> timeline(int count, double every, const std::vector<Step>& (*click)(int)) {
  std::vector<Step> steps;
  for (int i = 0; i < count; ++i) {
    for (const Step& s : click(i)) steps.push_back({s.kind, i * every + s.ms});
  }
  return steps;
}

TEST(Calibration, ChoosesTheButtonsThatChatter) {
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

  EXPECT_TRUE(calibrate(worn).buttons[0].choose);
  EXPECT_TRUE(calibrate(fast).buttons[0].choose);
  EXPECT_TRUE(calibrate(drag).buttons[0].choose);
  EXPECT_FALSE(calibrate(clean).buttons[0].choose);

  // Only the drag's switch opened in a hold; it arms the guard for 30 days, today's included.
  EXPECT_FALSE(openedInAHold(worn.devices[healthLeft]) || openedInAHold(fast.devices[healthLeft]));
  HealthLedger ledger;
  ASSERT_TRUE(
      ledger.start(std::string(kStatsHeader) + "\r\n" +
                       formatStatsLine("2025-02-12", healthLeft, drag.devices[healthLeft]) +
                       formatStatsLine("2025-02-13", healthRight, drag.devices[healthLeft]) +
                       formatStatsLine("2025-03-01", healthX2, drag.devices[healthLeft]),
                   "2025-03-14", HealthCounts{}));
  bool opened[kHealthButtons] = {true};
  openedInAHoldLately(ledger, opened);
  EXPECT_TRUE(!opened[healthLeft] && opened[healthRight] && opened[healthX2]);
}

// A timeline as health/click_judgement.h writes it: P(t) a press, R(t) a release, t in ms.
std::vector<ClickEvent> timelineEvents(const char* text) {
  std::vector<ClickEvent> events;
  for (const char* c = text; (c = std::strpbrk(c, "PR")) != nullptr; ++c) {
    const auto us = static_cast<std::uint64_t>(std::strtod(c + 2, nullptr) * 1000);
    events.push_back({us, static_cast<std::uint32_t>(us / 1000), healthLeft, *c == 'P'});
  }
  return events;
}

// The hand's clicks read from a record, and the first of them judged by what was shown of it.
TEST(ClickJudgement, TheHandsClicksAndWhatApplicationsSawOfThem) {
  const char* const hand = "P(0)-------R(90) P(94)R(96)          P(600)";
  const struct {
    const char *name, *record, *shown, *expected;
  } rows[] = {
      {"a bounce at the press", "P(0)R(2) P(4)----R(90)", nullptr, "0-90; 1 bounces"},
      {"a bounce at the release", "P(0)-----R(90) P(94)R(96)", nullptr, "0-90; 1 bounces"},
      {"an opening in a drag", "P(0)-R(500) P(510)----R(1000)", nullptr, "0-1000; 0 bounces"},
      {"a long opening in a drag", "P(0)-R(500) P(535)----R(1000)", nullptr, "0-1000; 0 bounces"},
      {"a bounce between two clicks", "P(0)--R(48) P(83)R(85) P(89)--R(144)", nullptr,
       "0-48; 89-144 41 ms after; 1 bounces"},
      {"a bounce far from any click", "P(0)R(3)", nullptr, "1 bounces"},
      {"clean: the bounce's release is not the hand's", hand, "P(0)-------R(90)", "1 presses"},
      {"two presses", hand, "P(0)-------R(90) P(94)R(96)", "2 presses"},
      {"a release before the hand let go", hand, "P(0)--R(2)---------R(90)", "1 presses early"},
      {"lost", hand, "(nothing)", "0 presses"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    std::uint32_t bounces = 0;
    const auto clicks = handClicks(timelineEvents(r.record), healthLeft, 10000, bounces);
    std::string got;
    if (r.shown) {
      std::vector<ShownClick> shown;
      for (const ClickEvent& e : timelineEvents(r.shown))
        shown.push_back({e.us, e.button, e.press});
      std::size_t at = 0;
      const ClickJudgement j = judgeClick(clicks.at(0), 600000, shown, healthLeft, at);
      got = std::to_string(j.presses) + " presses" + (j.earlyRelease ? " early" : "");
    } else {
      for (const HandClick& c : clicks) {
        got += std::to_string(c.pressUs / 1000) + "-" + std::to_string(c.releaseUs / 1000) +
               (c.gapUs == kNever ? "" : " " + std::to_string(c.gapUs / 1000) + " ms after") + "; ";
      }
      got += std::to_string(bounces) + " bounces";
    }
    EXPECT_EQ(got, r.expected);
  }
}

// The clicks of `button` (the left's by default) and, where given, the right button's, in time
// order.
ClickRun recorded(const corpus::Corpus& c, bool windowsClock, const corpus::Corpus* right = nullptr,
                  std::uint8_t button = healthLeft) {
  ClickRun run;
  const auto add = [&](const corpus::Corpus& from, std::uint8_t button) {
    for (const corpus::Event& e : from.events) {
      run.events.push_back({e.us, corpus::tickAt(e.us, windowsClock), button, e.press});
    }
  };
  add(c, button);
  if (right) add(*right, 1);
  std::stable_sort(run.events.begin(), run.events.end(),
                   [](const ClickEvent& x, const ClickEvent& y) { return x.us < y.us; });
  return run;
}

corpus::Judged judged(const corpus::Corpus& c, const ClickRun& run, const RepairChoice& choice,
                      int button = healthLeft) {
  std::vector<corpus::Event> shown;
  for (const ShownClick& s : replayShown(run, choice)) {
    if (s.button == button) shown.push_back({s.us, s.press});
  }
  return corpus::judge(c, shown);
}

// The fit on the user's clicks, from the counts that say which button chatters to the choice,
// judged by what the window would have seen: every episode's clicks one press each, no release
// before the finger let go.
TEST(WhatIf, FitsTheRecordedClicksAtBothClocks) {
  corpus::Mix worn, clean, fast, longOpenings;
  clean.wornPercent = 0;
  longOpenings.openingLow = 25, longOpenings.openingHigh = 35;
  longOpenings.doubleGapLow = longOpenings.doubleGapHigh = 30;
  // Double clicks 40 to 50 ms from release to press, bounces 30 to 38 ms after the release.
  fast.doubleGapLow = 40, fast.doubleGapHigh = 50;
  fast.releaseBounceLow = 30, fast.releaseBounceHigh = 38;
  // 400 clicks held 90 ms; every other one closes again 4 ms after its release, for 2 ms.
  corpus::Corpus releaseBounces;
  for (std::uint64_t i = 0, t = 10'000'000; i < 400; ++i, t += 600'000) {
    releaseBounces.events.insert(releaseBounces.events.end(), {{t, true}, {t + 90'000, false}});
    if (i % 2) {
      releaseBounces.events.insert(releaseBounces.events.end(),
                                   {{t + 94'000, true}, {t + 96'000, false}});
    }
    releaseBounces.episodes.push_back({{{t, t + 90'000}}, t + 600'000});
  }
  const corpus::Corpus wornRight = corpus::make(29, worn, 40);
  const struct {
    const char* name;
    corpus::Corpus c;
    bool windowsClock, leftChosen;
    ClickFit::Outcome outcome;
    bool tradeOff;
    int clean;  // episodes clean at least: with the choice where one is offered, else as now
    const corpus::Corpus* right = nullptr;
    std::uint8_t button = healthLeft;  // the button `c` holds the clicks of
    const char* figures = nullptr;     // as health/what_if.h gives them: now -> the choice offered
  } rows[] = {
      {"worn switch, the defaults, Wine's clock", corpus::make(28, worn), false, true,
       ClickFit::better, false, 239, nullptr, healthLeft,
       "3 doubled, 3 lost -> click repair off: long-hold window 30 ms after 250: 3 doubled, 0 "
       "lost, release 16"},
      {"worn switch, the defaults, Windows' clock", corpus::make(28, worn), true, true,
       ClickFit::better, false, 239, nullptr, healthLeft,
       "3 doubled, 3 lost -> click repair off: long-hold window 30 ms after 250: 3 doubled, 0 "
       "lost, release 16"},
      {"worn switch not chosen yet", corpus::make(28, worn), true, false, ClickFit::better, false,
       239},
      {"clean switch", corpus::make(28, clean), true, false, ClickFit::tooFew, false, 240},
      {"double clicks as fast as the bounces", corpus::make(28, fast), false, true,
       ClickFit::better, false, 239},
      {"bounces after releases, the defaults: every click clean, nothing to offer", releaseBounces,
       false, true, ClickFit::nothing, false, 400},
      {"a worn right button among many left clicks: too few of its own", corpus::make(28, clean),
       true, false, ClickFit::tooFew, false, 240, &wornRight},
      {"a worn back button not chosen yet", corpus::make(28, worn), true, false, ClickFit::better,
       false, 239, nullptr, healthX1},
      {"drags opening 25 to 35 ms, double clicks 30 ms apart", corpus::make(28, longOpenings), true,
       true, ClickFit::better, true, 240, nullptr, healthLeft,
       "16 doubled, 30 lost -> click repair off: long-hold window 35 ms after 250: 40 doubled, 0 "
       "lost, release 16"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const corpus::Corpus& c = row.c;
    const ClickRun run = recorded(c, row.windowsClock, row.right, row.button);
    EXPECT_TRUE(parseClickRecord(clickRecordBytes({run}))) << "its clocks agree";
    Settings settings;
    settings.clickRepair = settings.releaseRepair = 1;
    settings.clickInterval = 100;
    settings.releaseInterval = 50;
    settings.leftButton = row.leftChosen;
    SwitchCounter counter(settings);
    for (const ClickEvent& e : run.events) {
      if (e.press) counter.press(e.button, e.us, 0);
      if (!e.press) counter.release(e.button, e.us, 0);
    }
    const HealthCounts kept = counter.snapshot();
    const Calibration calibration = calibrate(kept);
    bool matters[kHealthButtons] = {};
    buttonsThatMatter(calibration, matters);
    const ClickFit fit = fitClicks({run}, repairChoiceOf(settings), matters);
    EXPECT_EQ(fit.outcome, row.outcome);
    EXPECT_EQ(fit.tradeOff, row.tradeOff);
    const auto scores = [](const ReplayScore& s) {
      return std::to_string(s.doubled) + " doubled, " + std::to_string(s.lost) + " lost";
    };
    std::string choice = fit.best.clickRepair ? "" : "click repair off: ";
    if (fit.best.longGuardMs != 0) {
      choice += "long-hold window " + std::to_string(fit.best.longGuardMs) + " ms after " +
                std::to_string(fit.best.dragMs) + ": ";
    }
    if (row.figures) {
      EXPECT_EQ(scores(fit.now) + " -> " + choice + scores(fit.bestScore) + ", release " +
                    std::to_string(fit.best.releaseMs),
                row.figures);
    }
    bool offered = false, chooses = false;
    for (const HealthAdvice& a : healthAdvice(calibration, kept, settings, fit)) {
      offered = offered || a.action == HealthAction::applyIntervals;
      if (a.action != HealthAction::chooseButton || a.device != row.button) continue;
      chooses = true;
      EXPECT_EQ(a.button, row.button == healthX1 ? L"为后退键开启修复" : L"为鼠标左键开启修复");
    }
    EXPECT_EQ(offered, row.outcome == ClickFit::better);
    EXPECT_EQ(chooses, row.outcome == ClickFit::better && !row.leftChosen) << "为…开启修复";
    if (row.right) {
      std::uint32_t clicks = 0;
      for (const corpus::Episode& e : row.right->episodes) clicks += e.clicks.size();
      EXPECT_EQ(fit.presses, clicks) << "the fitted button's presses alone";
    }
    const corpus::Judged before = judged(c, run, repairChoiceOf(settings), row.button);
    const bool better = row.outcome == ClickFit::better;
    const corpus::Judged after = better ? judged(c, run, fit.best, row.button) : before;
    EXPECT_GE(after.clean, row.clean) << "before: " << before.clean << "\n" << after.unclean;
    // Where each episode is one click, the fit counts as many of them clean as the judge.
    if (fit.now.presses == c.episodes.size()) {
      EXPECT_EQ(fit.now.presses - fit.now.unclean(), std::uint32_t(before.clean));
    }
    if (!better || row.tradeOff) continue;
    EXPECT_EQ(after.lost, 0) << "before: " << before.lost << "\n" << after.unclean;
    EXPECT_TRUE(fit.best.buttons[row.button]);
    const int shortest = 16;  // the grid's least at either clock: intervals judged by the counter
    EXPECT_TRUE(!fit.best.clickRepair || fit.best.clickMs >= shortest);
    EXPECT_TRUE(!fit.best.releaseRepair || fit.best.releaseMs >= shortest);
    EXPECT_GE(fit.best.guardMs, 20);
  }
}

TEST(ClickRecord, KeepsTheLatestEventsAndTheRunsOfEachInstance) {
  static ClickRecord ring;  // a quarter of a megabyte
  for (std::uint32_t i = 0; i < 20000; ++i) ring.append(i % 2, i % 4 < 2, i, 1000u * i);
  const std::vector<ClickEvent> latest = ring.copySince(0);
  ASSERT_EQ(latest.size(), kClickRecordSize - 1) << "the slot the hook may be writing is left out";
  EXPECT_EQ(latest.back().tick, 19999u);
  EXPECT_EQ(latest.front().us, 1000u * (20000 - latest.size()));
  EXPECT_EQ(ring.copySince(19990).size(), 10u);
  EXPECT_EQ(ring.copySince(19990).front().button, 19990 % 2);

  const ClickEvent a{5'000'000'000ull, 7, 1, true}, b{5'000'010'000ull, 17, 1, false};
  // 50 days on: the tick has wrapped.
  const ClickEvent later{a.us + 4'320'000'000'000ull, std::uint32_t(7 + 4'320'000'000ull), 1, true};
  std::vector<ClickRun> runs;
  addToClickRecord(runs, 1, {a, b});
  addToClickRecord(runs, 1, {later});  // the same instance's run goes on
  addToClickRecord(runs, 2, {b});      // another's starts a run of its own
  const auto read = parseClickRecord(clickRecordBytes(runs));
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), 2u);
  EXPECT_EQ((*read)[0].owner, 1u);
  EXPECT_EQ((*read)[0].events.size(), 3u);
  EXPECT_EQ((*read)[1].events[0].us, b.us);
  EXPECT_EQ((*read)[0].events[0].tick, 7u);
  EXPECT_TRUE((*read)[0].events[0].press && (*read)[0].events[0].button == 1);

  addToClickRecord(runs, 3, std::vector<ClickEvent>(kClickRecordSize - 1, a));
  EXPECT_EQ(clickRecordEvents(runs), kClickRecordSize) << "the oldest dropped";
  EXPECT_EQ(runs.size(), 2u) << "the first run, emptied, is gone";

  const std::string good = clickRecordBytes(runs);
  for (const std::string& damaged :
       {std::string("date,device,events\r\n"), good.substr(0, good.size() - 3),
        good.substr(0, 8) + good.substr(24), good.substr(0, good.size() - 4) + "\x09\0\0\0"}) {
    EXPECT_FALSE(parseClickRecord(damaged)) << damaged.size();
  }
  EXPECT_TRUE(parseClickRecord("")->empty());
  EXPECT_EQ(clickRecordPathForStats(L"D:\\Tools\\clickmend-stats.csv"),
            L"D:\\Tools\\clickmend-clicks.dat");
}

// The fitting thread under a fit that waits for the test's word. While window 1's fit (10) runs,
// 2 asks (20), 1 twice (11, 12), 3 (30) and closes; then 2 closes while its fit runs.
TEST(FitWorker, OneAtATimeTheLatestOfEachWindowAndNothingForAClosedOne) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::size_t> started;  // each fit begun, by its request's number of runs
  std::size_t released = 0;          // how many may end
  std::vector<std::uint32_t> posted;
  FitWorker worker(
      [&](const FitRequest& request, const std::atomic<bool>& stop) {
        std::unique_lock<std::mutex> lock(mutex);
        started.push_back(request.runs.size());
        changed.notify_all();
        const std::size_t mine = started.size();
        changed.wait(lock, [&] { return released >= mine || stop; });
        ClickFit fit;
        fit.presses = static_cast<std::uint32_t>(request.runs.size());
        return fit;
      },
      [&](FitWorker::Window, std::uint32_t ticket) {
        const std::lock_guard<std::mutex> lock(mutex);
        posted.push_back(ticket);
        changed.notify_all();
        return true;
      },
      [](std::function<void()> body) {
        std::thread(std::move(body)).detach();
        return true;
      });
  const auto ask = [&](FitWorker::Window window, std::size_t id) {
    return worker.ask(window, {std::vector<ClickRun>(id), {}, {}});
  };
  // Makes a change, then waits until that many fits have begun and that many were posted.
  const auto step = [&](auto change, std::size_t begun, std::size_t answered) {
    std::unique_lock<std::mutex> lock(mutex);
    change();
    changed.notify_all();
    EXPECT_TRUE(changed.wait_for(lock, std::chrono::minutes(1), [&] {
      return started.size() >= begun && posted.size() >= answered;
    })) << "the worker is stuck";
  };
  const std::uint32_t a = ask(1, 10);
  step([] {}, 1, 0);
  ask(2, 20);
  ask(1, 11);
  const std::uint32_t c = ask(1, 12);
  ask(3, 30);
  worker.drop(3);
  step([&] { released = 1; }, 2, 1);
  EXPECT_EQ(worker.take(a).value_or(ClickFit()).presses, 10u);
  EXPECT_FALSE(worker.take(a)) << "taken once";
  step([&] { worker.drop(2); }, 3, 1);
  step([&] { released = 3; }, 3, 2);
  EXPECT_EQ(started, (std::vector<std::size_t>{10, 20, 12}));
  EXPECT_EQ(posted, (std::vector<std::uint32_t>{a, c}));
  EXPECT_EQ(worker.take(c).value_or(ClickFit()).presses, 12u);
}

// Where no thread can be had, ask makes the fit itself and has posted it when it returns.
TEST(FitWorker, WithoutAThreadTheFitIsMadeInAsk) {
  std::vector<std::uint32_t> posted;
  FitWorker worker(
      [](const FitRequest& request, const std::atomic<bool>&) {
        ClickFit fit;
        fit.presses = static_cast<std::uint32_t>(request.runs.size());
        return fit;
      },
      [&](FitWorker::Window, std::uint32_t ticket) {
        posted.push_back(ticket);
        return true;
      },
      [](std::function<void()>) { return false; });
  const std::uint32_t ticket = worker.ask(1, {std::vector<ClickRun>(7), {}, {}});
  EXPECT_EQ(posted, std::vector<std::uint32_t>{ticket});
  EXPECT_EQ(worker.take(ticket).value_or(ClickFit()).presses, 7u);
}

// The clocks as Windows (15.625 ms steps) and Wine (1 ms) step them, read from samples fed
// here: a reading late by a step or more, a tick that wrapped or a late wake-up moves nothing.
TEST(Diagnosis, ClocksAreReadFromWhatWasSampled) {
  const struct {
    const char* name;
    std::vector<std::uint32_t> readings;
    std::uint32_t least, most;  // the step
  } ticks[] = {
      {"Wine, each read again and again", {100, 100, 100, 101, 101, 101, 102}, 1, 1},
      {"Wine, a reading late by two steps", {100, 101, 102, 105, 106, 107}, 1, 1},
      {"Windows", {1000, 1016, 1031, 1047, 1063, 1078, 1094, 1109, 1125}, 15, 16},
      {"Windows, readings late by a step", {0, 31, 47, 62, 94, 109}, 15, 16},
      {"Windows, the tick wrapped", {0xFFFFFFF0u, 0xFFFFFFF0u, 0, 16}, 15, 16},
      {"never advanced", {7, 7, 7}, 0, 0},
  };
  for (const auto& row : ticks) {
    SCOPED_TRACE(row.name);
    EXPECT_GE(tickStepMs(row.readings), row.least);
    EXPECT_LE(tickStepMs(row.readings), row.most);
  }
  const struct {
    const char* name;
    std::vector<std::uint64_t> wakeUpsUs;
    std::uint64_t periodUs;
  } timers[] = {
      {"Windows", {3000, 18625, 34250, 49875, 65500}, 15625},
      {"one late, the next on time", {0, 10000, 27000, 30000, 40000}, 10000},
      {"one wake-up", {5000}, 0},
  };
  for (const auto& row : timers) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(timerPeriodUs(row.wakeUpsUs), row.periodUs);
  }
  std::vector<std::uint64_t> delays(19, 40);
  delays.insert(delays.begin() + 7, 5000);
  const DelayFigures figures = delayFigures(delays);
  EXPECT_EQ(figures.count, 20u);
  EXPECT_EQ(figures.medianUs, 40u) << "one slow probe of 20";
  EXPECT_EQ(figures.worstUs, 5000u);
  EXPECT_EQ(delayFigures({}).count, 0u);
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
  Settings chosen, english;
  chosen.leftButton = chosen.clickRepair = 1;
  english.language = Language::english;
  const struct {
    const char* name;
    int device;
    const Settings& settings;
    const wchar_t* expected;
  } rows[] = {
      {"today, a day ago, ten days ago; the day 41 days ago in none", healthLeft, chosen,
       L"鼠标左键：修复已开启\n今天：点击 1412 次，抖动 37 次（每千次 26.2），已修复 35 次\n"
       L"最近 7 天：点击 1512 次，抖动 39 次（每千次 25.7），已修复 36 次\n"
       L"最近 30 天：点击 2512 次，抖动 40 次（每千次 15.9），已修复 36 次"},
      {"nothing counted", healthRight, chosen, L"鼠标右键：修复未开启\n还没有统计到点击"},
      {"the wheel counts notches, in English", healthWheel, english,
       L"Wheel: repair off\nToday: 50 notches, 5 reversed (100.0 per 1000), 0 repaired\n"
       L"Last 7 days: 50 notches, 5 reversed (100.0 per 1000), 0 repaired\n"
       L"Last 30 days: 50 notches, 5 reversed (100.0 per 1000), 0 repaired"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(text(deviceFigures(row.device, figures, row.settings)), text(row.expected));
  }
  EXPECT_EQ(figures.perMilleByDay[healthLeft][kChartDays - 1], 26u);
  EXPECT_EQ(figures.perMilleByDay[healthLeft][kChartDays - 2], 20u);
  EXPECT_EQ(
      text(chatterBalloon(healthLeft, today.devices[healthLeft], ClickFit{}, Language::chinese)),
      text(L"鼠标左键好像在抖动：今天每千次点击抖动 26 次。点这里查看鼠标健康。"));
  ClickFit better;
  better.outcome = ClickFit::better;
  better.now = {3214, 0, 41, 7, 0};
  better.best.clickRepair = false;
  better.best.longGuardMs = 35;
  EXPECT_EQ(
      text(chatterBalloon(healthLeft, today.devices[healthLeft], better, Language::english)),
      "Left button seems to chatter: 26 in 1000 clicks today. Your last 3214 clicks: now 41 "
      "doubled, 7 lost; with click repair off, release interval 50 ms, hold guard 20 ms, "
      "long-hold guard 35 ms (after holds over 250 ms), blip length 10 ms: 0 doubled, 0 lost. "
      "Click to see Mouse health.");
}

TEST(HealthView, AdviceNamesTheButtonAndWhatTheFitFound) {
  const DeviceCounts bouncing{1000, 20, 0, {}};
  Settings none, left;
  left.leftButton = 1;
  ClickFit tooFew, better, nothing, tradeOff, analysing;
  tooFew.presses = 120;
  analysing.outcome = ClickFit::analysing;
  better.outcome = ClickFit::better;
  better.now = {3214, 0, 41, 7, 0};
  better.best.clickMs = 40;
  better.best.releaseMs = 40;
  better.best.guardMs = 30;
  better.best.blipMs = 8;
  better.bestScore = {3214, 0, 0, 0, 0};
  nothing.outcome = ClickFit::nothing;
  nothing.now = {500, 0, 1, 0, 0};
  tradeOff = nothing;
  tradeOff.tradeOff = true;
  tradeOff.fewestDoubled.releaseRepair = false;
  tradeOff.fewestDoubled.blipMs = 0;
  tradeOff.fewestDoubledScore = {500, 0, 0, 60, 0};
  const struct {
    const char* name;
    DeviceCounts counts;
    const Settings& settings;
    const ClickFit& fit;
    std::vector<std::wstring> expected;  // why | button
  } rows[] = {
      {"bouncing, not chosen, too few clicks recorded",
       bouncing,
       none,
       tooFew,
       {L"鼠标左键在 1000 次点击中抖动了 20 次（每千次 20.0），还没有修复 | 为鼠标左键开启修复",
        L"已记录 120 次点击；再点击 80 次后，这里会按你的点击给出建议间隔 | "}},
      {"chosen, and the fit does better",
       bouncing,
       left,
       better,
       {L"最近 3214 次点击：现在 41 次连击、7 次丢失；改用单击间隔 40 毫秒、释放间隔 40 毫秒、保护"
        L"间隔 30 毫秒、抖动时长 8 毫秒：0 次连击、0 次丢失 | 应用建议间隔"}},
      {"nothing better",
       bouncing,
       left,
       nothing,
       {L"最近 500 次点击：现在 1 次连击、0 次丢失，没有更好的设置 | "}},
      {"double clicks as fast as the bounces",
       bouncing,
       left,
       tradeOff,
       {L"最近 500 次点击：现在 1 次连击、0 次丢失，没有更好的设置 | ",
        L"你的双击和抖动一样快：改用单击间隔 100 毫秒、关闭释放修复、不按时长判断抖动会是 0 "
        L"次连击、"
        L"60 次丢失。"
        L"把双击放慢一点，或者考虑更换微动开关 | "}},
      {"chosen, the fit not come yet", bouncing, left, analysing, {L"正在分析… | "}},
      {"clean", DeviceCounts{}, left, better, {}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    HealthCounts kept;
    kept.devices[healthLeft] = row.counts;
    std::vector<std::string> got, expected;
    for (const HealthAdvice& a : healthAdvice(calibrate(kept), kept, row.settings, row.fit)) {
      got.push_back(text(a.why + L" | " + a.button));
    }
    for (const std::wstring& e : row.expected) expected.push_back(text(e));
    EXPECT_EQ(got, expected);
  }
}

// The test pad: the switch's left-button events as the hook saw them ('p' a press made off the
// pad) and what the pad's window received, read into rows, newest first, and the switch's lane
// with its bounces and openings marked ('*').
TEST(TestPad, ShowsWhatTheSwitchDidBesideWhatThePadReceived) {
  const struct {
    const char* name;
    std::vector<Step> hook, received;
    bool chosen;
    std::vector<std::wstring> rows;
    const char* marks;
    double nowMs = 15000;
    bool injectedLeftOut = false;  // the clicks are other programs' input, 模拟输入=0
  } rows[] = {
      {"a blip double, repaired",
       {{'P', 0}, {'R', 90}, {'P', 94}, {'R', 96}},
       {{'P', 0.2}, {'R', 90.2}},
       true,
       {L"鼠标左键：开关 按 90 松 4.0 按 2.0 松；程序 按 90 松（毫秒）。抖动已修复：吞掉 1 "
        L"次按下、1 "
        L"次松开"},
       "--**"},
      {"a blip double with the repair off: what the intervals in force would have done",
       {{'P', 0}, {'R', 90}, {'P', 94}, {'R', 96}},
       {{'P', 0.2}, {'R', 90.2}, {'P', 94.2}, {'R', 96.2}},
       false,
       {L"鼠标左键：开关 按 90 松 4.0 按 2.0 松；程序 按 90 松 4.0 按 2.0 "
        L"松（毫秒）。抖动漏过。按现在"
        L"的间隔开启修复：抖动已修复：吞掉 1 次按下、1 次松开"},
       "--**"},
      {"a held release, then a timed press, each where it went",
       {{'P', 0}, {'R', 30}, {'P', 200}, {'R', 260}, {'P', 290}, {'R', 380}},
       {{'P', 0.2}, {'R', 50}, {'P', 200.2}, {'R', 260.2}, {'P', 300}, {'R', 380.2}},
       true,
       {L"鼠标左键：开关 按 90 松；程序 10 按 80 松（毫秒）。干净",
        L"鼠标左键：开关 按 60 松；程序 按 60 松（毫秒）。干净",
        L"鼠标左键：开关 按 30 松；程序 按 50 松（毫秒）。干净"},
       "------"},
      {"a drag that opened, repaired",
       {{'P', 0}, {'R', 500}, {'P', 510}, {'R', 1000}},
       {{'P', 0.2}, {'R', 1020}},
       true,
       {L"鼠标左键：开关 按 500 松 10 按 490 松；程序 按 1020 松（毫秒）。按住时断开已修复：吞掉 1 "
        L"次按下、1 次松开"},
       "-**-"},
      {"a drag that opened, not repaired",
       {{'P', 0}, {'R', 500}, {'P', 510}, {'R', 1000}},
       {{'P', 0.2}, {'R', 500.2}, {'P', 510.2}, {'R', 1000.2}},
       true,
       {L"鼠标左键：开关 按 500 松 10 按 490 松；程序 按 500 松 10 按 490 "
        L"松（毫秒）。按住时断开未修复"},
       "-**-"},
      {"a click lost, and one made off the pad",
       {{'P', 0}, {'R', 90}, {'p', 600}, {'R', 700}},
       {},
       true,
       {L"鼠标左键：开关 按 90 松；程序 无（毫秒）。点击丢失"},
       "--"},
      {"a blip double of injected input left out: its source, and what the repair would do",
       {{'P', 0}, {'R', 90}, {'P', 94}, {'R', 96}},
       {{'P', 0.2}, {'R', 90.2}, {'P', 94.2}, {'R', 96.2}},
       true,
       {L"鼠标左键（模拟输入）：开关 按 90 松 4.0 按 2.0 松；程序 按 90 松 4.0 按 2.0 "
        L"松（毫秒）。抖动漏过。按现在的间隔开启修复：抖动已修复：吞掉 1 次按下、1 次松开"},
       "--**",
       15000,
       true},
      {"a click whose release has not reached the pad yet",
       {{'P', 0}, {'R', 30}},
       {{'P', 0.2}},
       true,
       {L"鼠标左键：开关 按 30 松；程序 按（毫秒）。判断中…"},
       "--",
       100},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto us = [](double ms) { return static_cast<std::uint64_t>((10000 + ms) * 1000); };
    PadRecord record;
    for (const Step& s : row.hook) {
      const ClickEvent e{us(s.ms), static_cast<std::uint32_t>(us(s.ms) / 1000), healthLeft,
                         s.kind != 'R'};
      record.switches.push_back(
          {e,
           s.kind == 'P',
           !row.injectedLeftOut,
           {row.injectedLeftOut ? SourceKind::injected : SourceKind::unknown, -1}});
    }
    for (const Step& s : row.received)
      record.received.push_back({us(s.ms), healthLeft, s.kind == 'P'});
    Settings settings;
    settings.leftButton = row.chosen;
    settings.clickRepair = settings.releaseRepair = 1;
    settings.clickInterval = 100;
    settings.releaseInterval = 50;
    std::vector<std::string> got, expected;
    std::string marks;
    const std::vector<PadClick> clicks = padClicks(record, repairChoiceOf(settings), us(row.nowMs));
    for (auto c = clicks.rbegin(); c != clicks.rend(); ++c) {
      got.push_back(text(padRow(*c, Language::chinese)));
      for (const PadMark& m : c->lanes[padSwitch]) marks += m.marked ? '*' : '-';
    }
    for (const std::wstring& e : row.rows) expected.push_back(text(e));
    EXPECT_EQ(got, expected);
    EXPECT_EQ(marks, row.marks);
  }
}

// At 96, 144 and 192 dpi on a small and a large screen: every part inside the content and apart,
// the client area inside the room the work area leaves; on the small screen at 192 dpi the
// charts shrink and, with two advice rows, the content scrolls rather than leave the screen.
TEST(HealthView, LayoutFitsAtEveryDpiOnSmallAndLargeScreens) {
  constexpr unsigned kEvery = (1u << healthDeviceCount) - 1;  // the middle and sides too
  const struct {
    int dpi, screenWidth, screenHeight;
    std::size_t advice;
    bool scroll;
    unsigned devices = kAlwaysShownDevices;
    bool pad = false;  // the test pad open
  } rows[] = {
      {96, 1024, 768, 2, false},
      {144, 1024, 768, 0, false},
      {144, 1024, 768, 2, false},
      {192, 1024, 768, 2, true},
      {96, 1920, 1080, 3, false},
      {144, 1920, 1080, 2, false},
      {192, 1920, 1080, 2, false},
      {96, 1024, 768, 2, false, kEvery},
      {96, 1920, 1080, 3, false, kEvery, true},
      {144, 1024, 768, 2, true, kAlwaysShownDevices, true},
      {192, 1920, 1080, 2, true, kAlwaysShownDevices, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.dpi) + " dpi, " + std::to_string(row.screenWidth) + "x" +
                 std::to_string(row.screenHeight) + ", " + std::to_string(row.advice) + " rows");
    // SimSun at 9 points, a window's frame and a taskbar, all at this DPI.
    const FontMetrics font{scaleForDpi(12, row.dpi), scaleForDpi(6, row.dpi)};
    const LayoutRect room{0, 0, row.screenWidth - scaleForDpi(6, row.dpi),
                          row.screenHeight - scaleForDpi(40 + 29, row.dpi)};
    const HealthLayout l =
        layoutHealthWindow(font, row.dpi, row.advice, room, row.devices, row.pad);
    EXPECT_TRUE(inside({0, 0, l.width, l.height}, room));
    EXPECT_EQ(l.contentHeight > l.height, row.scroll) << l.contentHeight << " " << l.height;
    const LayoutRect content{0, 0, l.width, l.contentHeight};
    std::vector<LayoutRect> parts;
    for (int d = 0; d < healthDeviceCount; ++d) {
      if (!((row.devices >> d) & 1)) continue;
      parts.push_back(l.figures[d]);
      parts.push_back(l.charts[d]);
    }
    parts.insert(parts.end(), l.adviceText.begin(), l.adviceText.end());
    parts.insert(parts.end(), l.adviceButtons.begin(), l.adviceButtons.end());
    parts.push_back(l.distribution);
    parts.push_back(l.close);
    parts.push_back(l.copyDiagnosis);
    parts.push_back(l.padToggle);
    if (row.pad)
      parts.insert(parts.end(), {l.padCaption, l.padClear, l.pad, l.padLanes, l.padList});
    EXPECT_EQ(l.adviceButtons.size(), row.advice);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      EXPECT_TRUE(inside(parts[i], content)) << i;
      EXPECT_GT(parts[i].width(), 0) << i;
      for (std::size_t j = i + 1; j < parts.size(); ++j) {
        EXPECT_FALSE(overlap(parts[i], parts[j])) << i << " overlaps " << j;
      }
    }
    EXPECT_GE(l.charts[0].width(), 2 * kChartDays) << "a bar a day";
    EXPECT_GE(l.distribution.height(), 6 * font.lineHeight) << "its caption, bars and scale";
  }
}

}  // namespace
