#pragma once
// LocalServer: plays the server's part inside the process for one connection and drives at
// most one receiver over a direct link. Requests arrive as request packets in the thread that
// called CConnection::SendData (which holds the connection's send lock); every packet of
// receiver data leaves through SendPacket, which hands it to the connection thread and waits
// until that thread took it (at most 5 s); the reply is completed by SendReply in its place
// among those packets.
//
// Owned and deleted by its CConnection. The link (and its reader thread) is deleted by
// "CloseRcv" or with the server.
#include <atomic>
#include <bitset>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "gridlink/CConnection.h"
#include "gridlink/platform/CriticalSection.h"
#include "gridlink/platform/Event.h"
#include "links/LinkOwner.h"
#include "session/DeviceLink.h"
#include "session/MessageTable.h"
#include "transfer/CTransferProtocol.h"

namespace LocalSrv {

// Where the packets of a local server go when no CConnection owns it (a server program passes
// them on to its client's socket). Called under the server's send lock, from the thread
// serving a request or from the link's reader.
class PacketSink {
 public:
  virtual ~PacketSink() = default;
  // One packet in the local form; false when it could not be passed on within timeoutMs.
  virtual bool Offer(std::string_view packet, std::uint32_t timeoutMs) = 0;
};

}  // namespace LocalSrv

class LocalServer : public CLinkOwner {
 public:
  static constexpr std::uint32_t kPacketTakenWaitMs = 5000;
  static constexpr unsigned kLoopTimeoutMs = 9999;
  static constexpr unsigned kListTimeoutMs = 29999;
  static constexpr unsigned kCommandTimeoutMs = 9999;
  static constexpr unsigned kTcpCommandTimeoutMs = 29999;
  static constexpr unsigned kAttachTimeoutMs = 1999;
  static constexpr unsigned kDetachPauseMs = 200;
  static constexpr const char* kStopSequence = "\ndm\n||\ndm\n||####\ndm";

  explicit LocalServer(CConnection* owner);
  // Serves one receiver for a program that is itself a server: replies and receiver data go
  // to the sink, and nothing is remembered in the user's settings.
  explicit LocalServer(LocalSrv::PacketSink& sink);
  ~LocalServer() override;
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  // One request packet, exactly as it would go to a remote server; the reply is sent
  // before this returns.
  void Process(const unsigned char* packet, std::size_t length);
  // Header "%04x%03x%02x%02x" (text length + 12, type, receiver id, result), text, zero byte;
  // false when the connection thread did not take it in time.
  bool SendPacket(unsigned type, std::uint8_t result, std::string_view text);
  // The reply to the request in hand: completed in this thread, in its place among the
  // packets already handed over (a connection thread wake-up and a caller wake-up fewer per
  // request); through SendPacket when the server feeds a sink.
  bool SendReply(std::uint8_t result, const std::string& text);

  // For the links. The server lock is the send lock: a reader framing a pass holds it, so a
  // reply packet waits for the pass (and its deliveries) to end.
  Platform::CriticalSection& ServerLock() override { return m_SendLock; }
  bool LookupMessage(std::uint8_t messageNumber, std::uint8_t& streamKind) override;
  bool DeliverPacket(unsigned type, const void* payload, std::size_t count) override;
  RawDataCallback RawData() override;
  DetectAbortCallback DetectAbort() override;
  // Tells the connection at once: an event packet of kind 7 whose text is "ER:" + why, which
  // reaches the system-message callback (code -4) and the connection's reply text.
  void LinkLost(const std::string& why) override;
  const LocalSrv::MessageTable& Table() const { return m_Table; }
  CConnection* Owner() const { return m_Owner; }
  std::uint8_t ReceiverId() const { return m_RcvId.load(); }

  bool HasLink() const { return m_Link != nullptr; }
  // The receiver id whose "OpenRcv" opened (or took over) the link.
  std::uint8_t LinkOwner() const { return m_LinkOwner; }

  static constexpr const char* kTakenOver = "ER:Receiver link was taken over by another receiver!";

 private:
  using Handler = int (LocalServer::*)(std::string_view arg);
  struct Request {
    Handler handler;
    std::uint8_t attribute;  // carried over from the request table; nothing reads it
  };

  int OpenUsr(std::string_view arg);
  int CloseUsr(std::string_view arg);
  int OpenRcv(std::string_view arg);
  int CloseRcv(std::string_view arg);
  int Command(std::string_view arg);
  int Attach(std::string_view arg);
  int Detach(std::string_view arg);
  int DownloadFile(std::string_view arg);
  int CancelDownload(std::string_view arg);
  int LoadFirmware(std::string_view arg);
  int GetRcvList(std::string_view arg);
  int WriteRaw(std::string_view arg);
  int DontSupport(std::string_view arg);

  void sendStop();
  // True when the request's receiver owns the open link; else the reply says why not.
  bool ownLink();
  // Ends the link (and its transfer) whatever its owner; that owner learns it on its next request.
  void dropLink(bool stopText);
  // Creates the link for the receiver string (kind set); its error text, empty when it opened.
  std::string openLink(const std::string& rcv, int& kind);
  // The "%Loop%" exchange after a stop text; the reply that failed it, empty when it passed.
  std::string loopTest();
  int startTransfer(std::string_view arg, bool upload);
  // Ends the transfer (asking it to stop when still running); false when it would not end.
  bool stopTransfer();
  void buildMessageTable();
  void rememberReceiver(const std::string& rcv, int kind);
  void log(const std::string& text) const;

  CConnection* m_Owner;
  LocalSrv::PacketSink* m_Sink = nullptr;
  std::map<std::string, Request, std::less<>> m_Requests;
  LocalSrv::MessageTable m_Table;  // replaced under the send lock; the reader looks up under it
  std::unique_ptr<LocalSrv::DeviceLink> m_Link;
  int m_LinkKind = -1;
  // One connection may hold several receivers but the server drives one link: the requests of
  // the receivers that opened its device reach it (the link lasts until the last of them
  // closes), anybody else's fail; a receiver whose link another one took is told so.
  std::uint8_t m_LinkOwner = 0;
  std::string m_LinkString;
  std::bitset<256> m_Guests;  // further receivers that opened the same device
  std::bitset<256> m_TakenOver;
  std::atomic<std::uint8_t> m_RcvId{0};  // read by the link's reader for its packets
  std::string m_Reply;
  std::string m_User;
  bool m_Cancel = false;
  // The one file transfer; its handshake events live here so that they outlive any use the
  // link's reader makes of them.
  std::unique_ptr<CTransferProtocol> m_Transfer;
  Platform::Event m_TransferReady{Platform::EventReset::Auto};
  Platform::Event m_TransferGo{Platform::EventReset::Auto};
  Platform::CriticalSection m_SendLock;
};
