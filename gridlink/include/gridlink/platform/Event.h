#pragma once
// Event: the kernel event object of the original system, on a mutex and a condition variable.
// An auto-reset event lets exactly one waiter through per Set and clears itself as that waiter
// leaves; a manual-reset event stays set, letting every waiter through, until Reset.
// Any thread may call any operation; the event must outlive every thread waiting on it.
// Every wait is bounded: there is no "infinite" time-out.
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <span>
#include <vector>

#include "gridlink/Export.h"

namespace Platform {

class Event;
GRIDLINK_API int WaitAny(std::span<Event* const> events, std::uint32_t timeoutMs);

enum class EventReset { Auto, Manual };
enum class WaitResult { Signalled, TimedOut };

class GRIDLINK_API Event {
 public:
  explicit Event(EventReset kind = EventReset::Auto, bool initiallySet = false);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;

  void Set();
  void Reset();
  // Waits up to timeoutMs (0: just test). An auto-reset event is cleared by the waiter it releases.
  WaitResult Wait(std::uint32_t timeoutMs);
  // The state without consuming it (for diagnostics and tests; racy by nature).
  bool IsSet() const;
  EventReset Kind() const { return kind_; }

 private:
  friend int WaitAny(std::span<Event* const> events, std::uint32_t timeoutMs);
  struct Watcher;
  bool tryConsume();  // caller holds mutex_
  void addWatcher(Watcher* w);
  void removeWatcher(Watcher* w);

  const EventReset kind_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool signalled_;
  std::vector<Watcher*> watchers_;
};

// Sets toSignal, then waits on toWait. Because events keep their state, signalling first and then
// waiting loses nothing that a single atomic step would catch: a Set of toWait made in answer to
// toSignal is remembered until this thread looks.
GRIDLINK_API WaitResult SignalAndWait(Event& toSignal, Event& toWait, std::uint32_t timeoutMs);

// Waits until any of the events is set (consuming it when auto-reset). Returns the index of the
// event that released the wait, the lowest index when several are set, or -1 on time-out.
int WaitAny(std::span<Event* const> events, std::uint32_t timeoutMs);
inline int WaitAny(std::initializer_list<Event*> events, std::uint32_t timeoutMs) {
  return WaitAny(std::span<Event* const>(events.begin(), events.size()), timeoutMs);
}

}  // namespace Platform
