// The input filter fed arbitrary event streams under arbitrary settings.
//
// Input layout (little-endian; a stream cut short ends there):
//   settings  u16 flags (bit 0 click repair, 1 release repair, 2 scroll repair, 3 left button,
//             4 right button, 5 wheel pass-through, 6 volume control, 7 gestures, 8 posting
//             a wheel succeeds, 9 the filter is switched off and on: releaseHeld, 10 middle
//             button, 11 back button, 12 forward button, 13 debug mode), i32 click interval,
//             i32 release interval, i32 scroll interval, u8 modifier choice (1..6, anything else
//             means Alt), u8 抖动时长 (modulo kLongestBlipMs + 1), u16 保护间隔 (1 + the value
//             modulo kLongestHoldGuardMs), u8 长按保护间隔 (0 unset, else 4 times the value, at
//             most kLongestHoldGuardMs), u16 拖动阈值 (kShortestDragThresholdMs + the value modulo
//             the bounds' span): each setting within the bounds loading gives it
//   then ops  one byte each: low nibble the kind, high nibble the step of the tick before it
//             (0, 1, 2, 3, 4, 10, 40, 49, 50, 51, 99, 100, 101, 300, 1000, 1001 ms)
//     0 move by i8 dx, i8 dy      1 left down    2 left up      3 right down   4 right up
//     5 the middle or a side button: u8, bits 0-1 which (middle, back, forward; 3 middle),
//       bit 2 down
//     6 wheel +120   7 wheel -120   8 wheel by i16 delta   9 horizontal wheel
//     10 set the held keys: u8 mask (Alt, Ctrl, Shift, left Windows, left and right button;
//        the two high bits: the timer's lateness, and both set: the system routes the wheel)
//     11 any event: i32 code, u32 message, i32 x, i32 y, u32 mouse data
//     12 the tick jumps by u32     13 new settings, read as above     14 move to i32 x, i32 y
//     15 a press or release with a non-zero hook code: u8, low 2 bits the event, the rest
//        the code less one
//
// The stream is what a hand does: each button's own events alternate down and up. A press op
// for a button that is down first sends its release at the same tick (and a release op for a
// button that is up its press), so a stream never has two presses of a button in a row.
// The desktop's timer runs each wake-up the filter asks for when it is due, late by 0, 3, 16
// or 70 ms as op 10's two high bits say.
//
// The properties, as applications see the five buttons (what the filter passed plus what it
// delivered, a delivery made during an event coming after that event):
// - Each button's presses and releases alternate. Before a button's first event reaches them
//   its state is unknown, so that first event may be a release.
// - Once a button is up and its hold has run out, applications see it up (plus the timer's
//   lateness); and they see every button that is up as up right after releaseHeld. A hold ends
//   at the later of the last stamped press + the release interval and the release + the
//   guard's window (the longest of 保护间隔, 长按保护间隔, kOpeningWaitMs and 抖动时长), and
//   never past the release + kMaxHoldMs; a release that waits behind a timed press goes out
//   within 抖动时长 of it.
// - A wake-up is asked for 1 to kMaxHoldMs ahead; only button messages are delivered, and only
//   of a button one of whose events was swallowed before. A button never chosen is swallowed
//   only while a press is timed (the right button also for the gesture and the volume).
// - No "Button state bug" line: the button machine met no event it has no transition for.
// - Events with a non-zero hook code and messages the filter does not handle pass; a move is
//   swallowed only when a held-back right press is delivered in its place (a drag begins), or
//   while a press is timed: then it and the middle and side buttons' events wait behind it.
// - A wheel notch that was posted or turned into a volume command is swallowed, and one that
//   was swallowed was either posted, taken for the volume, or dropped by scroll repair.
// - The repairs count at most the two events of a bounce pair, and only in a swallowed event or
//   in a button's event after a press of it they judged late (a press held back while its
//   length is measured); one they count is neither posted, nor taken for the volume, nor a
//   gesture's end. Events that waited behind a timed press are counted with their button's next
//   decision, so that one may count more; but no event is ever counted twice.
// - A gesture's press asks once for the gesture key to be masked, a wheel notch with a volume
//   key on the keyboard held at most once, and nothing else does.
// - The gesture text never exceeds 25 letters and is always terminated where its length says;
//   a queued command is 1 to 25 letters U, R, D or L.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "gesture/tracker.h"
#include "input/input_filter.h"
#include "input/null_platform.h"
#include "settings/settings.h"

