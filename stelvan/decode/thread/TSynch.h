#pragma once
// Lock mixin and scoped lock of the engine. TSynch<T> gives the object T
// that derives from it one re-entrant critical section; CSynch is the same
// lock as a plain base (the parsers use it).
#include <atomic>
#include <mutex>
#include <thread>

namespace engine {

template <class T>
class TSynch {
 public:
  TSynch() = default;
  TSynch(const TSynch&) = delete;
  TSynch& operator=(const TSynch&) = delete;
  // Re-entrant: the owning thread may lock again (and unlocks as often).
  // Built on a plain mutex with an owner mark, which is cheaper than a
  // recursive pthread mutex on the parsers' per-attempt path.
  void lock() const {
    const auto self = std::this_thread::get_id();
    if (m_owner.load(std::memory_order_relaxed) == self) {
      ++m_depth;
      return;
    }
    m_cs.lock();
    m_owner.store(self, std::memory_order_relaxed);
    m_depth = 1;
  }
  void unlock() const {
    if (--m_depth == 0) {
      m_owner.store(std::thread::id(), std::memory_order_relaxed);
      m_cs.unlock();
    }
  }
  bool try_lock() const {
    const auto self = std::this_thread::get_id();
    if (m_owner.load(std::memory_order_relaxed) == self) {
      ++m_depth;
      return true;
    }
    if (!m_cs.try_lock()) return false;
    m_owner.store(self, std::memory_order_relaxed);
    m_depth = 1;
    return true;
  }

 private:
  mutable std::mutex m_cs;
  mutable std::atomic<std::thread::id> m_owner{};
  mutable unsigned m_depth = 0;  // only the owner touches it
};

class CSynch : public TSynch<CSynch> {};

// Enters the critical section of an object derived from TSynch (nothing
// for a null pointer) and leaves it when destroyed.
template <class T>
class CLock {
 public:
  explicit CLock(const TSynch<T>* obj) : m_obj(obj) {
    if (m_obj) m_obj->lock();
  }
  ~CLock() {
    if (m_obj) m_obj->unlock();
  }
  CLock(const CLock&) = delete;
  CLock& operator=(const CLock&) = delete;

 private:
  const TSynch<T>* m_obj;
};

}  // namespace engine
