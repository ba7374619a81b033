#include "BasicTimer.h"

#include <chrono>

namespace THREAD {

BasicTimer::~BasicTimer() {
  Stop(10000);
}

void BasicTimer::OnStop() {
  std::lock_guard<std::mutex> g(m_sleepMutex);
  m_sleepCv.notify_all();
}

void BasicTimer::Run() {
  using clock = std::chrono::steady_clock;
  std::uint32_t elapsed = 0;
  for (;;) {
    const std::uint32_t iv = m_intervalMs.load();
    if (elapsed < iv) {
      std::unique_lock<std::mutex> g(m_sleepMutex);
      m_sleepCv.wait_for(g, std::chrono::milliseconds(iv - elapsed), [&] { return isStopRequested(); });
    }
    const auto t0 = clock::now();
    if (isStopRequested()) return;
    m_listeners.forEach([&](ITimerListener* l) {
      l->OnTimer();
      return !isStopRequested();
    });
    if (isStopRequested()) return;
    elapsed = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - t0).count());
  }
}

}  // namespace THREAD
