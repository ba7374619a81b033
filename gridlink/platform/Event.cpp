#include "gridlink/platform/Event.h"

#include <algorithm>
#include <chrono>

namespace Platform {

// A WaitAny caller registers one of these with each event it waits on; Set bumps its generation
// so the caller rescans the events instead of sleeping through the change.
struct Event::Watcher {
  std::mutex mutex;
  std::condition_variable cv;
  std::uint64_t generation = 0;
};

namespace {
std::chrono::steady_clock::time_point deadlineAfter(std::uint32_t ms) {
  return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}
}  // namespace

Event::Event(EventReset kind, bool initiallySet) : kind_(kind), signalled_(initiallySet) {}

Event::~Event() = default;

void Event::Set() {
  std::lock_guard<std::mutex> lock(mutex_);
  signalled_ = true;
  // Everyone rechecks; for an auto-reset event the first to take the mutex consumes the signal.
  cv_.notify_all();
  for (Watcher* w : watchers_) {
    std::lock_guard<std::mutex> wl(w->mutex);
    ++w->generation;
    w->cv.notify_all();
  }
}

void Event::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  signalled_ = false;
}

bool Event::IsSet() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return signalled_;
}

bool Event::tryConsume() {
  if (!signalled_) return false;
  if (kind_ == EventReset::Auto) signalled_ = false;
  return true;
}

WaitResult Event::Wait(std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait_until(lock, deadlineAfter(timeoutMs), [this] { return signalled_; });
  return tryConsume() ? WaitResult::Signalled : WaitResult::TimedOut;
}

void Event::addWatcher(Watcher* w) {
  std::lock_guard<std::mutex> lock(mutex_);
  watchers_.push_back(w);
}

void Event::removeWatcher(Watcher* w) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = std::find(watchers_.begin(), watchers_.end(), w);
  if (it != watchers_.end()) watchers_.erase(it);
}

WaitResult SignalAndWait(Event& toSignal, Event& toWait, std::uint32_t timeoutMs) {
  toSignal.Set();
  return toWait.Wait(timeoutMs);
}

int WaitAny(std::span<Event* const> events, std::uint32_t timeoutMs) {
  Event::Watcher watcher;
  for (Event* e : events) e->addWatcher(&watcher);
  auto scan = [&events]() {
    int index = 0;
    for (Event* e : events) {
      std::lock_guard<std::mutex> lock(e->mutex_);
      if (e->tryConsume()) return index;
      ++index;
    }
    return -1;
  };
  const auto deadline = deadlineAfter(timeoutMs);
  int result = -1;
  for (;;) {
    std::uint64_t seen;
    {
      std::lock_guard<std::mutex> wl(watcher.mutex);
      seen = watcher.generation;
    }
    result = scan();
    if (result >= 0) break;
    std::unique_lock<std::mutex> wl(watcher.mutex);
    if (!watcher.cv.wait_until(wl, deadline, [&] { return watcher.generation != seen; })) {
      wl.unlock();
      result = scan();  // a Set racing the deadline still counts
      break;
    }
  }
  for (Event* e : events) e->removeWatcher(&watcher);
  return result;
}

}  // namespace Platform
