// Our own button input on its way back to the hook. A button event the system took before ours
// reaches the hook first, and passed it would reach applications ahead of ours:
//   release held to 103   wake-up(109): R sent   hook asked about P(109), then about our R
// Such an event goes out behind ours, as input of our own. Input another program's hook
// swallowed never comes back, so each input counts for kOnTheWayMs from when it was sent,
// counted from the oldest still on its way; and nothing counts once the hook is installed again:
//   "ours comes back"                R sent(0)  P(5) behind ours  R back(8)  P(9) passes
//   "the hook installed again"       R sent(0)  reinstalled(100)  P(200) passes
//   "a swallowed own input stops counting"
//     R sent(0) ......... never back   P(999) behind ours, P(1000) passes
//     R sent(1500) R back(1501)       P(1502) passes
#pragma once

#include <cstdint>

class OwnInputOnTheWay {
 public:
  // Longer than any round trip through the system's input queue, however loaded.
  static constexpr std::uint32_t kOnTheWayMs = 1000;
  // More than one burst of ours holds (a timed press and every event that waited behind it);
  // when it is full, the oldest is dropped.
  static constexpr unsigned kCapacity = 32;

  // One input of ours sent at `now` (counted before it is sent: Wine asks the hook about it
  // before SendInput returns); the newest, refused by the system after all.
  void sent(std::uint32_t now);
  void refused();
  // One of ours reached the hook: they come in the order they were sent.
  void passed();
  // Whether a button event of the user's at `now` would overtake ours.
  bool onItsWay(std::uint32_t now);
  // The hook is installed again: what was on its way may have passed while it was away.
  void clear() { count_ = 0; }

 private:
  void dropOldest();

  std::uint32_t sentAt_[kCapacity] = {};  // oldest first
  unsigned count_ = 0;
};
