#include "DecodeHealth.h"

#include <algorithm>

namespace engine {

void DecodeHealth::refused(std::size_t entry, const std::string& format, int code, std::uint64_t pos,
                           std::uint64_t end) {
  if (insideCounted(entry, pos)) return;
  if (m_countedUntil.size() <= entry) m_countedUntil.resize(entry + 1, 0);
  m_countedUntil[entry] = std::max(end, pos + 1);
  std::lock_guard<std::mutex> g(m_cs);
  ++m_refused[{format, code}];
}

void DecodeHealth::reset() {
  {
    std::lock_guard<std::mutex> g(m_cs);
    m_refused.clear();
  }
  m_gaps.store(0);
  m_resets.fetch_add(1, std::memory_order_release);
}

DecodeHealth::Refusals DecodeHealth::refusals() const {
  std::lock_guard<std::mutex> g(m_cs);
  return m_refused;
}

}  // namespace engine
