// The desktop under the input filter, doing nothing: a key is never held, every post and
// delivery succeeds. The switch health's replay and the tests' stand-ins override only what
// they watch, so a new platform call is added here once.
#pragma once

#include "input/input_filter.h"

class NullInputPlatform : public InputPlatform {
 public:
  bool isKeyHeld(std::uint32_t) override { return false; }
  void print(const char*, std::int32_t) override {}
  void printText(const char*, const wchar_t*) override {}
  bool postWheel(std::int32_t, std::int32_t, std::uint32_t) override { return true; }
  void sendVolume(std::int32_t, std::int32_t, std::uint32_t) override {}
  void queueGestureCommand(const wchar_t*) override {}
  bool deliverButton(MouseButton, bool) override { return true; }
  void placePointer(std::int32_t, std::int32_t) override {}
  void wakeAfter(std::uint32_t) override {}
  void maskGestureKey() override {}
  DragSize dragSize() override { return {4, 4}; }
  bool systemRoutesWheelToCursor() override { return false; }
};
