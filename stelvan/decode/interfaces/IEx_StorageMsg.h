#pragma once
// Where recognised messages go. createMessage and store run on the analysis
// worker; queries may come from any thread (an implementation locks).
#include <cstddef>
#include <cstdint>
#include <string>

#include "IMessageGNSS.h"
#include "IMsgSetting.h"
#include "ITUnknown.h"

namespace engine {

class IEx_StorageMsg : public ITUnknown {
 public:
  // Queries and controls (2..12); a storage without a stored list answers empty.
  virtual std::size_t messageCount() = 0;              // 2
  // 3 and 5 hand out a counted reference: the worker may drop the stored
  // one at any moment.
  virtual Ref<IMessageGNSS> messageAt(std::size_t i) = 0;  // 3
  virtual std::size_t countOf(const std::string& format, const std::string& id) = 0;   // 4
  virtual Ref<IMessageGNSS> latest(const std::string& format, const std::string& id) = 0;  // 5
  virtual void clear() = 0;                                                            // 6
  virtual void setCapacity(std::size_t n) = 0;                                         // 7: 0 keeps none
  virtual std::size_t capacity() = 0;                                                  // 8
  virtual std::uint64_t totalStored() = 0;                                             // 9
  virtual std::uint64_t totalBytes() = 0;                                              // 10
  virtual void reserved11() = 0;                                                       // 11
  virtual void reserved12() = 0;                                                       // 12
  virtual IMessageGNSS* createMessage(IMsgSetting* status) = 0;                        // 13: count 0
  virtual bool store(IMessageGNSS* message) = 0;                                       // 14
};

}  // namespace engine
