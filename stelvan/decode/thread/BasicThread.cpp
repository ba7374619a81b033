#include "BasicThread.h"

#include <chrono>

namespace THREAD {

BasicThread::~BasicThread() {
  Stop(10000);
}

void BasicThread::body(BasicThread* self, std::shared_ptr<ExitState> exit) {
  if (self) {
    self->m_running.store(1);
    try {
      self->Run();
    } catch (...) {
      // An escaping exception ends the thread quietly.
    }
    self->m_running.store(0);
  }
  std::lock_guard<std::mutex> g(exit->m);
  exit->done = true;
  exit->cv.notify_all();
}

bool BasicThread::Start() {
  engine::CLock<BasicThread> lock(this);
  Stop(10000);
  m_stopRequested.store(0);
  m_exit = std::make_shared<ExitState>();
  m_handle = std::thread(&BasicThread::body, this, m_exit);
  return true;
}

bool BasicThread::Stop(std::uint32_t timeoutMs) {
  if (!m_handle.joinable()) return true;
  m_stopRequested.fetch_add(1);
  engine::CLock<BasicThread> lock(this);
  if (!m_handle.joinable()) return true;  // another caller stopped it meanwhile
  OnStop();
  bool ended;
  {
    std::unique_lock<std::mutex> g(m_exit->m);
    ended = m_exit->cv.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return m_exit->done; });
  }
  if (ended)
    m_handle.join();
  else
    m_handle.detach();
  m_running.store(0);
  m_exit.reset();
  return ended;
}

}  // namespace THREAD
