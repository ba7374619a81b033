#include "ReadingThread.h"

#include <chrono>

namespace Tellus {

bool ReadingThread::hasListener(IStreamListener* l) const {
  bool found = false;
  m_listeners.forEach([&](IStreamListener* p) {
    found = found || p == l;
    return !found;
  });
  return found;
}

void ReadingThread::OnStop() {
  std::lock_guard<std::mutex> g(m_m);
  m_cv.notify_all();
}

void ReadingThread::Run() {
  std::uint8_t buf[4096];
  m_lost = false;
  while (!isStopRequested()) {
    const int n = m_port && m_port->IsOpen() ? m_port->Read(buf, sizeof buf, 10, m_interval) : -1;
    if (n > 0) {
      m_lost = false;
      m_listeners.forEach([&](IStreamListener* l) {
        l->onData(buf, static_cast<std::size_t>(n));
        return true;
      });
    } else if (n < 0) {
      m_lost = true;
      std::unique_lock<std::mutex> g(m_m);
      m_cv.wait_for(g, std::chrono::milliseconds(100), [&] { return isStopRequested(); });
    }
  }
}

}  // namespace Tellus
