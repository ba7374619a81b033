#pragma once
// The receivers a server offers (its --receiver strings) and who holds each: one client at a
// time controls a receiver. Any thread.
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace gridserver {

class ReceiverPool {
 public:
  explicit ReceiverPool(std::vector<std::string> receivers) : m_Receivers(std::move(receivers)) {}

  const std::vector<std::string>& List() const { return m_Receivers; }
  bool Known(const std::string& rcv) const;
  // Takes the receiver for `holder`; false, with the holder's description, when another has it.
  bool Acquire(const std::string& rcv, const void* holder, const std::string& who, std::string& heldBy);
  // Gives it back; only its holder can.
  void Release(const std::string& rcv, const void* holder);

 private:
  struct Holder {
    const void* owner;
    std::string who;
  };
  const std::vector<std::string> m_Receivers;
  std::mutex m_Lock;
  std::map<std::string, Holder> m_Held;
};

}  // namespace gridserver
