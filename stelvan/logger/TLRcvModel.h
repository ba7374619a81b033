#pragma once
// The logger's view of the program's receiver model: raw writes, commands with their
// replies, and the raw stream as a stream listener. Holds a reference to the model.
#include <functional>
#include <mutex>

#include "IReceiverModel.h"
#include "logger/GnssLogSession.h"

namespace Gnss {

class TLRcvModel : public ILogReceiver, private Tellus::IStreamListener {
 public:
  explicit TLRcvModel(Tellus::IReceiverModel* model);
  ~TLRcvModel() override;

  bool ready() override;
  bool writeRaw(const std::string& text) override;
  bool command(const std::string& text, std::string& reply, int timeoutMs) override;
  void setStreamSink(std::function<void(const std::uint8_t*, std::size_t)> sink) override;

 private:
  void onData(const std::uint8_t* bytes, std::size_t count) override;

  Tellus::IReceiverModel* model_;
  std::mutex lock_;
  std::function<void(const std::uint8_t*, std::size_t)> sink_;
  bool listening_ = false;
};

}  // namespace Gnss
