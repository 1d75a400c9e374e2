#include "health/click_judgement.h"

std::vector<HandClick> handClicks(const std::vector<ClickEvent>& events, int button,
                                  std::uint64_t blipUs, std::uint32_t& bounces) {
  std::vector<HandClick> out;
  // The click being read: pending while its closures are all short, a hand's once one is long.
  enum class Reading { nothing, pending, hand } reading = Reading::nothing;
  HandClick click;
  std::uint32_t pendingClosures = 0;
  // The next press's gap is measured from `anchor`: the hand's release, or within a click's
  // leading bounces the latest of them. A bounce after the hand's release moves neither.
  std::uint64_t anchor = kNever, handRelease = kNever;
  bool down = false;
  std::uint64_t downUs = 0;
  const auto since = [](std::uint64_t us, std::uint64_t then) {
    return then == kNever || us < then ? kNever : us - then;
  };
  const auto start = [&](std::uint64_t pressUs) {
    if (reading == Reading::hand) out.push_back(click);
    if (reading == Reading::pending) bounces += pendingClosures;
    click = {pressUs, kNever, since(pressUs, handRelease)};
    reading = Reading::pending;
    pendingClosures = 0;
  };
  // One closure, [pressUs, releaseUs], kNever where the record ends with it down.
  const auto closure = [&](std::uint64_t pressUs, std::uint64_t releaseUs) {
    const bool hand = releaseUs == kNever || releaseUs - pressUs >= blipUs;
    const std::uint64_t gap = since(pressUs, anchor);
    const bool afterDrag =
        reading == Reading::hand && click.releaseUs - click.pressUs >= kDragHoldUs;
    const bool continues =
        reading != Reading::nothing && (gap < kDoubtUs || (afterDrag && gap < kBounceUs));
    if (!continues) {
      // Short, and soon after the hand let go: the switch closing again behind the release.
      if (!hand && reading == Reading::hand && since(pressUs, handRelease) < kBounceUs) {
        ++bounces;
        return;
      }
      start(pressUs);
    }
    if (hand) {
      if (reading == Reading::pending) bounces += pendingClosures;
      reading = Reading::hand;
      pendingClosures = 0;
      click.releaseUs = handRelease = anchor = releaseUs;
    } else if (reading == Reading::pending) {
      ++pendingClosures;
      anchor = releaseUs;
    } else {
      ++bounces;  // an opening in a hold, or a bounce right after the release
    }
  };
  for (const ClickEvent& e : events) {
    if (e.button != button) continue;
    if (e.press) {
      if (!down) downUs = e.us;  // a second press: the record missed a release; one closure
      down = true;
    } else if (down) {
      closure(downUs, e.us >= downUs ? e.us : downUs);
      down = false;
    } else {
      anchor = handRelease = e.us;  // its press came before the record began
    }
  }
  if (down) closure(downUs, kNever);
  start(kNever);
  return out;
}

ClickJudgement judgeClick(const HandClick& click, std::uint64_t untilUs,
                          const std::vector<ShownClick>& shown, int button, std::size_t& at) {
  ClickJudgement out;
  bool releaseSeen = false;
  for (; at < shown.size() && shown[at].us < untilUs; ++at) {
    const ShownClick& s = shown[at];
    if (s.button != button || s.us < click.pressUs) continue;
    if (s.press) {
      if (++out.presses == 1) out.delayUs += s.us - click.pressUs;
      continue;
    }
    if (out.presses == 0) continue;  // the previous click's, let go late
    if (s.us < click.releaseUs) out.earlyRelease = true;
    if (!releaseSeen && click.releaseUs != kNever && s.us > click.releaseUs) {
      out.delayUs += s.us - click.releaseUs;
    }
    releaseSeen = true;
  }
  return out;
}
