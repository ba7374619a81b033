#pragma once
// Lock mixin and scoped lock of the engine. TSynch<T> gives the object T
// that derives from it one re-entrant critical section; CSynch is the same
// lock as a plain base (the parsers use it).
#include <mutex>

namespace engine {

template <class T>
class TSynch {
 public:
  TSynch() = default;
  TSynch(const TSynch&) = delete;
  TSynch& operator=(const TSynch&) = delete;
  void lock() const { m_cs.lock(); }
  void unlock() const { m_cs.unlock(); }
  bool try_lock() const { return m_cs.try_lock(); }

 private:
  mutable std::recursive_mutex m_cs;
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
