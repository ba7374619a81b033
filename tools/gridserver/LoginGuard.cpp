#include "gridserver/LoginGuard.h"

#include <algorithm>

#include "gridlink/platform/Clock.h"
#include "gridserver/ServerLog.h"

namespace gridserver {
namespace {

// Past this many remembered names and addresses, old records are swept out.
constexpr std::size_t kSweepAt = 10000;

}  // namespace

bool LoginGuard::lockedNow(const std::string& key, std::uint32_t now) {
  const auto it = m_Records.find(key);
  if (it == m_Records.end() || !it->second.locked) return false;
  if (now - it->second.lockedAt < lockMs()) return true;
  m_Records.erase(it);  // served its time: a fresh start
  return false;
}

bool LoginGuard::Locked(const std::string& user, const std::string& address) {
  std::lock_guard l(m_Lock);
  const std::uint32_t now = Platform::GetTickCount();
  const bool byUser = lockedNow("user " + user, now);
  return lockedNow("address " + address, now) || byUser;
}

// One more failure of `key`; its count in a row. Failures further apart than a lock-out
// do not add up.
unsigned LoginGuard::count(const std::string& key, std::uint32_t now) {
  Record& r = m_Records[key];
  if (r.failures && now - r.lastFailure >= lockMs()) r.failures = 0;
  r.lastFailure = now;
  if (++r.failures >= m_Throttle.failures && !r.locked) {
    r.locked = true;
    r.lockedAt = now;
    logEvent(key + " locked out for " + std::to_string(m_Throttle.lockMinutes) + " min after " +
             std::to_string(r.failures) + " failed logins");
  }
  return r.failures;
}

std::uint32_t LoginGuard::Failed(const std::string& user, const std::string& address) {
  std::lock_guard l(m_Lock);
  const std::uint32_t now = Platform::GetTickCount();
  if (m_Records.size() >= kSweepAt) forgetOld(now);
  const unsigned n = std::max(count("user " + user, now), count("address " + address, now));
  std::uint64_t delay = m_Throttle.delayMs;
  for (unsigned i = 1; i < n && delay < m_Throttle.maxDelayMs; ++i) delay *= 2;
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(delay, std::max(m_Throttle.maxDelayMs, m_Throttle.delayMs)));
}

void LoginGuard::Succeeded(const std::string& user, const std::string& address) {
  std::lock_guard l(m_Lock);
  m_Records.erase("user " + user);
  m_Records.erase("address " + address);
}

void LoginGuard::forgetOld(std::uint32_t now) {
  for (auto it = m_Records.begin(); it != m_Records.end();) {
    const Record& r = it->second;
    const bool current = r.locked ? now - r.lockedAt < lockMs() : now - r.lastFailure < lockMs();
    it = current ? std::next(it) : m_Records.erase(it);
  }
}

}  // namespace gridserver
