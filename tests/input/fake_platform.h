// A recording stand-in for the desktop under the input filter, and the fixture the filter's
// tests share.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "input/input_filter.h"
#include "input/null_platform.h"
#include "tests/support/every_feature_on.h"

// A side button's messages as the tables and `delivered` write them: which one in the high word,
// as the hook's mouse data carries it. An up message is its down message plus one.
namespace side_button {
constexpr std::uint32_t x1Down = mouse_message::xButtonDown | 1u << 16, x1Up = x1Down + 1;
constexpr std::uint32_t x2Down = mouse_message::xButtonDown | 2u << 16, x2Up = x2Down + 1;
}  // namespace side_button

inline std::uint32_t buttonMessage(MouseButton button, bool press) {
  const std::uint32_t down[] = {mouse_message::leftDown, mouse_message::rightDown,
                                mouse_message::middleDown, side_button::x1Down,
                                side_button::x2Down};
  return down[static_cast<int>(button)] + (press ? 0u : 1u);
}

struct FakeInputPlatform : NullInputPlatform {
  std::set<std::uint32_t> held;
  bool postSucceeds = true;
  std::vector<std::string> lines;
  struct Posted {
    std::int32_t x, y;
    std::uint32_t wParam;
  };
  std::vector<Posted> posted;
  std::vector<std::uint32_t> volume;
  std::vector<std::wstring> commands;

  int keyReads = 0;
  bool isKeyHeld(std::uint32_t virtualKey) override {
    ++keyReads;
    return held.count(virtualKey) != 0;
  }
  void print(const char* format, std::int32_t value) override {
    std::string line = format;
    line.replace(line.find("%d"), 2, std::to_string(value));
    lines.push_back(line);
  }
  void printText(const char* format, const wchar_t* text) override {
    std::string line = format;
    line.replace(line.find("%S"), 2, std::string(text, text + std::wcslen(text)));
    lines.push_back(line);
  }
  bool postWheel(std::int32_t x, std::int32_t y, std::uint32_t wParam) override {
    posted.push_back({x, y, wParam});
    return postSucceeds;
  }
  void sendVolume(std::int32_t, std::int32_t, std::uint32_t command) override {
    volume.push_back(command);
  }
  void queueGestureCommand(const wchar_t* text) override { commands.push_back(text); }
  std::function<void()> whileDelivering;  // Wine asks the hook about it before ours goes in
  std::vector<std::uint32_t> delivered;
  int refusals = 0;            // deliveries the system refuses before it takes one again
  std::uint32_t refusing = 0;  // the one message refused, or 0 for any
  bool deliverButton(MouseButton button, bool press) override {
    const std::uint32_t message = buttonMessage(button, press);
    if (refusals > 0 && (refusing == 0 || refusing == message)) {
      --refusals;
      return false;
    }
    if (whileDelivering) std::exchange(whileDelivering, nullptr)();
    delivered.push_back(message);
    return true;
  }
  // Written as a move naming x in the high word, as a side button's message names it.
  void placePointer(std::int32_t x, std::int32_t) override {
    delivered.push_back(mouse_message::move | static_cast<std::uint32_t>(x) << 16);
  }
  std::vector<std::uint32_t> wakeRequests;
  void wakeAfter(std::uint32_t delayMs) override { wakeRequests.push_back(delayMs); }
  int masks = 0;
  void maskGestureKey() override { ++masks; }
  bool routesWheel = false;
  bool systemRoutesWheelToCursor() override { return routesWheel; }
};

// Every feature on, no button chosen.
inline Settings defaultSettings() {
  Settings s = everyFeatureOn();
  s.leftButton = 0;
  s.rightButton = 0;
  return s;
}

// The performance counter going with a tick counter that steps every millisecond from `origin`.
inline ClockReading atTick(std::uint32_t tick, std::uint32_t origin = 0) {
  return {tick, std::uint64_t{tick - origin} * 1000};
}

inline std::uint32_t wheelData(std::int16_t delta) {
  return static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta)) << 16;
}

// The decisions the tables expect: P passed; S swallowed for no fault of the mouse (held back,
// a gesture, volume, pass-through); S1 one event a repair swallowed; S2 a bounce pair, the held
// release and this press.
constexpr Decision P{Verdict::pass, 0};
constexpr Decision S{Verdict::swallow, 0};
constexpr Decision S1{Verdict::swallow, 1};
constexpr Decision S2{Verdict::swallow, 2};

inline void PrintTo(const Decision& d, std::ostream* os) {
  *os << (d.verdict == Verdict::pass ? "pass" : "swallow") << ", repaired "
      << static_cast<int>(d.repaired);
}

// The filter on this desktop, every feature on and no button chosen.
class FilterFixture : public ::testing::Test {
 protected:
  Settings settings = defaultSettings();
  FilterState state;
  GestureTracker gesture;
  FakeInputPlatform platform;
  InputFilter filter{settings, state, gesture, platform};

  Decision at(std::uint32_t tick, std::uint32_t message, std::int32_t x = 100, std::int32_t y = 100,
              std::uint32_t mouseData = 0) {
    return filter.decide({0, message, x, y, mouseData}, atTick(tick));
  }
};
