#pragma once
// The receivers a server offers (its --receiver strings) and who holds each: one client at a
// time controls a receiver. Clients see and name each receiver by its public form, with the
// receiver's login password (or a modem's PIN) emptied; only the server knows the secret and
// uses it when it opens the link. Any thread.
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
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

  // Watchers: read-only clients of a held receiver, who get the data its holder gets.
  // Passes one data packet on to a watcher: (type, result, payload) -> taken.
  using WatchSink = std::function<bool(std::uint16_t, std::uint8_t, std::string_view)>;
  // Adds `watcher` to a receiver someone holds; false when nobody holds it. Its holder in who.
  bool Watch(const std::string& rcv, const void* watcher, WatchSink sink, std::string& who);
  void Unwatch(const std::string& rcv, const void* watcher);
  // Hands a data packet of the holder's to every watcher of rcv (the holder's link thread).
  void ToWatchers(const std::string& rcv, std::uint16_t type, std::uint8_t result, std::string_view payload);

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
  // Watchers by receiver; changed under m_Lock, packets handed on under m_WatchLock so that a
  // watcher that goes waits for a packet in flight to it.
  std::mutex m_WatchLock;
  std::map<std::string, std::map<const void*, WatchSink>> m_Watchers;
};

}  // namespace gridserver
