#pragma once
// Receives recognised messages from a GnssMsgStorage, on the analysis
// worker, with the storage's lock held: onMessage must be quick and must not
// add or remove listeners of the same storage.
#include "IMessageGNSS.h"

namespace Tellus {

class IGnssMessageListener {
 public:
  virtual void onMessage(engine::IMessageGNSS* message) = 0;

 protected:
  virtual ~IGnssMessageListener() = default;
};

}  // namespace Tellus
