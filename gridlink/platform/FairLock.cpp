#include "gridlink/platform/FairLock.h"

#include <algorithm>
#include <chrono>

namespace Platform {

bool FairLock::TryEnter() {
  std::lock_guard lock(m_Lock);
  const std::thread::id me = std::this_thread::get_id();
  if (m_Owner == me) {
    ++m_Depth;
    return true;
  }
  if (m_Depth != 0 || !m_Line.empty()) return false;
  m_Owner = me;
  m_Depth = 1;
  return true;
}

bool FairLock::EnterFor(std::uint32_t timeoutMs, Pump pump, std::uint32_t sliceMs) {
  using Clock = std::chrono::steady_clock;
  const std::thread::id me = std::this_thread::get_id();
  std::unique_lock lock(m_Lock);
  if (m_Owner == me || (m_Depth == 0 && m_Line.empty())) {
    m_Owner = me;
    ++m_Depth;
    return true;
  }
  Waiter w{me};
  m_Line.push_back(&w);
  const bool forever = timeoutMs == UINT32_MAX;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const auto slice = std::chrono::milliseconds(pump ? std::max<std::uint32_t>(sliceMs, 1) : 1000);
  for (;;) {
    // Handed over, or a handler of this thread got in while the outer wait pumped.
    if (w.granted) return true;
    if (m_Owner == me) {
      dropWaiter(&w);
      ++m_Depth;
      return true;
    }
    const Clock::time_point now = Clock::now();
    if (!forever && now >= deadline) {
      dropWaiter(&w);
      return false;
    }
    const Clock::time_point until = forever ? now + slice : std::min(deadline, now + slice);
    if (m_Changed.wait_until(lock, until) == std::cv_status::timeout && pump && !w.granted) {
      lock.unlock();
      pump();
      lock.lock();
    }
  }
}

void FairLock::dropWaiter(const Waiter* w) {
  m_Line.erase(std::remove(m_Line.begin(), m_Line.end(), w), m_Line.end());
}

void FairLock::Leave() {
  std::lock_guard lock(m_Lock);
  if (m_Depth == 0 || m_Owner != std::this_thread::get_id()) return;  // not ours to leave
  if (--m_Depth != 0) return;
  if (m_Line.empty()) {
    m_Owner = std::thread::id();
    return;
  }
  Waiter* next = m_Line.front();
  m_Line.pop_front();
  next->granted = true;
  m_Owner = next->thread;
  m_Depth = 1;
  m_Changed.notify_all();
}

std::size_t FairLock::Waiting() const {
  std::lock_guard lock(m_Lock);
  return m_Line.size();
}

}  // namespace Platform
