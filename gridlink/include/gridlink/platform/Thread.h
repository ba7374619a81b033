#pragma once
// Thread: a worker thread that stops cooperatively and is joined with a bound.
//
// The body runs with a ThreadContext that it checks: StopRequested() / StopEvent() / WaitStop()
// for the stop request, Queue() for its message queue (RequestStop also latches quit there,
// so a message loop ends too). Nothing ever kills a thread.
//
// Owner thread only: Start, Join, Stop, destruction. Any thread: RequestStop, Queue().Post,
// IsRunning, EndedEvent().
//
// Join(timeout) that runs out leaves the thread running and still joinable (returns false; the
// owner may wait again). The destructor requests stop and joins for destroyJoinMs; a thread
// still running after that is detached and a line goes to the client log. The context lives as
// long as the thread needs it (shared ownership), so a detached body can still check its stop
// flag safely; whatever else the body reaches must outlive it, which is the owner's concern.
// An exception escaping the body is caught, logged, and ends the thread normally.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "gridlink/Export.h"
#include "gridlink/platform/Event.h"
#include "gridlink/platform/MessageQueue.h"

namespace Platform {

class GRIDLINK_API ThreadContext {
 public:
  bool StopRequested() const { return stop_.load(); }
  // Manual-reset; set by RequestStop, so a body can wait on it together with its own events.
  Event& StopEvent() { return stopEvent_; }
  MessageQueue& Queue() { return queue_; }
  // Sleeps up to ms, ending early on a stop request; true when stop has been requested.
  bool WaitStop(std::uint32_t ms) { return stopEvent_.Wait(ms) == WaitResult::Signalled; }

 private:
  friend class Thread;
  std::atomic<bool> stop_{false};
  Event stopEvent_{EventReset::Manual};
  Event ended_{EventReset::Manual};
  MessageQueue queue_;
};

class GRIDLINK_API Thread {
 public:
  using Body = std::function<void(ThreadContext&)>;
  static constexpr std::uint32_t kDestroyJoinMs = 5000;

  // name: shown by debuggers and ps (first 15 characters). destroyJoinMs: how long the
  // destructor waits for the body before it gives up and detaches the thread.
  explicit Thread(std::string name = "gridlink", std::uint32_t destroyJoinMs = kDestroyJoinMs);
  ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // False when a previous run has not been joined yet or the system refused a thread.
  // A run starts with a cleared stop flag. Messages posted before the first Start wait for the
  // body; a later run starts with an empty queue.
  bool Start(Body body);
  void RequestStop();
  // True when the thread has ended and been joined (or never ran); false when it is still
  // running after timeoutMs, or when called from the thread itself.
  bool Join(std::uint32_t timeoutMs);
  bool Stop(std::uint32_t timeoutMs) {
    RequestStop();
    return Join(timeoutMs);
  }
  bool IsRunning() const;
  bool Joinable() const { return thread_.joinable(); }
  MessageQueue& Queue() { return ctx_->Queue(); }
  // Manual-reset; set as the body returns. Lets a waiter watch for the end with WaitAny.
  Event& EndedEvent() { return ctx_->ended_; }
  std::thread::id Id() const { return thread_.get_id(); }

 private:
  std::string name_;
  std::uint32_t destroyJoinMs_;
  std::shared_ptr<ThreadContext> ctx_;
  std::thread thread_;
  bool hasRun_ = false;
};

}  // namespace Platform
