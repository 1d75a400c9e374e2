#include "input/hook_win32.h"

#include <atomic>
#include <cwchar>
#include <optional>
#include <utility>

#include "common/debug_console.h"
#include "common/dpi_win32.h"
#include "common/process_win32.h"
#include "common/window_contract.h"
#include "input/click_record_keeper.h"
#include "input/own_input.h"
#include "input/raw_input_win32.h"

namespace {

using window_contract::kHookReinstalledMessage;
using window_contract::kReinstallHookMessage;
using window_contract::kReleaseHeldMessage;
using window_contract::kRunGestureCommandMessage;

// A key no keyboard layout assigns: sent while a gesture key is held, it makes the key's release
// something other than a lone tap and does nothing else.
constexpr WORD kNeutralKey = 0xE8;

// Windows 10's "scroll inactive windows when I hover over them" (newer than the headers' target).
constexpr UINT kGetMouseWheelRouting = 0x201C;
constexpr UINT kWheelRoutedToMousePosition = 2;

std::atomic<bool> wheelRoutedToCursor{false};

// Windows 8.1 and later give the point as a window of any DPI awareness sees it; Vista's call
// answers for the caller's awareness, which is what older systems have.
using PhysicalToLogicalFunction = BOOL(WINAPI*)(HWND, LPPOINT);
PhysicalToLogicalFunction physicalToLogical() {
  static const auto function = [] {
    const auto perMonitor = reinterpret_cast<PhysicalToLogicalFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "PhysicalToLogicalPointForPerMonitorDPI")));
    return perMonitor ? perMonitor : &PhysicalToLogicalPoint;
  }();
  return function;
}

// The hook's point is in physical pixels; the program is not DPI-aware, so the window is found
// from the physical point and given the point as the system would give it.
HWND windowAt(std::int32_t x, std::int32_t y, POINT* logical) {
  *logical = POINT{x, y};
  const HWND target = WindowFromPhysicalPoint(*logical);
  if (target) physicalToLogical()(target, logical);
  return target;
}

// The window under the point, asked for once per burst of notches: a flick sends dozens within
// milliseconds at one point, and each question is a round trip to the window manager (31 µs
// under Wine). A move or kWindowKeptMs ends the burst, so a window that appears or goes meanwhile
// misses at most that much; a post to a window gone since fails, and the notch passes.
class WindowUnderPointer {
 public:
  static constexpr DWORD kWindowKeptMs = 50;

  void onEvent(std::uint32_t message, DWORD now) {
    now_ = now;
    if (message == mouse_message::move) known_ = false;
  }
  HWND at(std::int32_t x, std::int32_t y, POINT* logical) {
    if (!known_ || x != x_ || y != y_ || now_ - askedAt_ >= kWindowKeptMs) {
      window_ = windowAt(x, y, &logical_);
      x_ = x;
      y_ = y;
      askedAt_ = now_;
      known_ = true;
    }
    *logical = logical_;
    return window_;
  }

 private:
  bool known_ = false;
  std::int32_t x_ = 0, y_ = 0;
  DWORD now_ = 0, askedAt_ = 0;
  HWND window_ = nullptr;
  POINT logical_{};
};

bool sendOwnInput(INPUT* inputs, UINT count) {
  for (UINT i = 0; i < count; ++i) {
    if (inputs[i].type == INPUT_MOUSE) inputs[i].mi.dwExtraInfo = kOwnInputMarker;
    if (inputs[i].type == INPUT_KEYBOARD) inputs[i].ki.dwExtraInfo = kOwnInputMarker;
  }
  return SendInput(count, inputs, sizeof(INPUT)) == count;
}

class DesktopInputPlatform final : public InputPlatform {
 public:
  HWND commandWindow = nullptr;
  UINT_PTR timer = 0;

  WindowUnderPointer windowUnderPointer;
  // Our button input that the hook has not seen pass yet.
  OwnInputOnTheWay ownInput;

