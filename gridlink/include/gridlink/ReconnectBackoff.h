#pragma once
// ReconnectBackoff: when to try a lost receiver or server again. The waits double from the
// first one up to a ceiling and stay there, so a receiver that comes back is found within the
// ceiling and one that stays away costs little. Reset() after a success starts over. A plain
// value for the one thread that retries.
#include <algorithm>
#include <cstdint>

#include "gridlink/platform/Event.h"

class ReconnectBackoff {
 public:
  static constexpr std::uint32_t kFirstMs = 500;
  static constexpr std::uint32_t kCeilingMs = 8000;

  explicit ReconnectBackoff(std::uint32_t firstMs = kFirstMs, std::uint32_t ceilingMs = kCeilingMs)
      : m_First(std::max<std::uint32_t>(firstMs, 1)),
        m_Ceiling(std::max(ceilingMs, m_First)),
        m_Next(m_First) {}

  // The wait before the next attempt, counting the attempt.
  std::uint32_t NextDelayMs() {
    const std::uint32_t d = m_Next;
    m_Next = m_Next >= m_Ceiling / 2 ? m_Ceiling : m_Next * 2;
    ++m_Attempts;
    return d;
  }
  // Waits the next delay on `stop`; false when stop was signalled (give up), true when it is
  // time to try.
  bool WaitNext(Platform::Event& stop) { return stop.Wait(NextDelayMs()) != Platform::WaitResult::Signalled; }
  unsigned Attempts() const { return m_Attempts; }
  void Reset() {
    m_Next = m_First;
    m_Attempts = 0;
  }

 private:
  std::uint32_t m_First, m_Ceiling, m_Next;
  unsigned m_Attempts = 0;
};
