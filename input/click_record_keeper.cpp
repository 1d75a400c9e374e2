#include "input/click_record_keeper.h"

#include "input/button_machine.h"

namespace {
// Held back or timed, what the right press becomes is not known yet.
bool undecided(ButtonPhase phase) {
  return phase == ButtonPhase::pressHeld || phase == ButtonPhase::pressTimed;
}
}  // namespace

void ClickRecordKeeper::note(ClickRecord& record, int button, bool press, bool judged,
                             ButtonPhase rightPhase, std::uint32_t tick, std::uint64_t us) {
  if (waiting_ && !undecided(rightPhase)) {
    waiting_ = false;
    // The repairs judged it: a click, a drag, a bounce or a blip. Taken for the volume, by a
    // gesture, or let go while the hook was away, it was none.
    const bool judgedPress =
        rightPhase != ButtonPhase::unknown && rightPhase != ButtonPhase::pressTaken;
    if (judgedPress) {
      record.append(held_.button, true, held_.tick, held_.us);
    } else {
      skipRightRelease_ = true;
    }
  }
  if (button < 0) return;
  if (button == 1) {
    // A press means the release of the one left out was missed.
    const bool skip = skipRightRelease_;
    skipRightRelease_ = false;
    if (skip && !press) return;
  }
  if (!judged) return;
  if (waiting_) {
    waiting_ = false;
    record.append(held_.button, true, held_.tick, held_.us);
  }
  if (button == 1 && press && undecided(rightPhase)) {
    waiting_ = true;
    held_ = {us, tick, 1, true};
    return;
  }
  record.append(button, press, tick, us);
}
