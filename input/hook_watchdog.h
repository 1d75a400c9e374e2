// Notices a low-level hook that the system dropped without a word (a procedure that was too slow
// a few times, sleep, a session change) so that it can be installed again.
//
// Raw mouse input is the witness: the system delivers it whatever happens to the hook chain.
// While the hook lives it is called for the same events within milliseconds:
//   raw  H raw H raw H raw H ...            hook alive: nothing happens
//   raw H raw raw raw raw ... raw (500 ms)  no hook call for half a second of input, at least
//                                           10 raw events: presumed lost, install it again
//   (no input at all)                       nothing to judge: nothing happens
// 500 ms is above the 300 ms the system gives a hook call by default before it stops waiting,
// so a call that is merely slow is never taken for a lost hook, and still short enough that a
// user notices at most one bounce slipping through. A re-install that brings no hook calls
// back is tried again only after 1 s, then 2 s, 4 s ... up to a minute: never a storm.
#pragma once

#include <cstdint>

class HookWatchdog {
 public:
  static constexpr std::uint32_t kSilenceMs = 500;
  static constexpr std::uint32_t kMinRawEvents = 10;
  static constexpr std::uint32_t kFirstBackoffMs = 1000;
  static constexpr std::uint32_t kMaxBackoffMs = 60000;

  // The hook procedure was called: it is alive. Cheap, it runs for every mouse event.
  void onHookCall(std::uint32_t now) {
    lastHookCall_ = now;
    rawSinceHook_ = 0;
    backoff_ = kFirstBackoffMs;
    waiting_ = false;
  }

  // One raw mouse event arrived; true when the hook is to be installed again now.
  bool onRawInput(std::uint32_t now);

  // The hook was installed again at `now`.
  void onReinstalled(std::uint32_t now);

  // How long input has arrived without a hook call (for the debug line).
  std::uint32_t silence(std::uint32_t now) const { return now - firstRawSinceHook_; }

 private:
  std::uint32_t lastHookCall_ = 0;
  std::uint32_t rawSinceHook_ = 0;
  std::uint32_t firstRawSinceHook_ = 0;
  std::uint32_t backoff_ = kFirstBackoffMs;
  std::uint32_t quietUntil_ = 0;
  bool waiting_ = false;  // a re-install happened and its back-off has not run out
};