  // The hook thread reads no keyboard input, so the key state of its own queue (GetKeyState)
  // is not what the user holds now; the asynchronous state is, and it is answered in the
  // process rather than by a round trip on every wheel notch.
  bool isKeyHeld(std::uint32_t virtualKey) override {
    return GetAsyncKeyState(static_cast<int>(virtualKey)) < 0;
  }

  void print(const char* format, std::int32_t value) override { debugPrint(format, value); }
  void printText(const char* format, const wchar_t* text) override { debugPrintText(format, text); }

  bool postWheel(std::int32_t x, std::int32_t y, std::uint32_t wParam) override {
    POINT point;
    const HWND target = windowUnderPointer.at(x, y, &point);
    return target && PostMessageW(target, WM_MOUSEWHEEL, wParam, MAKELPARAM(point.x, point.y));
  }

  // A hung or busy window must not hold the hook, and with it every mouse event of the desktop.
  void sendVolume(std::int32_t x, std::int32_t y, std::uint32_t command) override {
    POINT point;
    const HWND target = windowUnderPointer.at(x, y, &point);
    if (!target) return;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(target, WM_APPCOMMAND, reinterpret_cast<WPARAM>(target),
                        static_cast<LPARAM>(command), SMTO_ABORTIFHUNG | SMTO_NORMAL, 30, &result);
  }

  void queueGestureCommand(const wchar_t* text) override {
    const unsigned ticket = ++nextTicket;
    const unsigned slot = ticket % kSlots;
    std::wcsncpy(slots[slot], text, kMaxGestureLetters);
    slots[slot][kMaxGestureLetters] = L'\0';
    tickets[slot].store(ticket, std::memory_order_release);
    PostMessageW(commandWindow, kRunGestureCommandMessage, ticket, 0);
  }

  bool deliverButton(MouseButton button, bool press) override {
    const ButtonRow& row = buttonRow(button);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = press ? row.sendDown : row.sendUp;
    // A side button is named in mouseData, as the hook reads it from an X button's event.
    input.mi.mouseData = row.xData;
    ownInput.sent(GetTickCount());
    if (sendOwnInput(&input, 1)) return true;
    ownInput.refused();
    return false;
  }

  // The hook's point is in per-monitor coordinates: the cursor is put there in the same.
  void placePointer(std::int32_t x, std::int32_t y) override {
    const OwnWindowDpi perMonitor;
    SetPhysicalCursorPos(x, y);
  }

  // A thread timer: its WM_TIMER arrives in the hook thread's loop.
  void wakeAfter(std::uint32_t delayMs) override {
    if (timer) KillTimer(nullptr, timer);
    timer = SetTimer(nullptr, 0, delayMs, nullptr);
  }

  void maskGestureKey() override {
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = kNeutralKey;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    sendOwnInput(inputs, 2);
  }

  DragSize dragSize() override {
    return {GetSystemMetrics(SM_CXDRAG), GetSystemMetrics(SM_CYDRAG)};
  }

  bool systemRoutesWheelToCursor() override {
    return wheelRoutedToCursor.load(std::memory_order_relaxed);
  }

  // Taken once: the slot is emptied, so a stray or repeated message runs nothing.
  std::wstring take(WPARAM ticket) {
    const unsigned slot = ticket % kSlots;
    unsigned expected = static_cast<unsigned>(ticket);
    if (ticket == 0 || !tickets[slot].compare_exchange_strong(expected, 0)) return {};
    std::wstring text = slots[slot];
    slots[slot][0] = L'\0';
    return text;
  }

 private:
  // Gestures finish one at a time, but several may finish before the main thread gets to
  // the posted messages; each keeps its own slot.
  static constexpr unsigned kSlots = 8;
  wchar_t slots[kSlots][kMaxGestureLetters + 1] = {};
  std::atomic<unsigned> tickets[kSlots] = {};
  unsigned nextTicket = 0;
};

DesktopInputPlatform platform;

