// The input filter fed arbitrary event streams under arbitrary settings.
//
// Input layout (little-endian; a stream cut short ends there):
//   settings  u16 flags (bit 0 click repair, 1 release repair, 2 scroll repair, 3 left button,
//             4 right button, 5 wheel pass-through, 6 volume control, 7 gestures, 8 posting
//             a wheel succeeds), i32 click interval, i32 release interval, i32 scroll interval,
//             u8 modifier choice (1..6, anything else means Alt)
//   then ops  one byte each: low nibble the kind, high nibble the step of the tick before it
//             (0, 1, 2, 3, 4, 10, 40, 49, 50, 51, 99, 100, 101, 300, 1000, 1001 ms)
//     0 move by i8 dx, i8 dy      1 left down    2 left up      3 right down   4 right up
//     5 middle down   6 wheel +120   7 wheel -120   8 wheel by i16 delta   9 horizontal wheel
//     10 set the held keys: u8 mask (Alt, Ctrl, Shift, left Windows, left and right button)
//     11 any event: i32 code, u32 message, i32 x, i32 y, u32 mouse data
//     12 the tick jumps by u32     13 new settings, read as above     14 move to i32 x, i32 y
//     15 a press or release with a non-zero hook code: u8, low 2 bits the event, the rest
//        the code less one
//
// The properties, where gap(t) is the signed 32-bit difference t - (tick of the last examined
// press), and the last examined press starts as the tick of the first call (the filter stamps
// it then). A press is examined when it reaches the press filter: a left or right press with
// hook code 0, its button chosen, click repair on, and not a right press that starts a gesture.
// - An examined press is swallowed exactly when gap < clickInterval; so a press whose gap is at
//   least clickInterval is never swallowed. Gaps are signed: a press 2^31 ms or more after the
//   last reads as a negative gap, as it does for the tick arithmetic of the system.
// - A release of a chosen button with release repair on is swallowed exactly when
//   2 < gap < releaseInterval; so a release within 2 ms of the last examined press (gap <= 2,
//   a negative gap included) is never swallowed.
// - Any other press or release is passed, except the right button's while the gesture key is
//   held with gestures on, which is swallowed; moves, other messages and events with a
//   non-zero hook code are passed.
// - A wheel notch that was posted or turned into a volume command is swallowed, and one that
//   was swallowed was either posted, taken for the volume, or dropped by scroll repair.
// - The gesture text never exceeds 25 letters and is always terminated where its length says;
//   a queued command is 1 to 25 letters U, R, D or L.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#include "gesture/tracker.h"
#include "input/input_filter.h"
#include "settings/settings.h"

namespace {

[[noreturn]] void failed(const char* what, std::uint32_t tick) {
  std::fprintf(stderr, "filter_fuzz: at tick %u: %s\n", tick, what);
  std::abort();
}

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool done() const { return at_ >= size_; }
  std::uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t u16() { return static_cast<std::uint16_t>(u8() | (u8() << 8)); }
  std::uint32_t u32() {
    const std::uint32_t low = u16();
    return low | (static_cast<std::uint32_t>(u16()) << 16);
  }
  std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void readSettings(Reader& in, Settings& s, bool& postSucceeds) {
  const std::uint16_t flags = in.u16();
  auto bit = [&](int n) -> std::uint8_t { return (flags >> n) & 1; };
  s.clickRepair = bit(0);
  s.releaseRepair = bit(1);
  s.scrollRepair = bit(2);
  s.leftButton = bit(3);
  s.rightButton = bit(4);
  s.wheelPassThrough = bit(5);
  s.volumeControl = bit(6);
  s.gestures = bit(7);
  postSucceeds = bit(8) != 0;
  s.clickInterval = in.i32();
  s.releaseInterval = in.i32();
  s.scrollInterval = in.i32();
  s.modifierChoice = in.u8();
  const ModifierKeys keys = ModifierKeyChoice(s.modifierChoice);
  s.gestureKey = keys.gestureKey;
  s.volumeKey = keys.volumeKey;
}

constexpr std::uint32_t kKeys[6] = {vk::alt,         vk::control,    vk::shift,
                                    vk::leftWindows, vk::leftButton, vk::rightButton};

// Holds the keys the stream says and records what the filter asked of it for one event.
class StreamPlatform final : public InputPlatform {
 public:
  std::uint8_t heldMask = 0;
  bool postSucceeds = true;
  std::uint32_t tick = 0;
  // Per event:
  bool posted = false;
  bool volumeSent = false;
  int commandsQueued = 0;

