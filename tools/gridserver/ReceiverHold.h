#pragma once
// One receiver held by one client: Gridlink's local server drives the receiver's link and
// answers the receiver's requests exactly as it does inside a client; its replies and the
// receiver's data go to the holding client only. Created by the client's session on "OpenRcv"
// and deleted on "CloseRcv" or when the client goes; deleting it closes the link.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "session/LocalServer.h"

namespace gridserver {

class ReceiverHold : public LocalSrv::PacketSink {
 public:
  // Passes a server packet on: (type, receiver id, result, payload); false when it is lost.
  using Forward = std::function<bool(std::uint16_t, std::uint8_t, std::uint8_t, std::string_view)>;

  // `rcv` names the receiver to clients and in the log; `configured` (its secret included)
  // opens the link.
  ReceiverHold(std::string rcv, std::string configured, Forward forward);
  ~ReceiverHold() override;

  const std::string& Receiver() const { return m_Rcv; }
  // Opens the link for `user`; the reply goes to the client. The result value.
  int Open(const std::string& user, std::uint8_t rcvId);
  // One request for this receiver; the reply goes to the client. The result value.
  int Process(std::string_view text, std::uint8_t rcvId);
  // One request whose reply is kept for the caller instead of going to the client (its text
  // in reply); the result value.
  int ProcessKeepingReply(std::string_view text, std::uint8_t rcvId, std::string& reply);
  // Stops the receiver's output and closes the link without telling the client.
  void CloseQuietly(std::uint8_t rcvId);

  // Receives a copy of every data packet the holder gets (for watchers); before Open.
  using DataTap = std::function<void(std::uint16_t, std::uint8_t, std::string_view)>;
  void SetDataTap(DataTap tap) { m_Tap = std::move(tap); }

  bool Offer(std::string_view packet, std::uint32_t timeoutMs) override;

 private:
  int run(std::string_view text, std::uint8_t rcvId, bool quiet);

  const std::string m_Rcv;
  const std::string m_Configured;
  Forward m_Forward;
  DataTap m_Tap;
  std::atomic<bool> m_Quiet{false};
  std::atomic<int> m_LastResult{0};
  std::string m_KeptReply;  // the reply of a quiet request; written in the serving thread
  std::unique_ptr<LocalServer> m_Server;
};

}  // namespace gridserver
