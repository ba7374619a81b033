// The connection thread: reads server packets (from the local server's mailbox or from the
// socket), completes replies, queues receiver data for the message thread and raises server
// events.
#include <algorithm>
#include <string>

#include "gridlink/CLogFile.h"
#include "gridlink/TrafficLog.h"
#include "session/ConnectionEvents.h"
#include "session/ConnectionState.h"
#include "session/ServerPacketReader.h"

namespace {

using namespace ServerLink;

class ConnectionReader {
 public:
  ConnectionReader(CConnection* conn, ConnectionState& s, PacketForm form)
      : m_Conn(conn), m_S(s), m_Form(form), m_Reader(form, s.key) {}

  void Run();

 private:
  bool readLocal();   // false: stop
  bool readRemote();  // false: the connection is gone
  void parse();
  void dispatch(const ServerPacket& p);
  void onReply(const ServerPacket& p, const std::string& text);
  void onTransfer(RcvRef& r, const ServerPacket& p, const Dispatch& d, std::string_view data);
  void onServerEnd(const std::string& text, const Dispatch& d);
  void queueData(RcvRef& r, const ServerPacket& p, std::uint8_t attachSlot, std::string_view data);
  bool anyAttached();
  void lost(bool raiseEvent);

  CConnection* m_Conn;
  ConnectionState& m_S;
  PacketForm m_Form;
  ServerPacketReader m_Reader;
};

void ConnectionReader::Run() {
  ClientLog().WriteTimed(std::string(kConnectionThreadStarted));
  m_S.receivedBytes = 0;
  m_S.terminated = false;
  m_S.connStarted.Set();
  while (!m_S.terminated) {
    const bool more = m_Form == PacketForm::Local ? readLocal() : readRemote();
    if (!more) break;
    parse();
    if (m_Form == PacketForm::Local) m_S.handoff.Done();
  }
  ClientLog().WriteTimed(std::string(kConnectionThreadTerminated));
}

bool ConnectionReader::readLocal() {
  std::string packet;
  switch (m_S.handoff.Take(packet, kLocalDataWaitMs)) {
    case PacketHandoff::TakeResult::Got:
      m_Reader.feed(packet.data(), packet.size());
      return true;
    case PacketHandoff::TakeResult::TimedOut:
      return true;
    case PacketHandoff::TakeResult::Closed:
      break;
  }
  return false;
}

bool ConnectionReader::anyAttached() {
  std::lock_guard lock(m_S.mapLock);
  for (const auto& [id, r] : m_S.receivers)
    if (ConnectionAccess::attached(*r.get())) return true;
  return false;
}

bool ConnectionReader::readRemote() {
  std::span<std::uint8_t> room = m_Reader.writable();
  const int n = m_S.socket._Read(reinterpret_cast<char*>(room.data()), static_cast<int>(room.size()),
                                 static_cast<int>(m_S.timeoutSeconds.load()));
  if (n > 0) {
    m_Reader.commit(static_cast<std::size_t>(n));
    return true;
  }
  if (m_S.terminated) return false;
  if (n == -2) {  // a quiet line: only a waiting request or an attached receiver minds
    ClientLog().WriteTimed("ERDLL: Receive timeout");
    const bool attached = anyAttached();
    if ((!m_S.waitingForReply || m_S.waitingForOpen) && !attached) return true;
    lost(attached);
    return false;
  }
  // The server closed the connection (0) or the socket broke (-1): reading on would only spin.
  ClientLog().WriteTimed(n == 0 ? "ERDLL: Server closed the connection" : "ERDLL: Receive failed");
  lost(true);
  return false;
}

void ConnectionReader::lost(bool raiseEvent) {
  m_S.terminated = true;
  m_S.socket.Cleanup();
  const int pending = m_S.pendingReply.load();
  if (m_S.waitingForReply && pending > 0) {
    m_Conn->SetReply(pending - 1, std::string(kReceiverDontReply).c_str(), 0);
    m_S.replyReady.Set();
  }
  if (raiseEvent)
    m_Conn->CreateException(std::string(kReceiverDontReply).c_str(),
                            static_cast<std::uint8_t>(kEventConnectionLost));
}

void ConnectionReader::parse() {
  ServerPacket p;
  for (;;) {
    const ScanStatus st = m_Reader.next(p);
    if (st == ScanStatus::NeedMore) return;
    if (st == ScanStatus::Dropped) {
      const std::string notice(dropNotice(m_Reader.lastDrop()));
      if (m_Reader.lastDrop() == DropReason::BadLength)
        ClientLog().WriteData(notice.c_str(), m_Reader.lastDropped().data(), m_Reader.lastDropped().size());
      else
        ClientLog().WriteTimed(notice);
      continue;
    }
    dispatch(p);
    if (m_S.terminated) return;
  }
}

void ConnectionReader::dispatch(const ServerPacket& p) {
  // The data without the local server's closing zero (a remote checksum is already gone).
  std::string_view data(reinterpret_cast<const char*>(p.payload.data()), p.payload.size());
  if (m_Form == PacketForm::Local && !data.empty()) data.remove_suffix(1);
  const std::string text(p.text());
  m_S.receivedBytes += data.size();
  RcvRef r = ConnectionAccess::find(m_S, p.rcvId);
  if (r && ConnectionAccess::closing(*r.get())) r = RcvRef();

  const Dispatch d = dispatchOf(p.kind());
  if (d.route != Route::Reply && Gridlink::TrafficLog::Active())  // replies are logged by their request
    Gridlink::TrafficLog::Received(
        (r ? r->GetReceiverName() : m_Conn->GetUserNameA()) + (d.route == Route::Data ? " data" : " event"), data);
  switch (d.route) {
    case Route::Reply:
      onReply(p, text);
      return;
    case Route::Data:
      if (r && d.attachSlot < kAttachSlots) queueData(r, p, d.attachSlot, data);
      return;
    case Route::ServerLog:
      if (m_S.logLevel != 0) ClientLog().WriteTimed(m_Conn->GetUserNameA() + " < " + text);
      return;
    case Route::Transfer:
      onTransfer(r, p, d, data);
      return;
    case Route::Event:
      m_Conn->CreateException(text.c_str(), static_cast<std::uint8_t>(d.event));
      return;
    case Route::End:
      onServerEnd(text, d);
      return;
    case Route::Unknown:
      ClientLog().WriteTimed(std::string(kUnknownType) + text);
      return;
  }
}

void ConnectionReader::onReply(const ServerPacket& p, const std::string& text) {
  ConnectionAccess::completeReply(*m_Conn, p.rcvId, text, p.result);
}

void ConnectionReader::onTransfer(RcvRef& r, const ServerPacket& p, const Dispatch& d, std::string_view data) {
  std::string msg(data);  // binary blocks may hold zero bytes
  if (r && ConnectionAccess::opened(*r.get())) {
    ConnectionAccess::receiverTransfer(*r.get(), msg);
    queueData(r, p, 0, msg);
  } else {
    ConnectionAccess::serverTransfer(*m_Conn, msg);
    m_Conn->CreateException(msg.c_str(), static_cast<std::uint8_t>(d.event));
  }
}

void ConnectionReader::onServerEnd(const std::string& text, const Dispatch& d) {
  m_S.terminated = true;
  m_S.socket.Cleanup();
  const int pending = m_S.pendingReply.load();
  if (m_S.waitingForReply && pending > 0) {  // nobody else will answer the waiting request
    m_Conn->SetReply(pending - 1, text.c_str(), 0);
    m_S.replyReady.Set();
  }
  m_Conn->CreateException(text.c_str(), static_cast<std::uint8_t>(d.event));
}

void ConnectionReader::queueData(RcvRef& r, const ServerPacket& p, std::uint8_t attachSlot,
                                 std::string_view data) {
  if (!ConnectionAccess::opened(*r.get())) return;
  if (ConnectionAccess::logTraffic(*r.get()))
    ClientLog().WriteData((r->GetReceiverName() + " < ").c_str(), data.data(), data.size());
  ConnectionAccess::addReceived(*r.get(), static_cast<int>(data.size()));
  if (!m_S.messageThreadRunning) return;  // nobody would read it
  const DataEntry entry{p.rcvId, attachSlot, static_cast<std::uint8_t>(p.slot())};
  if (m_S.ring.Push(entry, reinterpret_cast<const std::uint8_t*>(data.data()), data.size()))
    m_S.messageWake.Set();
}

}  // namespace

void ConnectionAccess::completeReply(CConnection& c, std::uint8_t rcvId, const std::string& text,
                                     std::uint8_t result) {
  ConnectionState& s = *c.m_State;
  if (static_cast<int>(rcvId) != s.pendingReply.load() - 1) {
    ClientLog().WriteTimed(std::string(kBadClientPath) + text);
    return;
  }
  c.SetReply(rcvId, text.c_str(), result);
  s.replyReady.Set();
}

std::uint32_t CConnection::TCPThreadConnect(void* conn) {
  auto* c = static_cast<CConnection*>(conn);
  ConnectionState& s = ConnectionAccess::state(*c);
  ConnectionReader reader(c, s, s.local ? PacketForm::Local : PacketForm::Remote);
  reader.Run();
  return 0;
}
