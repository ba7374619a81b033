#pragma once
// The worker thread of one analyser: a message loop over its own queue that
// carries bind-analyser, run-a-pass and quit, in order. Waits for the next
// request are bounded slices, so a stop is seen promptly.
#include <condition_variable>
#include <deque>
#include <mutex>

#include "../thread/BasicThread.h"

namespace engine {

class C_Analyser;

class AnalyserWorker : public THREAD::BasicThread {
 public:
  enum Request { kBind = 1, kPass = 2, kQuit = 3 };
  AnalyserWorker() = default;
  ~AnalyserWorker() override;
  bool post(Request r, C_Analyser* analyser = nullptr);
  void setPriorityKind(int kind);

 protected:
  void Run() override;
  void OnStop() override;

 private:
  bool nextRequest(Request& r, C_Analyser*& a);
  void applyPriority();

  std::mutex m_m;
  std::condition_variable m_cv;
  std::deque<std::pair<Request, C_Analyser*>> m_queue;
  std::atomic<int> m_priority{2};
  std::atomic<bool> m_priorityDirty{true};
};

}  // namespace engine
