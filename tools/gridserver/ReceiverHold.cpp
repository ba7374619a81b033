#include "gridserver/ReceiverHold.h"

#include "session/ConnectionEvents.h"
#include "session/RequestPacket.h"
#include "session/ServerPacket.h"

namespace gridserver {

ReceiverHold::ReceiverHold(std::string rcv, std::string configured, Forward forward)
    : m_Rcv(std::move(rcv)),
      m_Configured(std::move(configured)),
      m_Forward(std::move(forward)),
      m_Server(std::make_unique<LocalServer>(*this)) {}

ReceiverHold::~ReceiverHold() {
  m_Quiet = true;
  m_Server.reset();  // the link and its reader end here, before the sink goes
}

int ReceiverHold::run(std::string_view text, std::uint8_t rcvId, bool quiet) {
  const std::string packet = ServerLink::buildRequestPacket(text, rcvId);
  if (packet.empty()) return 0;
  m_Quiet = quiet;
  m_LastResult = 0;
  m_Server->Process(reinterpret_cast<const unsigned char*>(packet.data()), packet.size());
  m_Quiet = false;
  return m_LastResult;
}

int ReceiverHold::Open(const std::string& user, std::uint8_t rcvId) {
  run("OpenUsr " + user, rcvId, true);
  return run("OpenRcv " + m_Configured, rcvId, false);
}

int ReceiverHold::Process(std::string_view text, std::uint8_t rcvId) {
  return run(text, rcvId, false);
}

int ReceiverHold::ProcessKeepingReply(std::string_view text, std::uint8_t rcvId, std::string& reply) {
  m_KeptReply.clear();
  const int result = run(text, rcvId, true);
  reply = m_KeptReply;
  return result;
}

void ReceiverHold::CloseQuietly(std::uint8_t rcvId) {
  run("CloseRcv", rcvId, true);
}

bool ReceiverHold::Offer(std::string_view packet, std::uint32_t) {
  if (packet.size() < ServerLink::minPacket(ServerLink::PacketForm::Local)) return false;
  const auto h = ServerLink::readHeader(reinterpret_cast<const std::uint8_t*>(packet.data()));
  // The local form ends with a zero byte that the remote form does not carry.
  const std::string_view payload =
      packet.substr(ServerLink::kHeaderSize, packet.size() - ServerLink::kHeaderSize - 1);
  const bool reply = ServerLink::kindOf(h.type) == 0;
  if (reply) m_LastResult = h.result;
  if (reply && m_Quiet) m_KeptReply.assign(payload);
  if (reply && m_Quiet) return true;
  if (m_Quiet && !reply) return true;  // data after the client went
  if (m_Tap && ServerLink::dispatchOf(ServerLink::kindOf(h.type)).route == ServerLink::Route::Data)
    m_Tap(h.type, h.result, payload);
  return m_Forward(h.type, h.rcvId, h.result, payload);
}

}  // namespace gridserver
