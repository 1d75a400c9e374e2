// A seeded mix of one hand's left-button clicks on a worn switch, and the judge of what a window
// made of it. The unit tests replay it through the filter; the end-to-end test injects it.
//
// 240 episodes, 300 to 700 ms apart: 55 % single clicks held 45 to 140 ms; 15 % double clicks
// (each held 40 to 80 ms, 35 to 90 ms from release to the next press); 15 % drags held 0.3 to
// 1.5 s; 15 % bursts of four clicks 110 to 160 ms apart, each held 40 to 60 ms. 35 % of the
// clicks are worn: half bounce right after the press (a release 1 to 5 ms after it, a press 1 to
// 3 ms later), half after the release (a press 1 to 6 ms after it, released 1 to 3 ms later);
// 60 % of the worn drags also open for 2 to 15 ms in the middle of the hold.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "health/click_judgement.h"

namespace corpus {

struct Event {
  std::uint64_t us;
  bool press;
};

struct Click {
  std::uint64_t pressUs, releaseUs;  // the hand's
};

struct Episode {
  std::vector<Click> clicks;
  std::uint64_t endUs;  // the next episode's start
};

struct Corpus {
  std::vector<Event> events;  // every physical event, in order
  std::vector<Episode> episodes;
};

struct Mix {
  int wornPercent = 35;
  // Double clicks: release to the next press, in ms.
  int doubleGapLow = 35, doubleGapHigh = 90;
  // A bounce after the release: release to its press, in ms.
  int releaseBounceLow = 1, releaseBounceHigh = 6;
  // A worn drag's opening in the middle of the hold, in ms.
  int openingLow = 2, openingHigh = 15;
};

class Random {
 public:
  explicit Random(std::uint32_t seed) : engine_(seed) {}
  // A whole number from low to high, both included (the engine's output is the same everywhere).
  std::uint64_t between(std::uint64_t low, std::uint64_t high) {
    return low + engine_() % (high - low + 1);
  }
  bool percent(int p) { return static_cast<int>(engine_() % 100) < p; }

 private:
  std::mt19937 engine_;
};

inline Corpus make(std::uint32_t seed = 28, const Mix& mix = {}, int episodes = 240) {
  Random random(seed);
  Corpus out;
  std::uint64_t t = 10'000'000;  // 10 s after the clock's start
  const auto ms = [&](int low, int high) {
    return random.between(static_cast<std::uint64_t>(low) * 1000,
                          static_cast<std::uint64_t>(high) * 1000);
  };
  for (int e = 0; e < episodes; ++e) {
    Episode episode;
    const int kind = static_cast<int>(random.between(0, 99));
    const bool drag = kind >= 70 && kind < 85;
    int clicks = 1;
    if (kind >= 55 && kind < 70) clicks = 2;
    if (kind >= 85) clicks = 4;
    std::uint64_t press = t;
    for (int c = 0; c < clicks; ++c) {
      std::uint64_t hold = ms(45, 140);
      if (clicks == 2) hold = ms(40, 80);
      if (clicks == 4) hold = ms(40, 60);
      if (drag) hold = ms(300, 1500);
      const std::uint64_t release = press + hold;
      out.events.push_back({press, true});
      if (random.percent(mix.wornPercent)) {
        if (drag && random.percent(60)) {
          const std::uint64_t open = press + random.between(hold / 4, hold * 3 / 4);
          out.events.push_back({open, false});
          out.events.push_back({open + ms(mix.openingLow, mix.openingHigh), true});
        }
        if (random.percent(50)) {
          const std::uint64_t up = press + ms(1, 5);
          out.events.push_back({up, false});
          out.events.push_back({up + ms(1, 3), true});
          out.events.push_back({release, false});
        } else {
          out.events.push_back({release, false});
          const std::uint64_t down = release + ms(mix.releaseBounceLow, mix.releaseBounceHigh);
          out.events.push_back({down, true});
          out.events.push_back({down + ms(1, 3), false});
        }
      } else {
        out.events.push_back({release, false});
      }
      episode.clicks.push_back({press, release});
      if (clicks == 2) press = release + ms(mix.doubleGapLow, mix.doubleGapHigh);
      if (clicks == 4) press += ms(110, 160);
    }
    t = out.events.back().us + ms(300, 700);
    episode.endUs = t;
    out.episodes.push_back(episode);
  }
  // A drag's opening may come after a bounce at its press: the events in time order.
  std::stable_sort(out.events.begin(), out.events.end(),
                   [](const Event& a, const Event& b) { return a.us < b.us; });
  return out;
}

// The tick counter at `us`: every millisecond (Wine), or in 15.625 ms steps (Windows).
inline std::uint32_t tickAt(std::uint64_t us, bool windowsClock) {
  if (!windowsClock) return static_cast<std::uint32_t>(us / 1000);
  return static_cast<std::uint32_t>(us / 15625 * 15625 / 1000);
}

struct Judged {
  int clean = 0, lost = 0;
  std::string unclean;  // each episode that was not, for a failure's message
};

// An episode is clean when each of its clicks is, as the fit judges a click: exactly one press
// of it reached the window, and no release after it before the finger let go. A click is lost
// when no press of it reached the window though it came 40 ms or more after the switch's
// previous release: sooner, it is one no filter can tell from a bounce. `shown`: what the window
// saw, in order.
inline Judged judge(const Corpus& corpus, const std::vector<Event>& shown) {
  Judged out;
  std::vector<ShownClick> window;
  for (const Event& e : shown) window.push_back({e.us, 0, e.press});
  std::size_t at = 0, physical = 0;
  std::uint64_t releaseUs = 0;
  bool released = false;
  for (const Episode& episode : corpus.episodes) {
    bool clean = true;
    while (at < shown.size() && shown[at].us < episode.clicks.front().pressUs) ++at;
    const std::size_t first = at;
    for (std::size_t c = 0; c < episode.clicks.size(); ++c) {
      const Click& click = episode.clicks[c];
      for (; physical < corpus.events.size() && corpus.events[physical].us < click.pressUs;
           ++physical) {
        if (!corpus.events[physical].press) releaseUs = corpus.events[physical].us, released = true;
      }
      const std::uint64_t until =
          c + 1 < episode.clicks.size() ? episode.clicks[c + 1].pressUs : episode.endUs;
      const ClickJudgement j = judgeClick({click.pressUs, click.releaseUs}, until, window, 0, at);
      if (j.presses == 0 && (!released || click.pressUs - releaseUs >= kBounceUs)) ++out.lost;
      clean = clean && j.clean();
    }
    if (clean) {
      ++out.clean;
      continue;
    }
    // "at 12.345 s: P0 R52 P57 R60 | shown P0 R80", in ms from the episode's first press.
    const std::uint64_t start = episode.clicks.front().pressUs;
    out.unclean += "at " + std::to_string(start / 1000) + " ms:";
    for (const Event& e : corpus.events) {
      if (e.us >= start && e.us < episode.endUs) {
        out.unclean += (e.press ? " P" : " R") + std::to_string((e.us - start) / 1000);
      }
    }
    out.unclean += " | shown";
    for (std::size_t i = first; i < at; ++i) {
      out.unclean += (shown[i].press ? " P" : " R") + std::to_string((shown[i].us - start) / 1000);
    }
    out.unclean += "\n";
  }
  return out;
}

}  // namespace corpus