// Owned by the hook thread, except where atomic.
HHOOK hook = nullptr;
HINSTANCE hookInstance = nullptr;
InputFilter* hookFilter = nullptr;
SwitchCounter* hookHealth = nullptr;
ClickRecord* hookRecord = nullptr;
SourceTracker* hookSources = nullptr;
RawInputReader rawInput;
std::atomic<bool> inputSeenPosted{false};
ClickRecordKeeper hookRecordKeeper;
PadFeed* hookPad = nullptr;
std::atomic<unsigned> installs{0};
std::atomic<std::uint32_t> hookCalls{0};
std::atomic<std::uint32_t> hookLatestEventTime{0};
std::atomic<bool> hookInstalled{false};
StartedThread hookThread{};  // no handle while there is no hook thread
// The latest probe the hook saw (probeHook): when, in the performance counter's counts, and how
// many so far. Our only marked moves are probes: the hook reads the counter for nothing else.
std::atomic<std::int64_t> probeSeenAt{0};
std::atomic<std::uint32_t> probesSeen{0};

// Both clocks at once, for an event or a wake-up.
ClockReading readClocks() {
  const DWORD tick = GetTickCount();
  return {tick, counterMicroseconds()};
}

// The hook's own events for the switch health and the click record, timed by the performance
// counter: the tick counter's steps are as long as the bounces measured. A button's device has
// its number.
void countSwitchHealth(const MouseEvent& event, ClockReading now, int repaired) {
  if (!hookHealth) return;
  if (event.message == mouse_message::wheel) {
    hookHealth->notch(static_cast<std::int16_t>(event.mouseData >> 16), now.us, repaired);
    return;
  }
  const ButtonMessage& m = event.buttonMessage;
  if (!m.known) return;
  const int button = static_cast<int>(m.button);
  if (!m.press) {
    hookHealth->release(button, now.us, repaired);
    return;
  }
  const std::int32_t chatter = hookHealth->press(button, now.us, repaired);
  if (chatter >= 0) platform.print("Chatter:\t%d\n", chatter);
}

// Only what the repairs judged goes into the record (input/click_record_keeper.h).
void recordClick(const MouseEvent& event, ClockReading now) {
  if (!hookRecord) return;
  const ButtonMessage& m = event.buttonMessage;
  hookRecordKeeper.note(
      *hookRecord, m.known ? static_cast<int>(m.button) : -1, m.press, hookFilter->repairsJudged(),
      hookFilter->state().buttons.phaseAfterWaiting(MouseButton::right), now.tick, now.us);
}

// The event is read from the hook's data once, its button's message with it.
MouseEvent hookEvent(int code, WPARAM wParam, const MSLLHOOKSTRUCT* info) {
  const auto message = static_cast<std::uint32_t>(wParam);
  if (!info) return {code, message, 0, 0, 0};
  return {code,      message, info->pt.x, info->pt.y, static_cast<std::uint32_t>(info->mouseData),
          info->time};
}

// Where the event came from (input/input_source.h). A button's event or a notch reads the raw
// input already queued first, so that its own report can tell its device; each button event's
// debug line names its source.
EventSource sourceOf(const MouseEvent& event, const MSLLHOOKSTRUCT& info, ClockReading now) {
  if (!hookSources) return {SourceKind::unknown, -1};
  const std::uint16_t bit = rawBitOf(event);
  if (bit != 0) rawInput.drain();
  const bool injected = (info.flags & (LLMHF_INJECTED | LLMHF_LOWER_IL_INJECTED)) != 0;
  const EventSource source = hookSources->hookEvent(bit, injected, info.dwExtraInfo, now.us);
  if (bit != 0 && bit < raw_button::wheel) {
    platform.printText("Source:\t%S\n", hookSources->nameOf(source));
  }
  return source;
}

// While the test pad is open, each press and release the hook sees goes to it as it came, with
// its source.
void feedPad(const MouseEvent& event, ClockReading now, EventSource source, Repair repair) {
  if (!hookPad || !hookPad->isOpen()) return;
  const ButtonMessage& m = event.buttonMessage;
  if (!m.known) return;
  const wchar_t* device = source.kind == SourceKind::device ? hookSources->nameOf(source) : nullptr;
  hookPad->push({now.us, now.tick, event.x, event.y, static_cast<std::uint8_t>(m.button), m.press,
                 repair == Repair::apply, source, device});
}

