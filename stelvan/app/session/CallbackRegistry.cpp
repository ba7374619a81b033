#include "session/CallbackRegistry.h"

#include <cstring>

#include "gridlink/CReceiver.h"

namespace session {

CallbackRegistry& CallbackRegistry::instance() {
  static CallbackRegistry registry;
  return registry;
}

void CallbackRegistry::OnData(CReceiver* receiver) {
  if (!receiver) return;
  instance().data.visit({receiver, receiver->GetLastSlot()}, [receiver](auto& handler) { handler(receiver); });
}

std::uint32_t CallbackRegistry::OnServerEvent(void* connection) {
  auto* conn = static_cast<CConnection*>(connection);
  if (conn) instance().serverEvents.visit(conn, [conn](auto& handler) { handler(conn); });
  return 0;
}

bool CallbackRegistry::OnLineSearch(void* speed) {
  // {8, rate}: two 32-bit integers.
  std::uint32_t words[2] = {0, 0};
  if (speed) std::memcpy(words, speed, sizeof words);
  bool abort = false;
  instance().lineSearch.visit(0, [&](auto& handler) { abort = handler(words[1]); });
  return abort;
}

void CallbackRegistry::OnCommandOutput(char* data, int length) {
  if (!data || length <= 0) return;
  instance().commandOutput.visit(0, [&](auto& handler) { handler(data, length); });
}

bool CallbackRegistry::OnUploadProgress(std::uint32_t done, std::uint32_t total, std::uint32_t param) {
  bool goOn = true;
  instance().uploadProgress.visit(param, [&](auto& handler) { goOn = handler(done, total); });
  return goOn;
}

}  // namespace session
