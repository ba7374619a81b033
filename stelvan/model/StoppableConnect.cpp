#include "StoppableConnect.h"

#include <chrono>
#include <thread>

namespace Tellus {

namespace {
// The caller polls the model's state; the procedure's reports are not needed.
struct QuietConnect : IConnectionListener {
  void onConnectStart() override {}
  void onConnectProgress(const std::string&) override {}
  void onConnectFailure(const std::string&) override {}
  void onConnected(bool) override {}
};
}  // namespace

bool ConnectStoppable(IReceiverModel& model, const std::string& connection, const std::function<bool()>& stopNow) {
  static QuietConnect quiet;
  if (!model.connect(connection, &quiet)) return false;
  while (model.state() == 1) {
    if (stopNow()) {
      model.cancelConnect();
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return model.isConnected();
}

}  // namespace Tellus
