#pragma once
// The receivers a server offers (its --receiver strings) and who holds each: one client at a
// time controls a receiver. Clients see and name each receiver by its public form, with the
// receiver's login password (or a modem's PIN) emptied; only the server knows the secret and
// uses it when it opens the link. Any thread.
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace gridserver {

class ReceiverPool {
 public:
  explicit ReceiverPool(const std::vector<std::string>& receivers);

  // The public forms, in the order configured.
  const std::vector<std::string>& List() const { return m_Public; }
  // The public form of a name a client sent (public or full); empty when it names none.
  std::string Resolve(const std::string& rcv) const;
  // The configured string, secret included, of a public form.
  std::string Configured(const std::string& publicName) const;
  // Takes the receiver for `holder`; false, with the holder's description, when another has it.
  bool Acquire(const std::string& rcv, const void* holder, const std::string& who, std::string& heldBy);
  // Gives it back; only its holder can.
  void Release(const std::string& rcv, const void* holder);

  // "TCP:host:port:secret" -> "TCP:host:port:", likewise "WIFI:..." and "GSMport:number:PIN".
  static std::string PublicName(const std::string& rcv);

 private:
  struct Holder {
    const void* owner;
    std::string who;
  };
  std::vector<std::string> m_Public;
  std::map<std::string, std::string> m_Configured;  // public form -> configured string
  std::mutex m_Lock;
  std::map<std::string, Holder> m_Held;
};

}  // namespace gridserver
