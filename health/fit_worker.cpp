#include "health/fit_worker.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

struct FitWorker::Shared {
  Fit fit;
  Post post;
  Start start;
  struct Waiting {
    Window window;
    std::uint32_t ticket;
    FitRequest request;
  };
  std::mutex mutex;  // guards all below but `stop`
  std::vector<Waiting> waiting;
  bool working = false;  // a worker thread runs
  Window running = 0;    // the window whose fit runs
  std::atomic<bool> stop{false};
  std::map<std::uint32_t, std::pair<Window, ClickFit>> answers;
  std::uint32_t lastTicket = 0;
};

FitWorker::FitWorker(Fit fit, Post post, Start start) : shared_(std::make_shared<Shared>()) {
  shared_->fit = std::move(fit);
  shared_->post = std::move(post);
  shared_->start = std::move(start);
}

FitWorker::~FitWorker() {
  const std::lock_guard<std::mutex> lock(shared_->mutex);
  shared_->waiting.clear();
  shared_->stop = shared_->running != 0;
  shared_->answers.clear();
}

void FitWorker::work(const std::shared_ptr<Shared>& shared) {
  Shared& s = *shared;
  std::unique_lock<std::mutex> lock(s.mutex);
  while (!s.waiting.empty()) {
    Shared::Waiting job = std::move(s.waiting.front());
    s.waiting.erase(s.waiting.begin());
    s.running = job.window;
    s.stop = false;
    lock.unlock();
    const ClickFit fit = s.fit(job.request, s.stop);
    lock.lock();
    s.running = 0;
    if (s.stop) continue;  // dropped meanwhile
    s.answers[job.ticket] = {job.window, fit};
    if (!s.post(job.window, job.ticket)) s.answers.erase(job.ticket);
  }
  s.working = false;
}

std::uint32_t FitWorker::ask(Window window, FitRequest request) {
  std::unique_lock<std::mutex> lock(shared_->mutex);
  Shared& s = *shared_;
  if (++s.lastTicket == 0) ++s.lastTicket;
  const std::uint32_t ticket = s.lastTicket;
  s.waiting.erase(std::remove_if(s.waiting.begin(), s.waiting.end(),
                                 [&](const Shared::Waiting& w) { return w.window == window; }),
                  s.waiting.end());
  s.waiting.push_back({window, ticket, std::move(request)});
  if (s.working) return ticket;
  s.working = true;
  if (!s.start([shared = shared_] { work(shared); })) {
    // No thread to be had: the fit is made here, as late as ever but made.
    lock.unlock();
    work(shared_);
  }
  return ticket;
}

std::optional<ClickFit> FitWorker::take(std::uint32_t ticket) {
  const std::lock_guard<std::mutex> lock(shared_->mutex);
  const auto found = shared_->answers.find(ticket);
  if (found == shared_->answers.end()) return std::nullopt;
  const ClickFit fit = found->second.second;
  shared_->answers.erase(found);
  return fit;
}

void FitWorker::drop(Window window) {
  const std::lock_guard<std::mutex> lock(shared_->mutex);
  Shared& s = *shared_;
  s.waiting.erase(std::remove_if(s.waiting.begin(), s.waiting.end(),
                                 [&](const Shared::Waiting& w) { return w.window == window; }),
                  s.waiting.end());
  if (s.running == window) s.stop = true;
  for (auto at = s.answers.begin(); at != s.answers.end();) {
    at = at->second.first == window ? s.answers.erase(at) : std::next(at);
  }
}
