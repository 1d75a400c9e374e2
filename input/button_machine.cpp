#include "input/button_machine.h"

#include <cstddef>
#include <initializer_list>

#include "common/win32_values.h"

namespace {
const wchar_t* phaseName(ButtonPhase phase) {
  static const wchar_t* const kPhases[] = {L"unknown",     L"down",           L"up",
                                           L"releaseHeld", L"releaseGuarded", L"pressSwallowed",
                                           L"pressHeld",   L"pressTimed",     L"pressTaken"};
  static_assert(sizeof kPhases / sizeof kPhases[0] ==
                static_cast<int>(ButtonPhase::pressTaken) + 1);
  return kPhases[static_cast<int>(phase)];
}

bool holdsRelease(ButtonPhase phase) {
  return phase == ButtonPhase::releaseHeld || phase == ButtonPhase::releaseGuarded;
}
bool holdsRelease(const ButtonState& b) {
  return holdsRelease(b.phase);
}

std::uint64_t milliseconds(std::int32_t ms) {
  return ms > 0 ? static_cast<std::uint64_t>(ms) * 1000 : 0;
}
}  // namespace

// A press soon after its button's release may be the contact closing again for a few
// milliseconds: it is timed before it is judged (see timesPress), and judged as at its own time
// once it has stayed down long enough to be a hand's (settle). Meanwhile every other button
// event waits behind it (input/waiting_events.cpp).
Decision ButtonMachine::press(MouseButton button, bool chosen, bool holdBack,
                              const MouseEvent& event, ClockReading now) {
  const std::uint32_t before = delivered_;
  // The hook missed the timed press's release: it was a hand's, and this press comes behind it
  // and behind what waited for it.
  if (states_[button].phase == ButtonPhase::pressTimed) settle(button);
  if (states_.waitingCount > 0) letGoDue(now);
  if (mustWait(now)) return waitBehind({now, event, chosen, holdBack});
  return pressInTurn(button, chosen, holdBack, event, now, delivered_ != before);
}

// `late`: something went out as ours before it, so that passed it would overtake that.
Decision ButtonMachine::pressInTurn(MouseButton button, bool chosen, bool holdBack,
                                    const MouseEvent& event, ClockReading now, bool late) {
  ButtonState& b = states_[button];
  if (timesPress(button, chosen, now)) {
    // The wake-up is late: the held release goes out before the press is timed. A release the
    // system refuses now is dropped: the press stands in for its button held.
    if (holdsRelease(b) && now.us >= b.deadlineUs && !letGo(button)) {
      setPhase(button, ButtonPhase::down);
      return counted(b, {Verdict::swallow, 0});
    }
    b.beneath = b.phase;
    setPhase(button, ButtonPhase::pressTimed);
    b.pressTick = now.tick;
    b.pressTime = event.time;
    b.pressUs = now.us;
    b.holdBack = holdBack;
    if (button == MouseButton::right) {
      states_.heldPressX = event.x;
      states_.heldPressY = event.y;
    }
    letGoDue(now);
    return {Verdict::swallow, 0};
  }
  Decision decision = judgePress(button, chosen, holdBack, event.x, event.y, now);
  if (late && decision.verdict == Verdict::pass) {
    deliver(button, true);
    decision.verdict = Verdict::swallow;
  }
  return counted(b, decision);
}

// Inside a held release, or within kBlipWindowUs of the release (the guard's window is inside
// the release it holds). A press the hook sees first, or long after, passes at once.
bool ButtonMachine::timesPress(MouseButton button, bool chosen, ClockReading now) {
  const ButtonState& b = states_[button];
  if (!chosen || settings_.blipLength <= 0 || !b.released) return false;
  switch (b.phase) {
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      if (now.us < b.deadlineUs) return true;
      break;
    case ButtonPhase::up:
      break;
    case ButtonPhase::unknown:
    case ButtonPhase::down:
    case ButtonPhase::pressSwallowed:
    case ButtonPhase::pressHeld:
    case ButtonPhase::pressTaken:
      return false;
    case ButtonPhase::pressTimed:  // press() settled it
      impossible(button, L"press");
      return false;
  }
  return now.us - b.releaseUs < kBlipWindowUs;
}

