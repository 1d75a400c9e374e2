#include "input/hook_watchdog.h"

#include "input/input_filter.h"

void HookWatchdog::onHookAlive() {
  rawSinceHook_ = 0;
  backoff_ = kFirstBackoffMs;
  waiting_ = false;
}

bool HookWatchdog::onRawInput(std::uint32_t eventTime, HookProgress hook) {
  const bool called = hook.calls != callsSeen_;
  const bool seen = hook.calls != 0 && tickGap(hook.latestEventTime, eventTime) >= 0;
  callsSeen_ = hook.calls;
  if (called || seen) onHookAlive();
  if (rawSinceHook_ == 0) firstRawSinceHook_ = eventTime;
  if (rawSinceHook_ < kMinRawEvents) ++rawSinceHook_;
  if (waiting_) {
    if (tickGap(eventTime, quietUntil_) < 0) return false;
    waiting_ = false;
  }
  return rawSinceHook_ >= kMinRawEvents &&
         tickGap(eventTime, firstRawSinceHook_) >= static_cast<std::int32_t>(kSilenceMs);
}

void HookWatchdog::onReinstalled(std::uint32_t now) {
  quietUntil_ = now + backoff_;
  waiting_ = true;
  backoff_ = backoff_ >= kMaxBackoffMs / 2 ? kMaxBackoffMs : backoff_ * 2;
  // Judge the new hook on input that arrives from now on.
  rawSinceHook_ = 0;
}
