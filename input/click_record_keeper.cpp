#include "input/click_record_keeper.h"

#include "input/button_machine.h"

void ClickRecordKeeper::note(ClickRecord& record, int button, bool press, bool judged,
                             ButtonPhase rightPhase, std::uint32_t tick, std::uint64_t us) {
  if (waiting_ && rightPhase != ButtonPhase::pressHeld) {
    waiting_ = false;
    // Applications were shown the press: it was a click or a drag. Taken for the volume, by a
    // gesture, or let go while the hook was away, it was none.
    const bool shown = rightPhase == ButtonPhase::down || rightPhase == ButtonPhase::up ||
                       rightPhase == ButtonPhase::releaseHeld ||
                       rightPhase == ButtonPhase::releaseGuarded;
    if (shown) {
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
  if (button == 1 && press && rightPhase == ButtonPhase::pressHeld) {
    waiting_ = true;
    held_ = {us, tick, 1, true};
    return;
  }
  record.append(button, press, tick, us);
}
