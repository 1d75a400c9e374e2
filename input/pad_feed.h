// The buttons' presses and releases as the hook saw them, handed from the hook thread to the
// main thread while the 鼠标健康 window's test pad (测试区) is open, so that the pad can draw
// what the switch did beside what its own window received.
//
// A bounded ring with one writer, the hook thread, and one reader, the main thread, and no lock:
// the hook copies an event into a free slot and then publishes the count of events written with
// a release store; the main thread copies the slots up to that count and then publishes how far
// it read, which frees them. Nothing is allocated. A full ring (the main thread kept away for
// longer than kPadFeedSlots button events take) drops the event and says so at the next take.
// While the pad is closed the hook reads one relaxed flag and queues nothing:
//   hook   closed: -  -   open: push push push ........ push(full: dropped) push
//   main                  open()       take -> 3 events       take -> events, lost
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "input/input_source.h"

// Far more button events than a hand makes between two of the pad's takes (every 50 ms).
constexpr std::uint32_t kPadFeedSlots = 256;

struct PadSwitchEvent {
  std::uint64_t us = 0;    // the performance counter's time the hook decided it at
  std::uint32_t tick = 0;  // the tick the filter decided it by
  std::int32_t x = 0;      // where the pointer was, in the hook's physical pixels
  std::int32_t y = 0;
  std::uint8_t button = 0;  // a HealthDevice button: 0 left, 1 right, 2 middle, 3 and 4 the sides
  bool press = false;
  bool repaired = true;  // its source meets the repairs (Repair::apply)
  EventSource source{SourceKind::unknown, -1};
  const wchar_t* device = nullptr;  // a device's short name (InputDevices, which outlives the pad)
};

class PadFeed {
 public:
  PadFeed() = default;
  PadFeed(const PadFeed&) = delete;
  PadFeed& operator=(const PadFeed&) = delete;

  // Main thread. Opening drops what an earlier opening left unread.
  void open();
  void close() { open_.store(false, std::memory_order_relaxed); }

  // Hook thread: the one check made for every event while the pad is closed.
  bool isOpen() const { return open_.load(std::memory_order_relaxed); }
  void push(const PadSwitchEvent& event) {
    const std::uint32_t written = written_.load(std::memory_order_relaxed);
    if (written - read_.load(std::memory_order_acquire) >= kPadFeedSlots) {
      dropped_.store(dropped_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
      return;
    }
    slots_[written % kPadFeedSlots] = event;
    written_.store(written + 1, std::memory_order_release);
  }

  // Main thread: up to `most` events into `out`, oldest first; `lost` tells whether the ring
  // dropped any since the last take.
  std::size_t take(PadSwitchEvent* out, std::size_t most, bool* lost);

 private:
  std::atomic<bool> open_{false};
  std::atomic<std::uint32_t> written_{0};  // by the hook thread
  std::atomic<std::uint32_t> dropped_{0};  // by the hook thread
  std::atomic<std::uint32_t> read_{0};     // by the main thread
  std::uint32_t droppedSeen_ = 0;          // main thread only
  PadSwitchEvent slots_[kPadFeedSlots];
};
