// What the hand did with a button, and whether applications saw it so: the one judgement of a
// click that the fit scores its candidates by and that the corpus tests judge a window by.
//
// A click is clean when exactly one press of it reached applications, and no release of it
// before the hand let go. Each hand click owns what was shown of its button from its press up
// to the hand's next press:
//   hand   P(0)-------R(90) P(94)R(96)          P(600)
//   shown  P(0)-------R(90)                     "clean: the bounce's release is not the hand's"
//   shown  P(0)-------R(90) P(94)R(96)          "two presses"
//   shown  P(0)--R(2)---------R(90)             "a release before the hand let go"
//   shown  (nothing)                            "lost"
//
// Where only the switch's own record is known, the hand's clicks are read from it by two
// measures. Length: a closure shorter than the blip length is a bounce wherever it falls (contact
// bounce lasts 0.5 to 6 ms; a hand holds a click far longer); a click's release is that of its
// last closure long enough to be the hand's, and closures all that short make no click. Gap: a
// closure less than kDoubtUs after the click's release is the same click (an opening in a drag,
// a bounce at the release), as is one after the click's own leading bounces (a bounce at the
// press), and one less than kBounceUs after a hold of kDragHoldUs or longer (a drag's opening: no
// hand presses again that soon after so long a hold); a short one less than kBounceUs after the
// hand let go is a bounce too. A long one kDoubtUs to kBounceUs after a click may be either (see
// health/what_if.h). A bounce's release never
// stands for the hand's, nor does the next press's gap count from it (blip length 10 ms):
//   "a bounce at the press"        P(0)R(2) P(4)----R(90)         one click, let go at 90
//   "a bounce at the release"      P(0)-----R(90) P(94)R(96)      one click, let go at 90
//   "an opening in a drag"         P(0)-R(500) P(510)----R(1000)  one drag, let go at 1000
//   "a long opening in a drag"     P(0)-R(500) P(535)----R(1000)  one drag, let go at 1000
//   "a bounce between two clicks"  P(0)--R(48) P(83)R(85) P(89)--R(144)
//                                  two clicks, the second pressed at 89, 41 ms after 48
//   "a bounce far from any click"  P(0)R(3)                       a bounce, no click
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "input/click_record.h"

// One line between a bounce and a hand by the gap after the button's release: less than
// kBounceUs is a bounce (the fastest deliberate double clicks leave about 47 ms between release
// and press; worn switches bounce mostly 5 to 15 ms after it, a few up to 40). Between kDoubtUs
// and the line a press may be either.
constexpr std::uint64_t kBounceUs = 40000;
constexpr std::uint64_t kDoubtUs = 30000;
// In 480 clicks of real people's timing 6 % of holds last over 250 ms, and no hand pressed again
// within kBounceUs after one of them.
constexpr std::uint64_t kDragHoldUs = 250000;
constexpr std::uint64_t kNever = UINT64_MAX;

struct HandClick {
  std::uint64_t pressUs = 0;
  std::uint64_t releaseUs = kNever;  // still held where the record ends
  std::uint64_t gapUs = kNever;      // from the button's release before it; kNever: none seen
  bool doubtful() const { return gapUs >= kDoubtUs && gapUs < kBounceUs; }
};

// What applications were shown, in order.
struct ShownClick {
  std::uint64_t us;
  int button;
  bool press;
};

struct ClickJudgement {
  int presses = 0;
  bool earlyRelease = false;
  // How much later than the hand applications saw the press, and the release where it came
  // after the hand let go: what the repairs held back of the click.
  std::uint64_t delayUs = 0;
  bool clean() const { return presses == 1 && !earlyRelease; }
};

// The hand's clicks of `button` in a timeline of both buttons, in order. `blipUs`: a closure
// shorter than this is a bounce. `bounces` counts the presses that begin no click.
std::vector<HandClick> handClicks(const std::vector<ClickEvent>& events, int button,
                                  std::uint64_t blipUs, std::uint32_t& bounces);

// Judges `click` by what `shown` holds of `button` from its press up to `untilUs` (the hand's
// next press); `at` walks `shown` from one click to the next and is left at `untilUs`.
ClickJudgement judgeClick(const HandClick& click, std::uint64_t untilUs,
                          const std::vector<ShownClick>& shown, int button, std::size_t& at);
