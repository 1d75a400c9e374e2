// The settings with every feature on, both buttons chosen, the gesture and volume keys on Alt:
// the benchmarks measure each path under them; the unit tests start from them.
#pragma once

#include <initializer_list>

#include "settings/settings.h"

inline Settings everyFeatureOn() {
  Settings s;
  for (Flag Settings::*on :
       {&Settings::clickRepair, &Settings::releaseRepair, &Settings::scrollRepair,
        &Settings::leftButton, &Settings::rightButton, &Settings::wheelPassThrough,
        &Settings::volumeControl, &Settings::gestures, &Settings::showIcon}) {
    s.*on = 1;
  }
  s.clickInterval = 100;
  s.releaseInterval = 50;
  s.scrollInterval = 50;
  s.modifierChoice = 1;
  const ModifierKeys keys = ModifierKeyChoice(1);
  s.gestureKey = keys.gestureKey;
  s.volumeKey = keys.volumeKey;
  return s;
}