// The timed press has stayed down for 抖动时长 (or something else showed it a hand's): it is
// judged at its own time, on what it came in, and what it swallowed is counted with its
// button's next decision. True when its press was delivered now.
bool ButtonMachine::settle(MouseButton button) {
  ButtonState& b = states_[button];
  setPhase(button, b.beneath);
  const Decision decision = judgePress(button, true, b.holdBack, states_.heldPressX,
                                       states_.heldPressY, {b.pressTick, b.pressUs});
  b.owed = static_cast<std::uint8_t>(b.owed + decision.repaired);
  if (decision.verdict == Verdict::swallow) return false;
  deliver(button, true);
  return true;
}

bool ButtonMachine::deliver(MouseButton button, bool press) {
  if (!platform_.deliverButton(button, press)) return false;
  ++delivered_;
  return true;
}

Decision ButtonMachine::counted(ButtonState& b, Decision decision) {
  decision.repaired = static_cast<std::uint8_t>(decision.repaired + b.owed);
  b.owed = 0;
  return decision;
}

// The press as the repairs judge it at `at`, in the button's phase.
Decision ButtonMachine::judgePress(MouseButton button, bool chosen, bool holdBack, std::int32_t x,
                                   std::int32_t y, ClockReading at) {
  ButtonState& b = states_[button];
  const Verdict verdict = chosen ? pressFilter(button, at) : Verdict::pass;
  bool late = false;
  switch (b.phase) {
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      // The bounce's press: it and the held release stay swallowed, and applications go on
      // seeing the button down. A bounce pair the release filter holds prints no guard line.
      if (chosen && at.us < b.deadlineUs) {
        if (b.phase == ButtonPhase::releaseGuarded) {
          const std::int32_t gap = tickGap(at.tick, b.releaseTick);
          platform_.print("Hold guard:\t%d\n", gap);
          // The wait after a long hold caught the switch opening: it is worn.
          if (!b.guardArmed) platform_.print("Hold guard armed:\t%d\n", gap);
          b.guardArmed = true;
        }
        setPhase(button, ButtonPhase::down);
        return {Verdict::swallow, 2};
      }
      // The wake-up is late (or the button is no longer chosen): this press passing now would
      // reach applications before the release we inject, so both go out as our own, in order.
      // A release the system refuses now is dropped: the press stands in for its button held.
      if (!letGo(button)) {
        setPhase(button, ButtonPhase::down);
        return {Verdict::swallow, 0};
      }
      late = true;
      break;
    case ButtonPhase::up:
      if (chosen) armHoldGuard(b, at);
      break;
    case ButtonPhase::unknown:
    case ButtonPhase::down:            // the hook missed its release (a program with higher
    case ButtonPhase::pressSwallowed:  // rights took it): this press is judged as any other
    case ButtonPhase::pressHeld:
    case ButtonPhase::pressTaken:
      break;
    case ButtonPhase::pressTimed:  // settled before it is judged
      impossible(button, L"press");
      break;
  }
  if (verdict == Verdict::swallow) {
    setPhase(button, ButtonPhase::pressSwallowed);
    return {Verdict::swallow, 1};
  }
  if (button == MouseButton::right && holdBack) {
    setPhase(button, ButtonPhase::pressHeld);
    b.downTick = at.tick;
    b.downUs = at.us;
    states_.heldPressX = x;
    states_.heldPressY = y;
    return {Verdict::swallow, 0};
  }
  setPhase(button, ButtonPhase::down);
  b.downTick = at.tick;
  b.downUs = at.us;
  if (!late) return {Verdict::pass, 0};
  deliver(button, true);
  return {Verdict::swallow, 0};
}

// A worn switch opens for a few milliseconds in the middle of a drag, long after the last press,
// where the press filter cannot see it. A release followed within the guard's window (保护间隔) by
// a press of the same button (with the release repair on) has shown the switch worn: from then
// on each release of the button is held for that window, and a press within it is swallowed
// with it. This first bounce has already reached applications as a release, so its press goes
// on as the filter judges it. An armed guard delays that button's releases and nothing else.
void ButtonMachine::armHoldGuard(ButtonState& b, ClockReading now) {
  if (!settings_.releaseRepair || b.guardArmed) return;
  const std::int64_t since = sinceUs(now, b.releaseTick, b.releaseUs);
  if (insideInterval(since, settings_.holdGuardInterval)) {
    b.guardArmed = true;
    platform_.print("Hold guard armed:\t%d\n", static_cast<std::int32_t>(since / 1000));
  }
}

