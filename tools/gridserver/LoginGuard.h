#pragma once
// Failed-login throttling, by user name and by address: each failure in a row doubles the
// wait before its refusal, and enough of them lock the user or the address out for a while
// (the right password is refused too until then). A success clears the user's and the
// address's counts. Waits are served by the failing session's own thread, so nobody else
// waits. Any thread.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

#include "gridserver/ServerOptions.h"

namespace gridserver {

class LoginGuard {
 public:
  explicit LoginGuard(const LoginThrottle& throttle) : m_Throttle(throttle) {}

  // True while the user or the address is locked out.
  bool Locked(const std::string& user, const std::string& address);
  // Counts a failure; the wait before refusing it, in milliseconds.
  std::uint32_t Failed(const std::string& user, const std::string& address);
  void Succeeded(const std::string& user, const std::string& address);

 private:
  struct Record {
    unsigned failures = 0;
    std::uint32_t lastFailure = 0;  // tick
    std::uint32_t lockedAt = 0;
    bool locked = false;
  };
  std::uint32_t lockMs() const { return m_Throttle.lockMinutes * 60000u; }
  bool lockedNow(const std::string& key, std::uint32_t now);
  unsigned count(const std::string& key, std::uint32_t now);
  void forgetOld(std::uint32_t now);

  const LoginThrottle m_Throttle;
  std::mutex m_Lock;
  std::map<std::string, Record> m_Records;  // "user NAME" or "address A.B.C.D"
};

}  // namespace gridserver
