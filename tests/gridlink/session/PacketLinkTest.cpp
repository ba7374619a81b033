// A scripted packet server on 127.0.0.1 and a client reading it through
// CBlockingSocket into the packet reader, as the connection thread will.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PacketBytes.h"
#include "gridlink/CBlockingSocket.h"
#include "session/ConnectionEvents.h"
#include "session/RequestPacket.h"
#include "session/ServerPacketReader.h"

using namespace ServerLink;

namespace {

constexpr int kWaitMs = 10000;

// One step of the script: the bytes, cut into writes of `chunk` bytes
// (0: one write), sent once `gate` has been opened by the client when set.
struct Step {
  Bytes bytes;
  std::size_t chunk = 0;
  bool waitForGate = false;
};

class PacketServer {
 public:
  explicit PacketServer(std::vector<Step> script) : m_Script(std::move(script)) {
    m_Listener.Create(true);
    m_Listener.Bind(CSockAddr("127.0.0.1", 0));
    m_Listener.Listen();
    m_Listener.GetSockAddr(m_Address);
    m_Thread = std::thread([this] { serve(); });
  }
  ~PacketServer() {
    openGate();
    m_Thread.join();
  }
  const CSockAddr& address() const { return m_Address; }
  void openGate() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Gate = true;
    m_Wake.notify_all();
  }
  // The first request the client sent, as received (after the thread ended or the script ran).
  Bytes request() {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Request;
  }

 private:
  void serve() {
    CBlockingSocket peer;
    CSockAddr from;
    if (!m_Listener.Accept(peer, from, kWaitMs)) return;
    char buf[4096];
    const int n = peer._Read(buf, sizeof buf, kWaitMs / 1000);
    if (n > 0) {
      std::lock_guard<std::mutex> lock(m_Lock);
      m_Request.assign(buf, buf + n);
    }
    for (const Step& s : m_Script) {
      if (s.waitForGate) {
        std::unique_lock<std::mutex> lock(m_Lock);
        if (!m_Wake.wait_for(lock, std::chrono::milliseconds(kWaitMs), [this] { return m_Gate; })) return;
      }
      const std::size_t chunk = s.chunk ? s.chunk : s.bytes.size();
      for (std::size_t at = 0; at < s.bytes.size(); at += chunk) {
        const int len = static_cast<int>(std::min(chunk, s.bytes.size() - at));
        if (peer.Write(reinterpret_cast<const char*>(s.bytes.data() + at), len, kWaitMs / 1000) != len)
          return;
      }
    }
    peer.Close();  // the client reads 0
  }

  std::vector<Step> m_Script;
  CBlockingSocket m_Listener;
  CSockAddr m_Address;
  std::thread m_Thread;
  std::mutex m_Lock;
  std::condition_variable m_Wake;
  bool m_Gate = false;
  Bytes m_Request;
};

struct Received {
  std::vector<std::string> packets;  // "kind/slot/id/result:text"
  std::vector<Route> routes;
  std::size_t drops = 0;
  int timeouts = 0;
  bool closed = false;
  std::string error;
};

std::string describe(const ServerPacket& p) {
  return std::to_string(p.kind()) + "/" + std::to_string(p.slot()) + "/" + std::to_string(p.rcvId) + "/" +
         std::to_string(p.result) + ":" + std::string(p.text());
}

// The connection thread's read loop in miniature: read after the kept bytes,
// take every whole packet, stop at the server's end packet or a closed line.
Received readAll(CBlockingSocket& s, PacketServer* gate = nullptr, int seconds = 10) {
  ServerPacketReader reader(PacketForm::Remote);
  Received r;
  for (int round = 0; round < 100000 && !r.closed; ++round) {
    const auto room = reader.writable();
    int n = 0;
    try {
      n = s.Read(reinterpret_cast<char*>(room.data()), static_cast<int>(room.size()), seconds);
    } catch (const CBlockingSocketException& e) {
      if (e.GetErrorCode() != 0 || ++r.timeouts > 3) {
        r.error = e.GetOperation();
        return r;
      }
      if (gate) gate->openGate();  // a quiet line: carry on reading
      continue;
    }
    if (n == 0) {
      r.closed = true;
      break;
    }
    reader.commit(static_cast<std::size_t>(n));
    ServerPacket p;
    for (ScanStatus st; (st = reader.next(p)) != ScanStatus::NeedMore;) {
      if (st == ScanStatus::Dropped) {
        ++r.drops;
        continue;
      }
      r.packets.push_back(describe(p));
      r.routes.push_back(dispatchOf(p.kind()).route);
    }
  }
  return r;
}

