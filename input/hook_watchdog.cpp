#include "input/hook_watchdog.h"

#include "input/input_filter.h"

bool HookWatchdog::onRawInput(std::uint32_t now) {
  if (rawSinceHook_ == 0) firstRawSinceHook_ = now;
  if (rawSinceHook_ < kMinRawEvents) ++rawSinceHook_;
  if (waiting_) {
    if (tickGap(now, quietUntil_) < 0) return false;
    waiting_ = false;
  }
  return rawSinceHook_ >= kMinRawEvents &&
         tickGap(now, firstRawSinceHook_) >= static_cast<std::int32_t>(kSilenceMs);
}

void HookWatchdog::onReinstalled(std::uint32_t now) {
  quietUntil_ = now + backoff_;
  waiting_ = true;
  backoff_ = backoff_ >= kMaxBackoffMs / 2 ? kMaxBackoffMs : backoff_ * 2;
  // Judge the new hook on input that arrives from now on.
  rawSinceHook_ = 0;
}