// The guard's window for a release: 保护间隔 after a click; after a hold longer than 拖动阈值,
// 长按保护间隔 once the guard is armed, and before that kOpeningWaitMs (or 抖动时长).
std::uint64_t ButtonMachine::guardWindowUs(const ButtonState& b, bool longHold) const {
  const std::int32_t guard = settings_.holdGuardInterval;
  if (!longHold) return milliseconds(guard);
  const std::int32_t blip = settings_.blipLength;
  if (!b.guardArmed) return milliseconds(blip > kOpeningWaitMs ? blip : kOpeningWaitMs);
  const std::int32_t longer = settings_.longHoldGuardInterval;
  return milliseconds(longer > guard ? longer : guard);
}

// A release within the release interval of the stamp is a bounce candidate, however soon it
// comes (a press, a 2 ms bounce and its press often read the same tick). It is held back, not
// dropped: swallowed now and let go at the later of stamp + interval and release + the guard's
// window, unless a press of the same button comes first. A bounce's press follows its release
// within a few milliseconds, inside that window; a deliberate second click comes later, so holds
// end as early as that allows and double clicks stay two clicks.
Decision ButtonMachine::release(MouseButton button, bool chosen, const MouseEvent& event,
                                ClockReading now) {
  ButtonState& b = states_[button];
  const std::uint32_t before = delivered_;
  if (b.phase == ButtonPhase::pressTimed) {
    if (endsInBlip(button, event, now)) {
      letGoDue(now);
      return counted(b, {Verdict::swallow, 2});
    }
    // A hand's click the timer has not settled yet: its press goes out first, then what waited
    // behind it, and then this release, as the release of a held-back press.
    settle(button);
  }
  if (states_.waitingCount > 0) letGoDue(now);
  if (mustWait(now)) return waitBehind({now, event, chosen, false});
  return releaseInTurn(button, chosen, now, delivered_ != before);
}

// Let go before 抖动时长: the contact closed for a moment, and the hand never pressed. It and its
// release reach no one and leave the button as they found it.
bool ButtonMachine::endsInBlip(MouseButton button, const MouseEvent& release, ClockReading at) {
  ButtonState& b = states_[button];
  const std::uint64_t length = at.us - b.pressUs;
  if (length >= milliseconds(settings_.blipLength) ||
      tickGap(release.time, b.pressTime) >= kStalledClickTicks) {
    return false;
  }
  platform_.print("Contact blip:\t%d\n", static_cast<std::int32_t>(length));
  setPhase(button, b.beneath);
  return true;
}

// `heldPress`: something went out as ours before it (its own press, held back or timed), so
// that it goes out as ours too, behind that.
Decision ButtonMachine::releaseInTurn(MouseButton button, bool chosen, ClockReading now,
                                      bool heldPress) {
  ButtonState& b = states_[button];
  b.releaseTick = now.tick;
  b.releaseUs = now.us;
  b.released = true;
  switch (b.phase) {
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      // Only a missed press makes two releases in a row; the held one stands for both.
      return counted(b, {Verdict::swallow, 1});
    case ButtonPhase::pressHeld:
      // A held-back right press ends as a click: the press goes first, then the release as the
      // filter judges it, delivered by us too so that it cannot overtake the press.
      letGo(button);
      heldPress = true;
      break;
    case ButtonPhase::unknown:  // a release whose press the hook never saw passes: no button
    case ButtonPhase::down:     // is left held
    case ButtonPhase::up:
    case ButtonPhase::pressSwallowed:
    case ButtonPhase::pressTaken:
      break;
    case ButtonPhase::pressTimed:  // release() settled it, or took it for a blip
      impossible(button, L"release");
      break;
  }
  const bool repair = chosen && settings_.releaseRepair;
  const std::int32_t interval = settings_.releaseInterval;  // read once: a reload may change it
  bool bounce = false;
  const Stamp stamp = stampOf(button);
  if (repair && stamp.set) {
    const std::int64_t since = sinceUs(now, stamp.tick, stamp.us);
    bounce = insideInterval(since, interval);
    if (bounce) platform_.print("ReleaseTime:\t%d\n", static_cast<std::int32_t>(since / 1000));
  }
  // A drag's drop: one comparison more on the release's path.
  const bool longHold =
      repair && b.phase == ButtonPhase::down &&
      !insideInterval(sinceUs(now, b.downTick, b.downUs), settings_.dragThreshold);
  // Applications never saw the press (the press filter, a gesture or volume took it).
  if (b.phase == ButtonPhase::pressSwallowed || b.phase == ButtonPhase::pressTaken) {
    setPhase(button, ButtonPhase::up);
    return counted(b, {Verdict::swallow, 0});
  }
  const bool guard = repair && (b.guardArmed || longHold);
  if (!bounce && !guard && !heldPress) {
    setPhase(button, ButtonPhase::up);
    return counted(b, {Verdict::pass, 0});
  }
  // The release of a held-back press goes out at once, as a held release that is due: one the
  // system refuses is tried again, never dropped with the button left down.
  if (!bounce && !guard) {
    setPhase(button, ButtonPhase::releaseHeld);
    b.deadlineUs = now.us;
    letGoDue(now);
    return counted(b, {Verdict::swallow, 0});
  }
  // The windows are counted from the events they start at by the performance counter: a
  // window counted in ticks would start and end up to a tick step off.
  std::uint64_t deadline = now.us + guardWindowUs(b, guard && longHold);
  if (bounce) {
    const std::uint64_t filterDeadline = stamp.us + milliseconds(interval);
    if (filterDeadline > deadline) deadline = filterDeadline;
  }
  if (deadline - now.us > milliseconds(kMaxHoldMs)) deadline = now.us + milliseconds(kMaxHoldMs);
  setPhase(button, bounce ? ButtonPhase::releaseHeld : ButtonPhase::releaseGuarded);
  b.deadlineUs = deadline;
  letGoDue(now);
  return counted(b, {Verdict::swallow, 0});
}