// What the reader makes of the same bytes handed over in one piece.
std::vector<std::string> reference(const std::vector<Step>& script) {
  ServerPacketReader reader(PacketForm::Remote);
  std::vector<std::string> out;
  ServerPacket p;
  for (const Step& s : script) {
    for (std::size_t at = 0; at < s.bytes.size();) {
      at += reader.feed(s.bytes.data() + at, s.bytes.size() - at);
      for (ScanStatus st; (st = reader.next(p)) != ScanStatus::NeedMore;)
        if (st == ScanStatus::Packet) out.push_back(describe(p));
    }
  }
  return out;
}

}  // namespace

TEST(PacketLink, ScriptedPacketsArriveWholeThroughARealSocket) {
  const std::string big(60000, 'B');
  Bytes merged = remotePacket(kKindNmeaData, 3, 1, 0, "$GPGGA,1") +
                 remotePacket(kKindNmeaData, 3, 1, 0, "$GPGGA,2") +
                 remotePacket(kKindRtcmData, 9, 1, 0, "rtcm");
  const std::vector<Step> script = {
      {remotePacket(kKindReply, 0, 0, 1, "RE:OK.")},
      {remotePacket(kKindZrxData, 0x10, 1, 0, "PV012abcdefghijklmnopqr"), 1},  // byte by byte
      {scrambled(remotePacket(kKindZrxData, 0x11, 1, 0, "DP00Axyz")), 3},
      {bytesOf("zzzzzzzzzz")},  // line noise
      {merged, 7},
      {remotePacket(kKindServerLog, 0, 0, 0, "server says hello")},
      {remotePacket(kKindEvent7, 0, 0, 0, "a message for you")},
      {remotePacket(kKindSlot0Data, 0, 1, 0, big), 4000},
      {remotePacket(kKindServerEnd, 0, 0, 0, "RE:Server shutdown")},
  };
  PacketServer server(script);
  CBlockingSocket client;
  client.Create(false);
  client.Connect(server.address());
  // The login request goes out scrambled, without its zero byte.
  const std::string request = buildRequestPacket("OpenUsr anna secret stelvan", 0);
  const Bytes frame = CryptPacket(u8(request), request.size() - 1);
  ASSERT_EQ(client.Write(reinterpret_cast<const char*>(frame.data()), static_cast<int>(frame.size()), 10),
            static_cast<int>(frame.size()));

  const Received r = readAll(client);
  EXPECT_TRUE(r.closed);
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.packets, reference(script));
  const std::vector<std::string> expected = {"0/0/0/1:RE:OK.",
                                             "1/16/1/0:PV012abcdefghijklmnopqr",
                                             "1/17/1/0:DP00Axyz",
                                             "3/3/1/0:$GPGGA,1",
                                             "3/3/1/0:$GPGGA,2",
                                             "4/9/1/0:rtcm",
                                             "6/0/0/0:server says hello",
                                             "7/0/0/0:a message for you",
                                             "11/0/1/0:" + big,
                                             "15/0/0/0:RE:Server shutdown"};
  EXPECT_EQ(r.packets, expected);
  // The noise is one drop, or a few when it arrives split across reads.
  EXPECT_GE(r.drops, 1u);
  EXPECT_LE(r.drops, 10u);
  EXPECT_EQ(r.routes.back(), Route::End);

  Bytes got = server.request();
  ASSERT_EQ(got.size(), frame.size());
  const std::size_t plain = UnCryptPacket(got.data(), got.size());
  const auto parsed = parseRequestPacket(got.data(), plain);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->rcvId, 0);
  EXPECT_EQ(parsed->text, "OpenUsr anna secret stelvan");
}

TEST(PacketLink, AQuietLineTimesOutWithCodeZeroAndReadingGoesOn) {
  PacketServer server({{remotePacket(kKindReply, 0, 2, 1, "RE005%1%ok"), 0, true}});
  CBlockingSocket client;
  client.Create(false);
  client.Connect(server.address());
  const std::string request = buildRequestPacket("Ping", 2);
  ASSERT_EQ(client.Write(request.data(), static_cast<int>(request.size()), 10),
            static_cast<int>(request.size()));
  const Received r = readAll(client, &server, 1);
  EXPECT_GE(r.timeouts, 1);  // the server held its reply until the client had timed out
  EXPECT_EQ(r.packets, std::vector<std::string>{"0/0/2/1:RE005%1%ok"});
  EXPECT_TRUE(r.closed);  // and then closed: the read gives 0
  EXPECT_EQ(textOf(server.request()), request);
}
