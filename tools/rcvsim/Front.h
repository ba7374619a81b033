#pragma once
// Something that stands before the receiver on a link and talks first: the
// TCP login prompt or a GSM modem. Bytes pass through it until it lets the
// receiver have the line.
#include <cstddef>
#include <string>

namespace rcvsim {

class Front {
 public:
  virtual ~Front() = default;
  // Takes received bytes; appends what belongs to the receiver to `toReceiver`.
  virtual void onBytes(const char* bytes, std::size_t count, std::string& toReceiver) = 0;
  virtual void tick() {}
  // The front has refused the peer and the link should be closed.
  virtual bool wantsClose() const { return false; }
  // The receiver's own output may flow (a modem has connected).
  virtual bool receiverReached() const { return true; }
};

}  // namespace rcvsim
