#pragma once
// A bare TCP client of the server: writes any bytes, reads server packets. For what a
// well-behaved CConnection never sends.
#include <string>

#include "gridlink/CBlockingSocket.h"
#include "session/RequestPacket.h"
#include "session/ServerPacketReader.h"

class RawClient {
 public:
  explicit RawClient(unsigned port) {
    m_Socket.Create(true);
    m_Socket.Connect(CSockAddr("127.0.0.1", static_cast<std::uint16_t>(port)), 5000);
  }
  bool write(const std::string& bytes) {
    return m_Socket.Write(bytes.data(), static_cast<int>(bytes.size()), 5) == static_cast<int>(bytes.size());
  }
  bool request(const std::string& text, std::uint8_t rcvId = 0) {
    return write(ServerLink::buildRequestPacket(text, rcvId));
  }
  // The next reply (packet kind 0) within timeoutSeconds; "" when none came or the server
  // closed the connection.
  std::string nextReply(int timeoutSeconds = 10) {
    ServerLink::ServerPacket p;
    for (int rounds = 0; rounds < 1000; ++rounds) {
      for (ServerLink::ScanStatus s; (s = m_Reader.next(p)) != ServerLink::ScanStatus::NeedMore;)
        if (s == ServerLink::ScanStatus::Packet && p.kind() == 0) return std::string(p.text());
      auto room = m_Reader.writable();
      const int n =
          m_Socket._Read(reinterpret_cast<char*>(room.data()), static_cast<int>(room.size()), timeoutSeconds);
      if (n <= 0) return {};
      m_Reader.commit(static_cast<std::size_t>(n));
    }
    return {};
  }
  // True when the server closed the connection within timeoutSeconds.
  bool closedByServer(int timeoutSeconds) {
    char buf[256];
    for (int rounds = 0; rounds < 1000; ++rounds) {
      const int n = m_Socket._Read(buf, sizeof buf, timeoutSeconds);
      if (n == 0 || n == -1) return true;
      if (n == -2) return false;
    }
    return false;
  }

 private:
  CBlockingSocket m_Socket;
  ServerLink::ServerPacketReader m_Reader{ServerLink::PacketForm::Remote};
};
