#pragma once
// CriticalSection: the re-entrant lock of the original system. The thread that holds it may
// enter again; it is free once every Enter has been matched by a Leave on the same thread.
// It also meets the standard Lockable requirements, so std::lock_guard and std::unique_lock work.
// Hold it for short, stated stretches: no wait for another thread should happen inside it
// unless that thread never needs the same lock.
#include <mutex>

namespace Platform {

class CriticalSection {
 public:
  CriticalSection() = default;
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;

  void Enter() { mutex_.lock(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void Leave() { mutex_.unlock(); }

  void lock() { Enter(); }
  bool try_lock() { return TryEnter(); }
  void unlock() { Leave(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a CriticalSection for the scope.
class CriticalSectionLock {
 public:
  explicit CriticalSectionLock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
  ~CriticalSectionLock() { cs_.Leave(); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

 private:
  CriticalSection& cs_;
};

}  // namespace Platform
