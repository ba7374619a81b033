#include "session/RequestWorker.h"

#include <chrono>

namespace Session {

namespace {
constexpr auto kIdleCheck = std::chrono::milliseconds(2000);
}

RequestWorker::RequestWorker() : m_Thread("gl-request") {}

RequestWorker::~RequestWorker() {
  Stop(Platform::Thread::kDestroyJoinMs);
}

bool RequestWorker::Start() {
  {
    std::lock_guard lock(m_Lock);
    if (m_Running) return true;
    m_Running = true;
  }
  if (m_Thread.Start([this](Platform::ThreadContext& ctx) { run(ctx); })) return true;
  std::lock_guard lock(m_Lock);
  m_Running = false;
  return false;
}

bool RequestWorker::Stop(std::uint32_t joinMs) {
  {
    std::lock_guard lock(m_Lock);
    m_Running = false;
    for (auto& [job, done] : m_Jobs) done->Set();  // nobody waits for a job that never runs
    m_Jobs.clear();
  }
  m_Wake.notify_all();
  return m_Thread.Stop(joinMs);
}

std::shared_ptr<Platform::Event> RequestWorker::Submit(Job job) {
  auto done = std::make_shared<Platform::Event>(Platform::EventReset::Manual);
  {
    std::lock_guard lock(m_Lock);
    if (!m_Running) return nullptr;
    m_Jobs.emplace_back(std::move(job), done);
  }
  m_Wake.notify_one();
  return done;
}

void RequestWorker::run(Platform::ThreadContext& ctx) {
  std::unique_lock lock(m_Lock);
  while (!ctx.StopRequested()) {
    if (m_Jobs.empty()) {
      m_Wake.wait_for(lock, kIdleCheck, [&] { return !m_Jobs.empty() || !m_Running; });
      if (!m_Running) break;
      continue;
    }
    auto [job, done] = std::move(m_Jobs.front());
    m_Jobs.pop_front();
    lock.unlock();
    job();
    done->Set();
    lock.lock();
  }
}

}  // namespace Session
