#pragma once
// The thread that serves a local connection's requests. The local server answers a request in
// the thread that hands it over, and that can take minutes (opening a receiver searches its
// line speed); running it here lets the requesting thread wait pumping its window messages.
// One job at a time, in the order given. Owner thread: Start, Stop; any thread: Submit.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "gridlink/platform/Event.h"
#include "gridlink/platform/Thread.h"

namespace Session {

class RequestWorker {
 public:
  using Job = std::function<void()>;

  RequestWorker();
  ~RequestWorker();
  RequestWorker(const RequestWorker&) = delete;
  RequestWorker& operator=(const RequestWorker&) = delete;

  bool Start();
  // Lets the job under way finish (bounded by joinMs); jobs not started are dropped.
  bool Stop(std::uint32_t joinMs);
  // Queues the job; the returned event (manual-reset) is set once it has run. Null when the
  // worker is not running.
  std::shared_ptr<Platform::Event> Submit(Job job);

 private:
  void run(Platform::ThreadContext& ctx);

  std::mutex m_Lock;
  std::condition_variable m_Wake;
  std::deque<std::pair<Job, std::shared_ptr<Platform::Event>>> m_Jobs;
  bool m_Running = false;
  Platform::Thread m_Thread;
};

}  // namespace Session