LRESULT CALLBACK lowLevelMouseProc(int code, WPARAM wParam, LPARAM lParam) {
  hookCalls.fetch_add(1, std::memory_order_relaxed);
  const auto* info = code == HC_ACTION ? reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam) : nullptr;
  if (info) {
    hookLatestEventTime.store(info->time, std::memory_order_relaxed);
    if (info->dwExtraInfo == kOwnInputMarker) {
      if (wParam == mouse_message::move) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        probeSeenAt.store(now.QuadPart, std::memory_order_relaxed);
        probesSeen.fetch_add(1, std::memory_order_release);
      } else if (readButtonMessage(static_cast<std::uint32_t>(wParam), info->mouseData).known) {
        platform.ownInput.passed();
      }
      return CallNextHookEx(hook, code, wParam, lParam);
    }
  }
  const MouseEvent event = hookEvent(code, wParam, info);
  const ClockReading now = readClocks();
  platform.windowUnderPointer.onEvent(event.message, now.tick);
  const EventSource source =
      info ? sourceOf(event, *info, now) : EventSource{SourceKind::unknown, -1};
  const Repair repair = info && hookSources ? hookSources->repairOf(source) : Repair::apply;
  const Decision decision = hookFilter->decide(event, now, repair);
  if (info) {
    if (repair == Repair::apply) countSwitchHealth(event, now, decision.repaired);
    recordClick(event, now);
    feedPad(event, now, source, repair);
  }
  if (decision.verdict == Verdict::swallow) return 1;
  // A press or release the system refuses to send behind ours passes all the same: late order
  // is better than a lost click. Touch and pen input is never sent again as ours.
  const ButtonMessage& m = event.buttonMessage;
  if (info && m.known && repair != Repair::standAside &&
      platform.ownInput.onItsWay(GetTickCount()) && platform.deliverButton(m.button, m.press)) {
    return 1;
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

bool install() {
  const HHOOK fresh = SetWindowsHookExW(WH_MOUSE_LL, lowLevelMouseProc, hookInstance, 0);
  if (!fresh) return false;
  // The new hook is first in the chain before the old one goes, so no event slips past.
  const HHOOK old = hook;
  hook = fresh;
  installs.fetch_add(1);
  if (old) UnhookWindowsHookEx(old);
  return true;
}

// Whatever the hook missed while it was away, or while the session was locked or the machine
// asleep, applications may have seen; our input on its way may have passed.
void reinstall() {
  platform.ownInput.clear();
  hookFilter->forgetButtonStates();
  rawInput.watchdog.onReinstalled(GetTickCount());
  if (install()) PostMessageW(platform.commandWindow, kHookReinstalledMessage, 0, 0);
}

// Raw input reached the hook thread: for the sources, and as the witness of the hook. The main
// window hears of mouse input too, one message at a time.
void onRawInput(const MSG& message) {
  if (rawInput.onMessage(message.lParam, mouseHookProgress())) {
    const std::uint32_t silence =
        rawInput.watchdog.silence(static_cast<std::uint32_t>(GetMessageTime()));
    reinstall();
    debugPrint("Hook reinstalled:\t%d\n", static_cast<std::int32_t>(silence));
  }
  if (!inputSeenPosted.exchange(true) &&
      !PostMessageW(platform.commandWindow, window_contract::kInputSeenMessage, 0, 0)) {
    inputSeenPosted = false;  // refused (a full queue): the next input tries again
  }
  DefWindowProcW(message.hwnd, message.message, message.wParam, message.lParam);  // frees it
}

DWORD WINAPI hookThreadMain(void* started) {
  MSG message;
  // The thread's message queue exists before anyone is told the thread is ready.
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  hookInstalled = install();
  if (hookInstalled) rawInput.start(hookInstance, hookSources, platform.commandWindow);
  SetEvent(static_cast<HANDLE>(started));
  if (!hookInstalled) return 0;

  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    switch (message.message) {
      case WM_INPUT:
        onRawInput(message);
        break;
      case WM_TIMER:
        KillTimer(nullptr, platform.timer);
        platform.timer = 0;
        hookFilter->onTimer(readClocks());
        break;
      case kReleaseHeldMessage:
        hookFilter->releaseHeld();
        break;
      case kReinstallHookMessage:
        reinstall();
        break;
      default:
        break;
    }
  }
  // Nothing may stay held once the program is gone: the releases go before the hook does, so
  // they pass it unexamined.
  hookFilter->releaseHeld();
  UnhookWindowsHookEx(hook);
  hook = nullptr;
  rawInput.stop();
  return 0;
}

}  // namespace

