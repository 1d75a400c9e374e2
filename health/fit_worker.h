// The fit (health/what_if.h) replays the record once for every candidate of its grid: most of a
// second over a full record, more on a slow machine. It runs on a thread of its own, so that the
// thread that asks for it, the main thread, goes on answering the tray, the windows, the command
// line and the hook's watchdog meanwhile.
//   "one at a time"  a fit asked for while another runs waits for it
//   "the latest"     a window's fit still waiting is replaced by the one it asks for next
//   "posted back"    the answer is posted to the window that asked, with its ticket, and taken
//                    by the ticket
//   "dropped"        a window that closes drops its fits: the one waiting never runs, the one
//                    running is stopped, nothing more is posted to the window, and its answers
//                    not taken yet are gone
// The thread runs only while there is a fit to make; nothing waits for it to end. Where no thread
// can be had, the fit is made by the caller of ask, as late as ever but made.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "health/what_if.h"

struct FitRequest {
  std::vector<ClickRun> runs;
  RepairChoice now;
  bool matters[kHealthButtons] = {};
};

class FitWorker {
 public:
  using Window = std::uintptr_t;
  // Makes the fit on the worker thread, returning early once `stop` is set.
  using Fit = std::function<ClickFit(const FitRequest&, const std::atomic<bool>& stop)>;
  // Tells `window` that the fit of `ticket` is done; false when it cannot (the window is gone).
  using Post = std::function<bool(Window window, std::uint32_t ticket)>;
  // Runs `body` on a thread of its own that nobody waits for; false when no thread can be had.
  using Start = std::function<bool(std::function<void()> body)>;

  FitWorker(Fit fit, Post post, Start start);
  ~FitWorker();  // drops every fit
  FitWorker(const FitWorker&) = delete;
  FitWorker& operator=(const FitWorker&) = delete;

  // The ticket its answer will carry, never 0.
  std::uint32_t ask(Window window, FitRequest request);
  // The fit of `ticket`, once; nullopt when it was dropped, taken already or never made.
  std::optional<ClickFit> take(std::uint32_t ticket);
  void drop(Window window);

 private:
  struct Shared;
  static void work(const std::shared_ptr<Shared>& shared);
  std::shared_ptr<Shared> shared_;  // also the worker thread's, for as long as it runs
};