// A move while a press is timed waits behind it, so that the press lands where it was made.
Verdict ButtonMachine::move(const MouseEvent& event, ClockReading now) {
  if (mustWait(now)) {
    waitBehind({now, event, false, false});
    return Verdict::swallow;
  }
  return moveInTurn(event);
}

// Inside the drag rectangle the held-back press may still become a click or volume. The move
// that leaves it is swallowed, so the press lands where the pointer still is, near where it
// was made, and the moves after it reach applications as a drag.
Verdict ButtonMachine::moveInTurn(const MouseEvent& event) {
  if (states_[MouseButton::right].phase != ButtonPhase::pressHeld) return Verdict::pass;
  const InputPlatform::DragSize drag = platform_.dragSize();
  const std::int64_t dx = static_cast<std::int64_t>(event.x) - states_.heldPressX;
  const std::int64_t dy = static_cast<std::int64_t>(event.y) - states_.heldPressY;
  if (dx <= drag.x && -dx <= drag.x && dy <= drag.y && -dy <= drag.y) return Verdict::pass;
  letGo(MouseButton::right);
  return Verdict::swallow;
}

// A gesture or volume took the right button over: a held-back press never goes out, and the
// button is `next`. In any other phase it stays as it was: a held release is let go on time, a
// press applications saw stays down for them, and a swallowed press's release is swallowed.
void ButtonMachine::heldPressTaken(ButtonPhase next, ClockReading now) {
  ButtonState& right = states_[MouseButton::right];
  // A timed press that turns the volume or begins a gesture is the hand's: judged first, it
  // may turn out a held-back press, which is taken then. So is a right event waiting behind
  // another's timed press: it takes its turn first, and what waited before it; a release that
  // held as at its time is let go now if its window has passed.
  if (right.phase == ButtonPhase::pressTimed || states_.waits(MouseButton::right)) {
    settleAll();
    letGoDue(now);
  }
  switch (right.phase) {
    case ButtonPhase::pressHeld:
      setPhase(MouseButton::right, next);
      break;
    case ButtonPhase::unknown:
    case ButtonPhase::down:
    case ButtonPhase::up:
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
    case ButtonPhase::pressSwallowed:
    case ButtonPhase::pressTaken:
      break;
    case ButtonPhase::pressTimed:  // settled above
      impossible(MouseButton::right, next == ButtonPhase::pressTaken ? L"volume" : L"gesture");
      break;
  }
}