InputPlatform& desktopInputPlatform() {
  return platform;
}

bool startMouseHook(HINSTANCE instance, InputFilter& filter, HWND commandWindow,
                    SwitchCounter* health, ClickRecord* record, SourceTracker* sources,
                    PadFeed* pad) {
  hookInstance = instance;
  hookSources = sources;
  hookFilter = &filter;
  hookHealth = health;
  hookRecord = record;
  hookPad = pad;
  platform.commandWindow = commandWindow;
  const HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!started) return false;
  if (auto thread = startThread(hookThreadMain, started)) {
    hookThread = std::move(*thread);
    WaitForSingleObject(started, INFINITE);
  }
  CloseHandle(started);
  if (hookThread.handle.get() && !hookInstalled) {
    WaitForSingleObject(hookThread.handle.get(), INFINITE);
    hookThread = StartedThread{};
  }
  return hookThread.handle.get() != nullptr;
}

void requestHookReinstall() {
  if (hookThread.handle.get()) PostThreadMessageW(hookThread.id, kReinstallHookMessage, 0, 0);
}

void requestHeldReleases() {
  if (hookThread.handle.get()) PostThreadMessageW(hookThread.id, kReleaseHeldMessage, 0, 0);
}

void stopMouseHook() {
  if (!hookThread.handle.get()) return;
  PostThreadMessageW(hookThread.id, WM_QUIT, 0, 0);
  WaitForSingleObject(hookThread.handle.get(), INFINITE);
  hookThread = StartedThread{};
}

unsigned mouseHookInstalls() {
  return installs.load();
}

HookProgress mouseHookProgress() {
  HookProgress progress;
  progress.calls = hookCalls.load(std::memory_order_relaxed);
  progress.latestEventTime = hookLatestEventTime.load(std::memory_order_relaxed);
  return progress;
}

void inputSeenTaken() {
  inputSeenPosted = false;
}

void readRemoteSession(InputDevices& devices) {
  devices.remoteSession = GetSystemMetrics(SM_REMOTESESSION) != 0 ? 1 : 0;
}

std::optional<std::int64_t> probeHook(DWORD waitMs) {
  const std::uint32_t seen = probesSeen.load(std::memory_order_acquire);
  INPUT probe{};
  probe.type = INPUT_MOUSE;
  probe.mi.dwFlags = MOUSEEVENTF_MOVE;  // by nothing: the pointer stays where it is
  LARGE_INTEGER sent, now, frequency;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&sent);
  if (!sendOwnInput(&probe, 1)) return std::nullopt;
  const std::int64_t deadline = sent.QuadPart + frequency.QuadPart * waitMs / 1000;
  while (probesSeen.load(std::memory_order_acquire) == seen) {
    QueryPerformanceCounter(&now);
    if (now.QuadPart > deadline) return std::nullopt;
    SwitchToThread();  // the hook's thread may need this processor
  }
  // A probe sent before this one and late past its own wait would be seen before it was sent.
  const std::int64_t delay = probeSeenAt.load(std::memory_order_relaxed) - sent.QuadPart;
  if (delay < 0 || probesSeen.load(std::memory_order_acquire) != seen + 1) return std::nullopt;
  return delay;
}

void readWheelRouting() {
  UINT routing = 0;
  const bool known = SystemParametersInfoW(kGetMouseWheelRouting, 0, &routing, 0);
  wheelRoutedToCursor.store(known && routing == kWheelRoutedToMousePosition);
}

std::wstring takeGestureCommand(WPARAM ticket) {
  return platform.take(ticket);
}

std::uint64_t performanceCounterUs() {
  return counterMicroseconds();
}
