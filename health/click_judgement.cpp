#include "health/click_judgement.h"

std::vector<HandClick> handClicks(const std::vector<ClickEvent>& events, int button,
                                  std::uint64_t blipUs, std::uint32_t& bounces) {
  std::vector<HandClick> out;
  HandClick click;
  bool open = false;      // `click` gathers closures
  bool handLong = false;  // one of them is long enough to be the hand's
  std::uint32_t closures = 0;
  bool down = false;
  std::uint64_t downUs = 0, releaseUs = 0;
  bool released = false;
  const auto close = [&] {
    if (!open) return;
    if (handLong) {
      out.push_back(click);
      bounces += closures - 1;
    } else {
      bounces += closures;
    }
    open = false;
  };
  for (const ClickEvent& e : events) {
    if (e.button != button) continue;
    if (e.press) {
      // A press while down: the record missed a release, and the closure before it was long.
      if (open && down) handLong = true;
      const std::uint64_t gap = released && e.us >= releaseUs ? e.us - releaseUs : kNever;
      if (!open || gap >= kDoubtUs) {
        close();
        click = {e.us, kNever, gap};
        open = true;
        handLong = false;
        closures = 0;
      }
      ++closures;
      down = true;
      downUs = e.us;
      continue;
    }
    // A release whose press came before the record began ends no closure of it.
    if (open && down && e.us >= downUs && e.us - downUs >= blipUs) {
      click.releaseUs = e.us;
      handLong = true;
    }
    down = false;
    released = true;
    releaseUs = e.us;
  }
  // Still down where the record ends: how long is not known, so it is taken for the hand's.
  if (open && down) {
    click.releaseUs = kNever;
    handLong = true;
  }
  close();
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