  bool held(std::uint32_t virtualKey) const {
    for (int i = 0; i < 6; ++i) {
      if (kKeys[i] == virtualKey && (heldMask >> i) & 1) return true;
    }
    return false;
  }
  bool isKeyHeld(std::uint32_t virtualKey) override { return held(virtualKey); }
  std::uint32_t mouseKeyState() override { return heldMask & 0x7F; }
  void print(const char*, std::int32_t) override {}
  void printText(const char*, const wchar_t* text) override { checkCommand(text); }
  bool postWheel(std::int32_t, std::int32_t, std::uint32_t, std::uint32_t) override {
    posted = postSucceeds;
    return postSucceeds;
  }
  void sendVolume(std::int32_t, std::int32_t, std::uint32_t command) override {
    if (command != app_command::volumeUp && command != app_command::volumeDown) {
      failed("an unknown volume command was sent", tick);
    }
    volumeSent = true;
  }
  void queueGestureCommand(const wchar_t* text) override {
    checkCommand(text);
    ++commandsQueued;
  }
  void deliverButton(std::uint32_t) override {}
  void wakeAfter(std::uint32_t) override {}
  void maskGestureKey() override {}
  bool systemRoutesWheelToCursor() override { return false; }

 private:
  void checkCommand(const wchar_t* text) const {
    const std::size_t length = std::wcslen(text);
    if (length == 0 || length > kMaxGestureLetters) failed("a command of bad length", tick);
    for (std::size_t i = 0; i < length; ++i) {
      if (!std::wcschr(L"URDL", text[i])) failed("a command holds a non-direction", tick);
    }
  }
};

constexpr std::uint32_t kTickSteps[16] = {0,  1,  2,  3,   4,   10,  40,   49,
                                          50, 51, 99, 100, 101, 300, 1000, 1001};

bool isPress(std::uint32_t m) {
  return m == mouse_message::leftDown || m == mouse_message::rightDown;
}
bool isRelease(std::uint32_t m) {
  return m == mouse_message::leftUp || m == mouse_message::rightUp;
}
bool isRight(std::uint32_t m) {
  return m == mouse_message::rightDown || m == mouse_message::rightUp;
}

struct Stream {
  Settings settings;
  FilterState state;
  GestureTracker gesture;
  StreamPlatform platform;
  InputFilter filter{settings, state, gesture, platform};
  std::uint32_t now = 0;
  std::int32_t x = 0, y = 0;
  bool called = false;
  std::uint32_t lastExaminedPress = 0;

  void expect(bool condition, const char* what) const {
    if (!condition) failed(what, now);
  }

