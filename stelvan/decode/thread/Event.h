#pragma once
// An event with auto or manual reset; every wait takes a time-out.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace engine {

class Event {
 public:
  explicit Event(bool autoReset = true) : m_auto(autoReset) {}
  void set() {
    std::lock_guard<std::mutex> g(m_m);
    m_set = true;
    m_cv.notify_all();
  }
  void reset() {
    std::lock_guard<std::mutex> g(m_m);
    m_set = false;
  }
  // True when the event was set within timeoutMs.
  bool wait(std::uint32_t timeoutMs) {
    std::unique_lock<std::mutex> g(m_m);
    const bool ok = m_cv.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return m_set; });
    if (ok && m_auto) m_set = false;
    return ok;
  }

 private:
  std::mutex m_m;
  std::condition_variable m_cv;
  bool m_set = false;
  bool m_auto;
};

}  // namespace engine
