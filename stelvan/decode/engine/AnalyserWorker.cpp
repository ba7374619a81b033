#include "AnalyserWorker.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

#include "C_Analyser.h"

namespace engine {

AnalyserWorker::~AnalyserWorker() {
  Stop(1000);
}

bool AnalyserWorker::post(Request r, C_Analyser* analyser) {
  {
    std::lock_guard<std::mutex> g(m_m);
    m_queue.emplace_back(r, analyser);
  }
  m_cv.notify_one();
  return true;
}

void AnalyserWorker::OnStop() {
  post(kQuit);
}

void AnalyserWorker::setPriorityKind(int kind) {
  m_priority.store(kind);
  m_priorityDirty.store(true);
}

// Linux threads take a nice value; raising priority needs a privilege we
// usually lack, so a refusal leaves the thread at normal priority.
void AnalyserWorker::applyPriority() {
  if (!m_priorityDirty.exchange(false)) return;
  static const int nice[] = {19, 10, 0, -5};
  const int k = m_priority.load();
  const int n = (k >= 0 && k <= 3) ? nice[k] : 0;
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  (void)::setpriority(PRIO_PROCESS, tid, n);
}

bool AnalyserWorker::nextRequest(Request& r, C_Analyser*& a) {
  std::unique_lock<std::mutex> g(m_m);
  if (!m_cv.wait_for(g, std::chrono::milliseconds(1000), [&] { return !m_queue.empty(); })) return false;
  r = m_queue.front().first;
  a = m_queue.front().second;
  m_queue.pop_front();
  return true;
}

void AnalyserWorker::Run() {
  C_Analyser* bound = nullptr;
  while (!isStopRequested()) {
    applyPriority();
    Request r;
    C_Analyser* a = nullptr;
    if (!nextRequest(r, a)) continue;
    if (r == kQuit) return;
    if (r == kBind)
      bound = a;
    else if (r == kPass && bound)
      bound->runPass();
  }
}

}  // namespace engine