// Delivers what the machine holds back of the button: a held release (false, and still held,
// when the system refused it), or a held-back press, which the hand still holds, so that its
// release completes the click or it begins a drag.
//
// The button's phase changes before the delivery: while the system passes our input on, it may
// ask the hook about the events that came meanwhile, and they are judged on what applications
// will have seen. A wake-up that comes a step late finds the hand's next press waiting:
//   P(0)--R(78)P(78)R(78)......wake(109): R delivered; the press of 109 judged inside it
//                                         finds the button up, as it is for applications
bool ButtonMachine::letGo(MouseButton button) {
  ButtonState& b = states_[button];
  const ButtonPhase held = b.phase;
  switch (held) {
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      setPhase(button, ButtonPhase::up);
      if (deliver(button, false)) return true;
      setPhase(button, held);
      return false;
    case ButtonPhase::pressHeld:
      setPhase(button, ButtonPhase::down);
      deliver(button, true);
      return true;
    case ButtonPhase::unknown:
    case ButtonPhase::down:
    case ButtonPhase::up:
    case ButtonPhase::pressSwallowed:
    case ButtonPhase::pressTimed:
    case ButtonPhase::pressTaken:
      break;
  }
  impossible(button, L"let go");
  return true;
}

// As libinput's debouncer does: an event the state has no transition for is a fault of this
// filter, and it is told. The button is then unknown, as after the hook is installed again: its
// next press is judged as any, its next release passes, and none is left held.
void ButtonMachine::impossible(MouseButton button, const wchar_t* event) {
  tell("Button state bug:\t%S\n", button, {event, L" in ", phaseName(states_[button].phase)});
  setPhase(button, ButtonPhase::unknown);
}

void ButtonMachine::tellPhase(MouseButton button, ButtonPhase from, ButtonPhase to) {
  tell("Button phase:\t%S\n", button, {phaseName(from), L" -> ", phaseName(to)});
}

// "left " and the parts, cut to the line.
void ButtonMachine::tell(const char* format, MouseButton button,
                         std::initializer_list<const wchar_t*> parts) {
  wchar_t line[64];
  std::size_t length = 0;
  const auto add = [&](const wchar_t* part) {
    while (*part != L'\0' && length + 1 < sizeof line / sizeof line[0]) line[length++] = *part++;
  };
  for (const char* name = buttonRow(button).debugName; *name != '\0'; ++name) {
    line[length++] = static_cast<wchar_t>(*name);  // a few ASCII letters: they fit
  }
  add(L" ");
  for (const wchar_t* part : parts) add(part);
  line[length] = L'\0';
  platform_.printText(format, line);
}

// The left and right buttons share one stamp. A middle or side button's press is no bounce of
// another switch, and with a shared stamp a back click soon after a left click would be lost:
// each of them keeps its own.
ButtonMachine::Stamp ButtonMachine::stampOf(MouseButton button) {
  if (button == MouseButton::left || button == MouseButton::right) {
    return {states_.lastPressTick, states_.lastPressUs, states_.pressStamped};
  }
  ButtonState& b = states_[button];
  return {b.ownPressTick, b.ownPressUs, b.ownPressStamped};
}

// The release filter measures from the stamp whether or not the press repair is on. The first
// press has nothing to bounce from; a gap of more than 24.9 days reads as negative and is long
// ago all the same.
Verdict ButtonMachine::pressFilter(MouseButton button, ClockReading at) {
  const Stamp stamp = stampOf(button);
  const std::int64_t since = sinceUs(at, stamp.tick, stamp.us);
  const bool first = !stamp.set;
  stamp.tick = at.tick;
  stamp.us = at.us;
  stamp.set = true;
  if (!settings_.clickRepair || first) return Verdict::pass;
  if (insideInterval(since, settings_.clickInterval)) {
    platform_.print("ClickTime:\t%d\n", static_cast<std::int32_t>(since / 1000));
    return Verdict::swallow;
  }
  return Verdict::pass;
}

