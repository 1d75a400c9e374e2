// Notices a low-level hook that the system dropped without a word (a procedure that was too slow
// a few times, sleep, a session change) so that it can be installed again.
//
// Raw mouse input is the witness: the system delivers it whatever happens to the hook chain.
// Both sides carry the system's own time stamp of the event, so they can be compared however
// late either thread gets to them:
//   raw  H raw H raw H raw H ...            hook alive: nothing happens
//   raw H raw raw raw raw ... raw (500 ms)  no hook call for 500 ms of input (by the events'
//                                           own times), at least 10 raw events the hook has not
//                                           been called for: presumed lost, install it again
//   (no input at all)                       nothing to judge: nothing happens
// A raw event counts against the hook only when the hook has not been called since the last
// one and has seen no event as recent as it. The main thread often takes its raw input late,
// in a batch, after the hook has long been called for the same events; and the system may
// queue an event's raw input a moment before it calls the hook for it. Neither is a lost hook:
//   H(10) H(11) ... H(40)    raw(10) raw(11) ... raw(40)   read at 60: the hook saw up to 40
//   ...pause 500 ms...       raw(540)                      one event ahead of its hook call
// 500 ms is above the 300 ms the system gives a hook call by default before it stops waiting,
// so a call that is merely slow is never taken for a lost hook, and still short enough that a
// user notices at most one bounce slipping through. A re-install that brings no hook calls
// back is tried again only after 1 s, then 2 s, 4 s ... up to a minute: never a storm.
#pragma once

#include <cstdint>

// How far the hook thread has got: its calls so far and the time stamp of the latest event
// among them (meaningless while there was no call). Written by the hook thread, read by the
// watchdog's thread.
struct HookProgress {
  std::uint32_t calls = 0;
  std::uint32_t latestEventTime = 0;
};

class HookWatchdog {
 public:
  static constexpr std::uint32_t kSilenceMs = 500;
  static constexpr std::uint32_t kMinRawEvents = 10;
  static constexpr std::uint32_t kFirstBackoffMs = 1000;
  static constexpr std::uint32_t kMaxBackoffMs = 60000;

  // One raw mouse event stamped `eventTime`, with the hook's progress read as it is handled;
  // true when the hook is to be installed again now.
  bool onRawInput(std::uint32_t eventTime, HookProgress hook);

  // The hook was installed again at `now`.
  void onReinstalled(std::uint32_t now);

  // How long input has arrived without a hook call (for the debug line).
  std::uint32_t silence(std::uint32_t now) const { return now - firstRawSinceHook_; }

 private:
  void onHookAlive();

  std::uint32_t callsSeen_ = 0;
  std::uint32_t rawSinceHook_ = 0;
  std::uint32_t firstRawSinceHook_ = 0;
  std::uint32_t backoff_ = kFirstBackoffMs;
  std::uint32_t quietUntil_ = 0;
  bool waiting_ = false;  // a re-install happened and its back-off has not run out
};
