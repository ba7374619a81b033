#pragma once
// Thread base with cooperative stop and a bounded wait. Start() restarts
// (stopping a previous thread first); Stop(timeoutMs) asks the thread to end,
// calls OnStop() so a derived class can wake it, and waits at most timeoutMs.
// A thread that does not end in time is detached and reported through
// Stop()'s result (std::thread cannot be ended forcibly); the object must
// then outlive it, so derived classes keep every wait of Run() bounded.
// A derived class calls Stop() in its own destructor: the base destructor
// can no longer reach the derived OnStop().
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "TSynch.h"

namespace THREAD {

class BasicThread : public engine::TSynch<BasicThread> {
 public:
  BasicThread() = default;
  virtual ~BasicThread();
  virtual bool Start();
  // True when the thread ended (or none ran), false when it was detached.
  virtual bool Stop(std::uint32_t timeoutMs);

  bool isRunning() const { return m_running.load() != 0; }
  bool isStopRequested() const { return m_stopRequested.load() != 0; }
  bool hasThread() const { return m_handle.joinable(); }

 protected:
  virtual void Run() = 0;
  virtual void OnStop() {}

 private:
  struct ExitState {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
  };
  static void body(BasicThread* self, std::shared_ptr<ExitState> exit);

  std::atomic<std::int32_t> m_stopRequested{0};
  std::atomic<std::int32_t> m_running{0};
  std::thread m_handle;
  std::shared_ptr<ExitState> m_exit;
};

}  // namespace THREAD