// Settles the timed presses that have been down for 抖动时长, lets go of the held releases whose
// time has come, the earliest release first, and asks for one wake-up, at the next deadline, for
// every button. A late timer's overdue release goes out at the next hold instead of waiting
// behind the wake-up that hold asks for; one the system refused stays due and is tried again at
// the next wake-up. A wake-up the timer brings early (a coarse timer rounds to its steps) lets
// nothing go before its time: it asks again for the rest.
void ButtonMachine::letGoDue(ClockReading now) {
  const std::uint64_t blip = milliseconds(settings_.blipLength);
  for (MouseButton button : kMouseButtons) {
    const ButtonState& b = states_[button];
    if (b.phase == ButtonPhase::pressTimed && now.us - b.pressUs >= blip) settle(button);
  }
  if (states_.waitingCount > 0) letWaitingGo(now.us);
  // The due buttons in the order their releases came; a tie keeps the order of kMouseButtons.
  MouseButton due[kButtonCount];
  int count = 0;
  for (MouseButton button : kMouseButtons) {
    const ButtonState& b = states_[button];
    if (!holdsRelease(b) || now.us < b.deadlineUs) continue;
    int at = count++;
    for (; at > 0 && b.releaseUs < states_[due[at - 1]].releaseUs; --at) due[at] = due[at - 1];
    due[at] = button;
  }
  // Asked again before each: an event judged while another went out may have changed it.
  for (int i = 0; i < count; ++i) {
    const ButtonState& b = states_[due[i]];
    if (holdsRelease(b) && now.us >= b.deadlineUs) letGo(due[i]);
  }

  std::uint64_t wait = milliseconds(kMaxHoldMs);
  bool holding = false;
  for (const ButtonState& b : states_.at) {
    std::uint64_t due = 0;
    if (holdsRelease(b)) {
      due = b.deadlineUs;
    } else if (b.phase == ButtonPhase::pressTimed) {
      due = b.pressUs + blip;
    } else {
      continue;
    }
    holding = true;
    if (due > now.us && due - now.us < wait) wait = due - now.us;
    if (due <= now.us) wait = 0;
  }
  // Rounded up: the wake-up comes no sooner than asked, by the timer's own clock.
  if (holding)
    platform_.wakeAfter(wait > 1000 ? static_cast<std::uint32_t>((wait + 999) / 1000) : 1u);
}

void ButtonMachine::letGoAll() {
  settleAll();
  for (MouseButton button : kMouseButtons) {
    const ButtonState& b = states_[button];
    if (holdsRelease(b) || b.phase == ButtonPhase::pressHeld) letGo(button);
  }
}

// Whatever the hook missed meanwhile, applications may have seen; a release already held is
// still let go. A held-back right press, a timed press and one waiting behind it go out as the
// click each became: the hook was away (a lock, a sleep, the system dropping it, a hook thread
// that stalled), the hand has most likely let go meanwhile, and a press delivered alone would
// leave the button held for applications. A release the system refuses now waits, as any held
// release, for the next wake-up.
//   P(0)....reinstalled(5000)        P and R delivered at 5000; a later release passes
void ButtonMachine::forget() {
  bool undecided[kButtonCount];
  for (MouseButton button : kMouseButtons) {
    undecided[static_cast<int>(button)] =
        states_.phaseAfterWaiting(button) == ButtonPhase::pressTimed;
  }
  settleAll();
  if (states_[MouseButton::right].phase == ButtonPhase::pressHeld) {
    letGo(MouseButton::right);
    releaseNow(MouseButton::right);
  }
  for (MouseButton button : kMouseButtons) {
    if (undecided[static_cast<int>(button)] && states_[button].phase == ButtonPhase::down) {
      releaseNow(button);
    }
  }
  for (MouseButton button : kMouseButtons) {
    const ButtonState& b = states_[button];
    if (!holdsRelease(b) && b.phase != ButtonPhase::pressTimed) {
      setPhase(button, ButtonPhase::unknown);
    }
  }
}

// The button's release, whose event the hook never saw, goes out now, or at the next wake-up
// if the system refuses it.
void ButtonMachine::releaseNow(MouseButton button) {
  setPhase(button, ButtonPhase::releaseHeld);
  states_[button].deadlineUs = 0;
  if (!letGo(button)) platform_.wakeAfter(1);
}

// Down for applications until they see its release; unknown since the hook was installed again
// until its next press, when the system is asked.
bool ButtonMachine::shownDown(MouseButton button, bool askSystem) {
  switch (states_[button].phase) {
    case ButtonPhase::down:
    case ButtonPhase::releaseHeld:
    case ButtonPhase::releaseGuarded:
      return true;
    case ButtonPhase::up:
    case ButtonPhase::pressSwallowed:
    case ButtonPhase::pressHeld:
    case ButtonPhase::pressTaken:
      return false;
    case ButtonPhase::pressTimed:
      return holdsRelease(states_[button].beneath);
    case ButtonPhase::unknown:
      break;
  }
  return askSystem && platform_.isKeyHeld(buttonRow(button).virtualKey);
}
