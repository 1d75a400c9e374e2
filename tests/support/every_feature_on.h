// The settings with every feature on, both buttons chosen, the gesture and volume keys on Alt:
// the benchmarks measure each path under them; the unit tests start from them.
#pragma once

#include "settings/settings.h"

inline Settings everyFeatureOn() {
  Settings s;
  s.clickRepair = 1;
  s.releaseRepair = 1;
  s.scrollRepair = 1;
  s.leftButton = 1;
  s.rightButton = 1;
  s.wheelPassThrough = 1;
  s.volumeControl = 1;
  s.gestures = 1;
  s.showIcon = 1;
  s.clickInterval = 100;
  s.releaseInterval = 50;
  s.scrollInterval = 50;
  s.modifierChoice = 1;
  const ModifierKeys keys = ModifierKeyChoice(1);
  s.gestureKey = keys.gestureKey;
  s.volumeKey = keys.volumeKey;
  return s;
}
