#pragma once
// A periodic timer thread: every intervalMs it calls each listener's tick
// on its own thread, at a fixed rate (a slow listener shortens the next
// sleep). Stop() wakes the sleep at once.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "BasicThread.h"
#include "ListenerSet.h"

namespace THREAD {

class ITimerListener {
 public:
  virtual void OnTimer() = 0;

 protected:
  virtual ~ITimerListener() = default;
};

class BasicTimer : public BasicThread {
 public:
  BasicTimer() = default;
  ~BasicTimer() override;
  std::uint32_t setInterval(std::uint32_t ms) { return m_intervalMs.exchange(ms); }
  std::uint32_t interval() const { return m_intervalMs.load(); }
  void AddListener(ITimerListener* l) { m_listeners.Add(l); }
  void RemoveListener(ITimerListener* l) { m_listeners.Remove(l); }

 protected:
  void Run() override;
  void OnStop() override;

 private:
  std::atomic<std::uint32_t> m_intervalMs{1000};
  ListenerSet<ITimerListener> m_listeners;
  std::mutex m_sleepMutex;
  std::condition_variable m_sleepCv;
};

}  // namespace THREAD
