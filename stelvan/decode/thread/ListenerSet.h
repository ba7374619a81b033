#pragma once
// A lock-guarded ordered set of listener pointers (not owned). Adding twice
// keeps one entry. forEach calls under the set's lock, so a listener must not
// add or remove listeners of the same set from inside the call.
#include <mutex>
#include <set>

namespace THREAD {

template <class L>
class ListenerSet {
 public:
  void Add(L* p) {
    std::lock_guard<std::recursive_mutex> g(m_cs);
    if (p) m_set.insert(p);
  }
  void Remove(L* p) {
    std::lock_guard<std::recursive_mutex> g(m_cs);
    m_set.erase(p);
  }
  bool empty() const {
    std::lock_guard<std::recursive_mutex> g(m_cs);
    return m_set.empty();
  }
  std::size_t size() const {
    std::lock_guard<std::recursive_mutex> g(m_cs);
    return m_set.size();
  }
  // f(L*) returns false to stop early.
  template <class F>
  void forEach(F&& f) const {
    std::lock_guard<std::recursive_mutex> g(m_cs);
    for (L* p : m_set)
      if (!f(p)) break;
  }

 private:
  mutable std::recursive_mutex m_cs;
  std::set<L*> m_set;
};

}  // namespace THREAD