  void send(const MouseEvent& e) {
    const Settings& s = settings;
    const bool gestureHeld = s.gestures && platform.held(s.gestureKey);
    if (!called) {
      lastExaminedPress = now;
      called = true;
    }
    platform.tick = now;
    platform.posted = false;
    platform.volumeSent = false;
    platform.commandsQueued = 0;

    const bool swallowed = filter.decide(e, now) == Verdict::Swallow;

    const std::int32_t gap = tickGap(now, lastExaminedPress);
    const bool chosen = isRight(e.message) ? s.rightButton != 0 : s.leftButton != 0;
    if (e.code != 0) {
      expect(!swallowed, "an event with a non-zero hook code was swallowed");
    } else if (isRight(e.message) && gestureHeld) {
      expect(swallowed, "a right button event of a gesture was passed");
    } else if (isPress(e.message) && chosen && s.clickRepair) {
      if (gap >= s.clickInterval)
        expect(!swallowed, "a press clickInterval or more apart was swallowed");
      if (gap < s.clickInterval) expect(swallowed, "a press within clickInterval was passed");
      lastExaminedPress = now;
    } else if (isRelease(e.message) && chosen && s.releaseRepair) {
      if (gap <= 2) expect(!swallowed, "a release within 2 ms of the last press was swallowed");
      const bool bounce = gap > 2 && gap < s.releaseInterval;
      expect(swallowed == bounce, "a release was judged against the wrong interval");
    } else if (e.message == mouse_message::wheel) {
      if (platform.posted) expect(swallowed, "a posted wheel notch was also passed on");
      if (platform.volumeSent) expect(swallowed, "a volume notch was also passed on");
      const bool volume = s.volumeControl && platform.held(s.volumeKey);
      if (swallowed) {
        expect(platform.posted || volume || s.scrollRepair,
               "a wheel notch was swallowed and not delivered");
      }
    } else {
      expect(!swallowed, "an event the filter does not handle was swallowed");
    }
    if (platform.commandsQueued != 0) {
      expect(e.code == 0 && e.message == mouse_message::rightUp && gestureHeld,
             "a command was queued other than at the end of a gesture");
    }
    expect(gesture.length <= kMaxGestureLetters, "the gesture text is past its bound");
    expect(gesture.text[gesture.length] == L'\0', "the gesture text is not terminated");
    expect(std::wcslen(gesture.text) == gesture.length, "the gesture length is wrong");
  }

  void send(std::uint32_t message, std::uint32_t mouseData = 0) {
    send(MouseEvent{0, message, x, y, mouseData});
  }
};

std::uint32_t wheelData(std::int16_t delta) {
  return static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta)) << 16;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  Stream s;
  readSettings(in, s.settings, s.platform.postSucceeds);
  using namespace mouse_message;
  while (!in.done()) {
    const std::uint8_t op = in.u8();
    s.now += kTickSteps[op >> 4];
    switch (op & 0x0F) {
      case 0: {
        const auto dx = static_cast<std::int8_t>(in.u8());
        const auto dy = static_cast<std::int8_t>(in.u8());
        // Wrapping like the 32-bit coordinates a hook may be handed.
        s.x = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.x) + dx);
        s.y = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.y) + dy);
        s.send(move);
        break;
      }
      case 1:
        s.send(leftDown);
        break;
      case 2:
        s.send(leftUp);
        break;
      case 3:
        s.send(rightDown);
        break;
      case 4:
        s.send(rightUp);
        break;
      case 5:
        s.send(middleDown);
        break;
      case 6:
        s.send(wheel, wheelData(120));
        break;
      case 7:
        s.send(wheel, wheelData(-120));
        break;
      case 8:
        s.send(wheel, wheelData(static_cast<std::int16_t>(in.u16())));
        break;
      case 9:
        s.send(horizontalWheel, wheelData(120));
        break;
      case 10:
        s.platform.heldMask = in.u8();
        break;
      case 11: {
        MouseEvent e{};
        e.code = in.i32();
        e.message = in.u32();
        e.x = in.i32();
        e.y = in.i32();
        e.mouseData = in.u32();
        s.send(e);
        break;
      }
      case 12:
        s.now += in.u32();
        break;
      case 13:
        readSettings(in, s.settings, s.platform.postSucceeds);
        break;
      case 14:
        s.x = in.i32();
        s.y = in.i32();
        s.send(move);
        break;
      case 15: {
        constexpr std::uint32_t kButtons[4] = {leftDown, leftUp, rightDown, rightUp};
        const std::uint8_t which = in.u8();
        s.send(MouseEvent{1 + (which >> 2), kButtons[which & 3], s.x, s.y, 0});
        break;
      }
    }
  }
  return 0;
}
