#include "gridserver/ReceiverPool.h"

#include <algorithm>

namespace gridserver {

bool ReceiverPool::Known(const std::string& rcv) const {
  return std::find(m_Receivers.begin(), m_Receivers.end(), rcv) != m_Receivers.end();
}

bool ReceiverPool::Acquire(const std::string& rcv, const void* holder, const std::string& who,
                           std::string& heldBy) {
  std::lock_guard l(m_Lock);
  const auto [it, taken] = m_Held.emplace(rcv, Holder{holder, who});
  if (taken) return true;
  heldBy = it->second.who;
  return false;
}

void ReceiverPool::Release(const std::string& rcv, const void* holder) {
  std::lock_guard l(m_Lock);
  const auto it = m_Held.find(rcv);
  if (it != m_Held.end() && it->second.owner == holder) m_Held.erase(it);
}

}  // namespace gridserver