namespace {

[[noreturn]] void failed(const char* what, std::uint32_t tick, const wchar_t* line = L"") {
  std::fprintf(stderr, "filter_fuzz: at tick %u: %s%ls\n", tick, what, line);
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

void readSettings(Reader& in, Settings& s, bool& postSucceeds, bool& switchOff) {
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
  switchOff = bit(9) != 0;
  s.middleButton = bit(10);
  s.xButton1 = bit(11);
  s.xButton2 = bit(12);
  s.debugMode = bit(13);
  s.clickInterval = in.i32();
  s.releaseInterval = in.i32();
  s.scrollInterval = in.i32();
  s.modifierChoice = in.u8();
  s.blipLength = in.u8() % (kLongestBlipMs + 1);
  s.holdGuardInterval = 1 + in.u16() % kLongestHoldGuardMs;
  s.longHoldGuardInterval = std::min(4 * in.u8(), kLongestHoldGuardMs);
  s.dragThreshold = kShortestDragThresholdMs +
                    in.u16() % (kLongestDragThresholdMs - kShortestDragThresholdMs + 1);
  const ModifierKeys keys = ModifierKeyChoice(s.modifierChoice);
  s.gestureKey = keys.gestureKey;
  s.volumeKey = keys.volumeKey;
}

constexpr std::uint32_t kKeys[6] = {vk::alt,         vk::control,    vk::shift,
                                    vk::leftWindows, vk::leftButton, vk::rightButton};
constexpr std::uint32_t kLateBy[4] = {0, 3, 16, 70};
constexpr std::uint32_t kMaxLate = 70;

// The five buttons' messages as the hook is handed them, in the order of MouseButton; an X
// button's names it in the high word of the mouse data.
struct ButtonMessages {
  std::uint32_t down, up, data;
};
constexpr ButtonMessages kMessages[kButtonCount] = {
    {mouse_message::leftDown, mouse_message::leftUp, 0},
    {mouse_message::rightDown, mouse_message::rightUp, 0},
    {mouse_message::middleDown, mouse_message::middleUp, 0},
    {mouse_message::xButtonDown, mouse_message::xButtonUp, mouse_message::xButton1Data << 16},
    {mouse_message::xButtonDown, mouse_message::xButtonUp, mouse_message::xButton2Data << 16}};
constexpr Flag Settings::*kChosen[kButtonCount] = {&Settings::leftButton, &Settings::rightButton,
                                                   &Settings::middleButton, &Settings::xButton1,
                                                   &Settings::xButton2};

// The button an event is of, or -1 (an X button message that names neither side button).
int buttonOf(std::uint32_t message, std::uint32_t mouseData) {
  for (int i = 0; i < kButtonCount; ++i) {
    const ButtonMessages& m = kMessages[i];
    const bool named = m.data == 0 || (mouseData & 0xFFFF0000u) == m.data;
    if ((message == m.down || message == m.up) && named) return i;
  }
  return -1;
}
bool isPress(std::uint32_t m) {
  return m == mouse_message::leftDown || m == mouse_message::rightDown ||
         m == mouse_message::middleDown || m == mouse_message::xButtonDown;
}

// Holds the keys the stream says and records what the filter asked of it for one call.
class StreamPlatform final : public NullInputPlatform {
 public:
  std::uint8_t heldMask = 0;
  bool postSucceeds = true;
  std::uint32_t tick = 0;
  // Per call:
  bool posted = false;
  bool volumeSent = false;
  int commandsQueued = 0;
  int masks = 0;
  // A timed press, what waited behind it (a press let go late goes out with the release before
  // it) and every button's held release: at most this many in one call.
  static constexpr int kMostDeliveries = 2 * kWaitingEvents + 2 * kButtonCount;
  struct Delivery {
    int button;
    bool press;
  };
  Delivery delivered[kMostDeliveries] = {};
  int deliveredCount = 0;
  bool wakeAsked = false;
  std::uint32_t wakeDelay = 0;

  void clear() {
    posted = volumeSent = wakeAsked = false;
    commandsQueued = masks = deliveredCount = 0;
  }
  bool held(std::uint32_t virtualKey) const {
    for (int i = 0; i < 6; ++i) {
      if (kKeys[i] == virtualKey && (heldMask >> i) & 1) return true;
    }
    return false;
  }
  bool isKeyHeld(std::uint32_t virtualKey) override { return held(virtualKey); }
  // As libinput's tests abort on its debouncer's bug line.
  void printText(const char* format, const wchar_t* text) override {
    if (std::strncmp(format, "Button state bug", 16) == 0) failed("Button state bug: ", tick, text);
    if (std::strncmp(format, "command:", 8) == 0) checkCommand(text);
  }
  bool postWheel(std::int32_t, std::int32_t, std::uint32_t) override {
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
  bool deliverButton(MouseButton button, bool press) override {
    if (deliveredCount == kMostDeliveries) failed("too many deliveries in one call", tick);
    delivered[deliveredCount++] = {static_cast<int>(button), press};
    return true;
  }
  void wakeAfter(std::uint32_t delayMs) override {
    if (delayMs == 0 || delayMs > static_cast<std::uint32_t>(kMaxHoldMs)) {
      failed("a wake-up asked for outside 1 to kMaxHoldMs", tick);
    }
    wakeAsked = true;
    wakeDelay = delayMs;
  }
  void maskGestureKey() override { ++masks; }
  bool systemRoutesWheelToCursor() override { return (heldMask >> 6) == 3; }

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

// A button as the hand holds it and as applications have been shown it.
struct Button {
  bool down = false;
  bool released = false;  // it has been let go at least once
  // When applications must see it up if it stays up: a release is held until its deadline,
  // and a press swallowed by a gesture leaves an earlier held release owed.
  std::uint64_t upBy = 0;
  bool shown = false;  // an event of it has reached applications
  bool shownDown = false;
  bool everChosen = false;  // the settings chose it at some time in the stream
  int swallowed = 0;        // its events swallowed and not delivered since
};

// The press stamp the release filter measures from: each press of a chosen button that does not
// begin a gesture (the left and right buttons share one). Before the first, no release is a
// bounce.
struct Stamp {
  bool set = false;
  std::uint64_t clock = 0;
};

struct Stream {
  Settings settings;
  FilterState state;
  GestureTracker gesture;
  StreamPlatform platform;
  InputFilter filter{settings, state, gesture, platform};
  // The clock never wraps; the tick the filter is given is its low 32 bits.
  std::uint64_t clock = 0;
  std::int32_t x = 0, y = 0;
  std::uint32_t lateBy = 0;
  bool waking = false;
  std::uint64_t wakeClock = 0;
  Button buttons[kButtonCount];
  Stamp stamps[kButtonCount];  // the left's serves the right too
  // Button events so far, those that waited behind a timed press, and what the repairs counted.
  std::uint64_t buttonEvents = 0, waited = 0, counted = 0;

  std::uint32_t now() const { return static_cast<std::uint32_t>(clock); }
  void expect(bool condition, const char* what) const {
    if (!condition) failed(what, now());
  }
  bool chosen(int which) const { return (settings.*kChosen[which]) != 0; }
  void settingsRead() {
    for (int i = 0; i < kButtonCount; ++i) buttons[i].everChosen |= chosen(i);
  }
  Stamp& stampOf(int which) { return stamps[which == 1 ? 0 : which]; }
  // A press is timed, or events wait behind one.
  bool timing() const {
    bool timed = state.buttons.waitingCount > 0;
    for (const ButtonState& b : state.buttons.at) timed |= b.phase == ButtonPhase::pressTimed;
    return timed;
  }

  void show(int which, bool down) {
    Button& b = buttons[which];
    if (b.shown) {
      expect(b.shownDown != down, "applications got two presses or two releases in a row");
    }
    b.shown = true;
    b.shownDown = down;
  }
  // What the filter asked of the desktop in the call just made at `at`.
  void afterCall(std::uint64_t at) {
    for (int i = 0; i < platform.deliveredCount; ++i) {
      const StreamPlatform::Delivery d = platform.delivered[i];
      Button& b = buttons[d.button];
      if (b.swallowed == 0) {
        expect(b.everChosen, "a button was delivered that was not chosen");
        expect(false, "a button was delivered that no event of it was swallowed for");
      }
      --b.swallowed;
      show(d.button, d.press);
    }
    if (platform.wakeAsked) {
      waking = true;
      wakeClock = at + platform.wakeDelay + lateBy;
    }
    expect(platform.masks == 0, "the gesture key was masked without a gesture");
  }
  // The desktop's timer runs every wake-up due by `until`.
  void wakeUntil(std::uint64_t until) {
    while (waking && wakeClock <= until) {
      waking = false;
      const std::uint64_t at = wakeClock;
      platform.tick = static_cast<std::uint32_t>(at);
      platform.clear();
      filter.onTimer({static_cast<std::uint32_t>(at), at * 1000});
      afterCall(at);
    }
  }
  void expectUpOnceHeldLongEnough() const {
    for (const Button& b : buttons) {
      if (!b.down && b.released && clock > b.upBy + kMaxLate) {
        expect(!b.shownDown, "a button let go long ago is still down for applications");
      }
    }
  }

  // How long a release of `which` at `clock` may be held; `timing`: it may wait behind a timed
  // press first, and goes out at the latest when that press has been down 抖动时长.
  std::int64_t holdBound(int which, bool timing) {
    const std::int64_t interval = settings.releaseInterval;
    const Stamp& stamp = stampOf(which);
    const std::uint64_t sinceStamp = clock - stamp.clock;
    std::int64_t hold =
        std::max<std::int64_t>({settings.holdGuardInterval, settings.longHoldGuardInterval,
                                kOpeningWaitMs, settings.blipLength});
    if (!stamp.set) {
      // Only the hold guard holds a release.
    } else if (sinceStamp >= 0x80000000u) {
      // The filter's 32-bit gap no longer says how long ago the stamp was.
      if (interval > hold) hold = interval;
    } else if (interval - static_cast<std::int64_t>(sinceStamp) > hold) {
      hold = interval - static_cast<std::int64_t>(sinceStamp);
    }
    hold = std::min<std::int64_t>(hold, kMaxHoldMs);
    return timing ? std::max<std::int64_t>(hold, settings.blipLength) : hold;
  }

  void send(const MouseEvent& e) {
    const Settings& s = settings;
    const bool gestureHeld = s.gestures && platform.held(s.gestureKey);
    wakeUntil(clock);
    expectUpOnceHeldLongEnough();
    const bool timing = this->timing();
    const int which = e.code == 0 ? buttonOf(e.message, e.mouseData) : -1;
    const bool press = isPress(e.message);
    if (which >= 0) {
      Button& b = buttons[which];
      b.down = press;
      if (b.down && chosen(which) && !(which == 1 && gestureHeld)) stampOf(which) = {true, clock};
      if (!b.down) {
        const std::uint64_t hold = static_cast<std::uint64_t>(holdBound(which, timing));
        if (!b.released || b.upBy < clock + hold) b.upBy = clock + hold;
        b.released = true;
      }
    }
    platform.tick = now();
    platform.clear();

    const Decision decision = filter.decide(e, {now(), clock * 1000});
    const bool swallowed = decision.verdict == Verdict::swallow;

    if (which >= 0 && !swallowed) show(which, press);
    if (which >= 0 && swallowed) ++buttons[which].swallowed;
    const int masks = platform.masks;
    platform.masks = 0;
    afterCall(clock);
    // The hand holds the volume key, or the volume button, whose press may never have
    // reached the system.
    const std::uint32_t volumeKey = s.volumeKey;
    const bool volumeButton = volumeKey == vk::leftButton || volumeKey == vk::rightButton;
    const bool volume = s.volumeControl && (platform.held(volumeKey) ||
                                            (volumeKey == vk::leftButton && buttons[0].down) ||
                                            (volumeKey == vk::rightButton && buttons[1].down));
    if (e.code == 0 && e.message == mouse_message::rightDown && gestureHeld) {
      expect(masks == 1, "a gesture's press did not ask once for the key to be masked");
    } else if (e.code == 0 && e.message == mouse_message::wheel && volume && !volumeButton) {
      expect(masks <= 1, "a volume notch asked more than once for the key to be masked");
    } else {
      expect(masks == 0, "the gesture key was masked without a gesture");
    }
    if (e.code != 0) {
      expect(!swallowed, "an event with a non-zero hook code was swallowed");
    } else if (e.message == mouse_message::wheel) {
      if (platform.posted) expect(swallowed, "a posted wheel notch was also passed on");
      if (platform.volumeSent) expect(swallowed, "a volume notch was also passed on");
      if (swallowed) {
        expect(platform.posted || volume || s.scrollRepair,
               "a wheel notch was swallowed and not delivered");
      }
    } else if (e.message == mouse_message::move && swallowed) {
      expect(timing || (buttons[1].down && platform.deliveredCount == 1 &&
                        platform.delivered[0].button == 1 && platform.delivered[0].press),
             "a move was swallowed other than to deliver a held-back right press before it");
    } else if (which < 0) {
      expect(!swallowed, "an event the filter does not handle was swallowed");
    } else if (which != 1 && !buttons[which].everChosen) {
      // The right button is held back for the volume and taken by gestures, chosen or not.
      expect(!swallowed || timing, "a button never chosen was swallowed while nothing was timed");
    }
    buttonEvents += which >= 0;
    waited += which >= 0 && swallowed && timing;
    counted += which >= 0 ? decision.repaired : 0;
    expect(decision.repaired <= 2 + 2 * waited &&
               (swallowed || decision.repaired == 0 || which >= 0) && counted <= buttonEvents,
           "the repairs counted more events than they swallowed");
    if (decision.repaired != 0) {
      expect(!platform.posted && !platform.volumeSent && platform.commandsQueued == 0,
             "an event the repairs swallowed also went somewhere");
    }
    if (platform.commandsQueued != 0) {
      expect(e.code == 0 && e.message == mouse_message::rightUp && gestureHeld,
             "a command was queued other than at the end of a gesture");
    }
    expect(gesture.length <= kMaxGestureLetters, "the gesture text is past its bound");
    expect(gesture.text[gesture.length] == L'\0', "the gesture text is not terminated");
    expect(std::wcslen(gesture.text) == gesture.length, "the gesture length is wrong");
  }

  // The hand presses or lets go; a button already that way is first moved the other way.
  void button(int which, bool down) {
    const ButtonMessages& m = kMessages[which];
    if (buttons[which].down == down) send({0, down ? m.up : m.down, x, y, m.data});
    send({0, down ? m.down : m.up, x, y, m.data});
  }
  void send(std::uint32_t message, std::uint32_t mouseData = 0) {
    send(MouseEvent{0, message, x, y, mouseData});
  }
  void releaseHeld() {
    platform.clear();
    filter.releaseHeld();
    afterCall(clock);
    for (const Button& b : buttons) {
      if (!b.down) expect(!b.shownDown, "releaseHeld left a button that is up down");
    }
  }
  void finish() {
    clock += kMaxHoldMs + kMaxLate + 1;
    wakeUntil(clock);
    expectUpOnceHeldLongEnough();
  }
};

std::uint32_t wheelData(std::int16_t delta) {
  return static_cast<std::uint32_t>(static_cast<std::uint16_t>(delta)) << 16;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  Stream s;
  bool switchOff = false;
  readSettings(in, s.settings, s.platform.postSucceeds, switchOff);
  s.settingsRead();
  using namespace mouse_message;
  while (!in.done()) {
    const std::uint8_t op = in.u8();
    s.clock += kTickSteps[op >> 4];
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
      case 2:
      case 3:
      case 4:
        s.button((op & 0x0F) >= 3, (op & 1) != 0);
        break;
      case 5: {
        const std::uint8_t which = in.u8();
        s.button(2 + (which & 3) % 3, (which & 4) != 0);
        break;
      }
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
        s.lateBy = kLateBy[s.platform.heldMask >> 6];
        break;
      case 11: {
        // Made whole, so that its button's message is read as the hook reads it; a braced list
        // takes the input in order.
        const MouseEvent e{in.i32(), in.u32(), in.i32(), in.i32(), in.u32()};
        const int which = e.code == 0 ? buttonOf(e.message, e.mouseData) : -1;
        if (which >= 0) {
          s.button(which, isPress(e.message));
        } else {
          s.send(e);
        }
        break;
      }
      case 12:
        s.clock += in.u32();
        break;
      case 13:
        readSettings(in, s.settings, s.platform.postSucceeds, switchOff);
        s.settingsRead();
        // A release waiting behind a timed press is judged under the settings of its turn.
        if (s.state.buttons.waitingCount > 0) {
          for (Button& b : s.buttons) b.upBy = std::max(b.upBy, s.clock + kMaxHoldMs);
        }
        if (switchOff) s.releaseHeld();
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
  s.finish();
  return 0;
}
