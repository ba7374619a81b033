#pragma once
// FairLock: a re-entrant lock that serves its waiters in the order they came. A thread that
// asks while others wait gets in line behind them; when the holder leaves for the last time,
// the lock passes straight to the first in line, so a thread that takes it back to back cannot
// keep the others out. Nobody polls: waiters sleep until handed the lock or their time runs out.
//
// While a waiter pumps its window messages (EnterFor with a pump), a handler on that thread may
// enter too: it gets in once the lock is this thread's, and it runs inside the outer hold.
// Meets the standard Lockable requirements (std::lock_guard, std::unique_lock).
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "gridlink/Export.h"

namespace Platform {

class GRIDLINK_API FairLock {
 public:
  using Pump = void (*)();

  FairLock() = default;
  FairLock(const FairLock&) = delete;
  FairLock& operator=(const FairLock&) = delete;

  void Enter() { EnterFor(UINT32_MAX); }
  // In at once when free and nobody waits, or when this thread holds it already.
  bool TryEnter();
  // Waits in line at most timeoutMs (UINT32_MAX: without limit); with a pump, calls it
  // (without any lock held) every sliceMs while waiting. False when the time ran out.
  bool EnterFor(std::uint32_t timeoutMs, Pump pump = nullptr, std::uint32_t sliceMs = 50);
  void Leave();
  // Threads in line, for tests and diagnostics.
  std::size_t Waiting() const;

  void lock() { Enter(); }
  bool try_lock() { return TryEnter(); }
  void unlock() { Leave(); }

 private:
  struct Waiter {
    std::thread::id thread;
    bool granted = false;
  };
  void dropWaiter(const Waiter* w);

  mutable std::mutex m_Lock;
  std::condition_variable m_Changed;
  std::thread::id m_Owner;
  unsigned m_Depth = 0;
  std::deque<Waiter*> m_Line;
};

}  // namespace Platform
