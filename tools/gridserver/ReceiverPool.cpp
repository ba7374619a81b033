#include "gridserver/ReceiverPool.h"

#include <algorithm>

namespace gridserver {
namespace {

// Everything after the n-th colon is the secret; a string with fewer colons has none.
std::string cutAfterColon(const std::string& rcv, int n) {
  std::size_t at = std::string::npos;
  for (int i = 0; i < n; ++i) {
    at = rcv.find(':', at == std::string::npos ? 0 : at + 1);
    if (at == std::string::npos) return rcv;
  }
  return rcv.substr(0, at + 1);
}

}  // namespace

std::string ReceiverPool::PublicName(const std::string& rcv) {
  if (rcv.rfind("TCP:", 0) == 0 || rcv.rfind("WIFI:", 0) == 0) return cutAfterColon(rcv, 3);
  if (rcv.rfind("GSM", 0) == 0) return cutAfterColon(rcv, 2);
  return rcv;
}

ReceiverPool::ReceiverPool(const std::vector<std::string>& receivers) {
  for (const std::string& r : receivers) {
    // Two strings that differ only in their secret name one receiver: the first is kept.
    const std::string name = PublicName(r);
    if (m_Configured.emplace(name, r).second) m_Public.push_back(name);
  }
}

std::string ReceiverPool::Resolve(const std::string& rcv) const {
  if (m_Configured.count(rcv)) return rcv;
  // A client that knows the secret may still name the receiver in full.
  for (const auto& [name, configured] : m_Configured)
    if (configured == rcv) return name;
  return {};
}

std::string ReceiverPool::Configured(const std::string& publicName) const {
  const auto it = m_Configured.find(publicName);
  return it == m_Configured.end() ? std::string() : it->second;
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
  if (it == m_Held.end() || it->second.owner != holder) return;
  m_Held.erase(it);
  // Watching ends with the holding: a later holder's data is not theirs to see.
  std::lock_guard w(m_WatchLock);
  m_Watchers.erase(rcv);
}

bool ReceiverPool::Watch(const std::string& rcv, const void* watcher, WatchSink sink, std::string& who) {
  std::lock_guard l(m_Lock);
  const auto it = m_Held.find(rcv);
  if (it == m_Held.end()) return false;
  who = it->second.who;
  std::lock_guard w(m_WatchLock);
  m_Watchers[rcv][watcher] = std::move(sink);
  return true;
}

void ReceiverPool::Unwatch(const std::string& rcv, const void* watcher) {
  std::lock_guard w(m_WatchLock);
  const auto it = m_Watchers.find(rcv);
  if (it == m_Watchers.end()) return;
  it->second.erase(watcher);
  if (it->second.empty()) m_Watchers.erase(it);
}

void ReceiverPool::ToWatchers(const std::string& rcv, std::uint16_t type, std::uint8_t result,
                              std::string_view payload) {
  std::lock_guard w(m_WatchLock);
  const auto it = m_Watchers.find(rcv);
  if (it == m_Watchers.end()) return;
  for (auto& [watcher, sink] : it->second) sink(type, result, payload);
}

}  // namespace gridserver
