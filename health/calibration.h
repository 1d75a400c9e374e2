// What the counts say about each button's switch, and the intervals that would have repaired
// it. Portable: the switch health window shows it and acts on it.
//
// A button is worth choosing when it chattered at least kChooseChatter times and at least once
// in 1000 presses over the days kept. Each interval is fitted to what its repair swallows:
// - 单击间隔: the press filter swallows a press that comes less than the interval after the
//   press before. Fitted to the chatter presses' gaps from the press before, against the
//   deliberate presses' gaps.
// - 释放间隔: the release filter holds a release that comes more than 2 ms and less than the
//   interval after its press, and swallows it with a press that follows within the hold.
//   Fitted to how long the press before each bounced release was held, against, for each
//   deliberate press, the longer of its release's press time and its gap.
// Each is the smallest bucket bound that would have swallowed at least 99 % of that chatter
// and at most 1 in 1000 deliberate presses. Chatter after a press held longer than any
// interval (kLongestFitMs) is an opening in the middle of a drag: the hold guard's, fitted
// by neither.
//   worn switch bouncing 1-15 ms    choose; 单击间隔 just over its longest bounce
//   fast double clicker             no value does both: what each choice would cost
//   drag with openings mid-hold     choose; the hold guard's, no interval
//   clean switch                    nothing
#pragma once

#include <cstdint>

#include "input/switch_counter.h"

constexpr std::uint32_t kChooseChatter = 3;
constexpr int kLongestFitMs = 512;

struct IntervalFit {
  bool needed = false;  // chatter this repair swallows was seen
  bool found = false;   // one value swallows 99 % of it and at most 1 in 1000 deliberate presses
  int ms = 0;           // found: that value; else the smallest that swallows 99 % of the chatter
  std::uint32_t lostPerMille = 0;   // deliberate presses in 1000 that `ms` swallows
  int safeMs = 0;                   // not found: the largest value within 1 in 1000 (0: none)
  std::uint32_t caughtPercent = 0;  // not found: the chatter that safeMs swallows
};

struct ButtonAdvice {
  bool choose = false;
  std::uint32_t guardChatter = 0;  // chatter in the middle of a hold: the hold guard's
  IntervalFit click;               // 单击间隔
  IntervalFit release;             // 释放间隔
};

struct Calibration {
  ButtonAdvice buttons[2];  // left, right
};

Calibration calibrate(const HealthCounts& kept);
