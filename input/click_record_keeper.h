// Which of the hook's button events go into the click record: those the repairs judged, which
// the switch health's replay judges again. A gesture's press and release, and every event of a
// pause or of a program with rule 2, never met the repairs and are left out. A right press held
// back (快捷键=5) or timed waits until it shows what it is:
//   "held back, then a click or a drag"   P(0)....R(300)   P kept with its own times, then R
//   "held back, then the volume"          P(0)..notch..R   neither kept
//   "timed, then the volume"              R(0)P(20)::::notch..R   neither kept
//   "held back, then the hook away"       P(0)..reinstall  neither kept: its release is unseen
// An event of another button while the press waits goes in behind it: the record stays in order.
#pragma once

#include <cstdint>

#include "input/click_record.h"

enum class ButtonPhase : std::uint8_t;

class ClickRecordKeeper {
 public:
  // After each event the filter decided: `button` its device (0 left, 1 right, 2 middle, 3 and
  // 4 the side buttons), -1 any other event;
  // `judged` whether the repairs judged it; `rightPhase` the right button's phase after it, as
  // ButtonStates::phaseAfterWaiting reads it.
  void note(ClickRecord& record, int button, bool press, bool judged, ButtonPhase rightPhase,
            std::uint32_t tick, std::uint64_t us);

 private:
  bool waiting_ = false;  // a held-back or timed right press, not yet in the record
  ClickEvent held_;
  bool skipRightRelease_ = false;  // the release of a press left out
};
