// CConnection against a small packet server on 127.0.0.1: request packets (plain and
// scrambled), server packets with their checksum, split and merged packets, event codes,
// and the ends of a connection.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "TempDir.h"
#include "gridlink/CBlockingSocket.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Clock.h"
#include "gridlink/platform/Event.h"
#include "session/ConnectionEvents.h"
#include "session/ConnectionState.h"
#include "session/PacketScrambler.h"
#include "session/RequestPacket.h"
#include "session/ServerPacket.h"

using namespace ServerLink;

namespace {

std::string reply(std::uint8_t rcvId, std::uint8_t result, const std::string& text, unsigned kind = 0) {
  return buildServerPacket(makeType(kind, 0), rcvId, result, text, PacketForm::Remote);
}

// Answers each request with what the handler returns: a list of writes.
class PacketServer {
 public:
  using Handler = std::function<std::vector<std::string>(std::uint8_t rcvId, const std::string& text)>;

  explicit PacketServer(Handler h) : m_Handler(std::move(h)) {
    m_Listener.Create(true);
    m_Listener.Bind(CSockAddr("127.0.0.1", 0));
    m_Listener.Listen();
    CSockAddr a;
    m_Listener.GetSockAddr(a);
    m_Port = a.Port();
    m_Thread = std::thread([this] { serve(); });
  }
  ~PacketServer() {
    m_Stop = true;
    m_Peer.Cleanup();
    m_Listener.Cleanup();
    m_Thread.join();
  }
  std::string address() const { return "127.0.0.1:" + std::to_string(m_Port) + "/ignored"; }
  void hangUp() { m_Peer.Cleanup(); }
  std::vector<std::string> requests() {
    std::lock_guard l(m_Lock);
    return m_Requests;
  }
  bool sawScrambled() const { return m_Scrambled; }

 private:
  void serve() {
    CSockAddr from;
    try {
      if (!m_Listener.Accept(m_Peer, from, 10000)) return;
    } catch (const CBlockingSocketException&) {
      return;  // the test ended without connecting
    }
    std::string buf;
    char chunk[4096];
    while (!m_Stop) {
      const int n = m_Peer._Read(chunk, sizeof chunk, 1);
      if (n == -2) continue;
      if (n <= 0) return;
      buf.append(chunk, static_cast<std::size_t>(n));
      while (takeRequest(buf)) {
      }
    }
  }
  // One request from the front of buf, plain (with its zero byte) or scrambled.
  bool takeRequest(std::string& buf) {
    if (m_BlockMode) return takeBlock(buf);
    auto* p = reinterpret_cast<std::uint8_t*>(buf.data());
    std::string plain;
    std::size_t used = 0;
    if (buf.size() >= kFrameHeader && isFrameTag(p, buf.size())) {
      used = frameLength(p);
      if (buf.size() < used) return false;
      const std::size_t n = UnCryptPacket(p, used);
      plain.assign(buf.data(), n);
      m_Scrambled = true;
    } else {
      const std::size_t zero = buf.find('\0');
      if (zero == std::string::npos) return false;
      plain = buf.substr(0, zero);
      used = zero + 1;
    }
    buf.erase(0, used);
    auto req = parseRequestPacket(reinterpret_cast<const std::uint8_t*>(plain.data()), plain.size());
    if (!req) return true;
    const std::string text(req->text);
    {
      std::lock_guard l(m_Lock);
      m_Requests.push_back(text);
    }
    if (text.rfind("LoadFile 0 ", 0) == 0) m_BlockMode = true;  // upload blocks follow
    for (const std::string& w : m_Handler(req->rcvId, text)) {
      if (w.empty()) {  // an empty write: a short pause, so the next one is a read of its own
        Platform::Sleep(30);
        continue;
      }
      if (w == "HANGUP") {
        m_Peer.Cleanup();
        return false;
      }
      m_Peer.Write(w.data(), static_cast<int>(w.size()), 5);
    }
    return true;
  }

  // An upload block: "%04x" whole length, "00" + header, zero byte, data; answered "INS:".
  bool takeBlock(std::string& buf) {
    if (buf.size() < 4) return false;
    const std::size_t total = std::strtoul(buf.substr(0, 4).c_str(), nullptr, 16);
    if (total < 6 || buf.size() < total) return false;
    const std::string block = buf.substr(0, total);
    buf.erase(0, total);
    const std::size_t zero = block.find('\0');
    const std::string header = block.substr(4, zero - 4);
    {
      std::lock_guard l(m_Lock);
      m_Blocks.push_back(header);
      m_Uploaded += block.substr(zero + 1);
    }
    if (header.size() >= 3 && header.compare(header.size() - 3, 3, " -2") == 0) m_BlockMode = false;
    const std::string r = reply(0, 1, "INS:OK");
    m_Peer.Write(r.data(), static_cast<int>(r.size()), 5);
    return true;
  }

 public:
  std::vector<std::string> blocks() {
    std::lock_guard l(m_Lock);
    return m_Blocks;
  }
  std::string uploaded() {
    std::lock_guard l(m_Lock);
    return m_Uploaded;
  }

 private:
  bool m_BlockMode = false;
  std::vector<std::string> m_Blocks;
  std::string m_Uploaded;
  Handler m_Handler;
  CBlockingSocket m_Listener, m_Peer;
  std::uint16_t m_Port = 0;
  std::thread m_Thread;
  std::atomic<bool> m_Stop{false};
  std::atomic<bool> m_Scrambled{false};
  std::mutex m_Lock;
  std::vector<std::string> m_Requests;
};

// Events seen by the system-message callback.
struct EventLog {
  std::mutex lock;
  std::vector<std::pair<int, std::string>> events;
  Platform::Event got{Platform::EventReset::Auto};
};
EventLog* g_Events = nullptr;

std::uint32_t onEvent(void* p) {
  auto* c = static_cast<CConnection*>(p);
  std::lock_guard l(g_Events->lock);
  g_Events->events.emplace_back(c->GetLastException(), c->GetReplyString());
  g_Events->got.Set();
  return 0;
}

std::vector<std::string> okOpen(std::uint8_t id, const std::string& text) {
  if (text.rfind("OpenUsr", 0) == 0) return {reply(id, 1, "RE:OK.")};
  return {};
}

class RemoteConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override { g_Events = &events; }
  void TearDown() override {
    conn.Close();
    g_Events = nullptr;
  }
  EventLog events;
  CConnection conn;
};

TEST_F(RemoteConnectionTest, OpensWithScrambledRequestsAndSplitsTheServerName) {
  PacketServer server(okOpen);
  ASSERT_EQ(conn.Open(server.address().c_str(), "  bob ", "pw", "app"), 1) << conn.GetReplyString();
  EXPECT_FALSE(conn.isLocalServerConn());
  EXPECT_EQ(conn.GetIPServer(), "127.0.0.1");
  EXPECT_EQ(conn.GetUserNameA(), "bob");
  EXPECT_TRUE(server.sawScrambled());
  ASSERT_FALSE(server.requests().empty());
  EXPECT_EQ(server.requests()[0], "OpenUsr bob pw app");
}

TEST_F(RemoteConnectionTest, PlainRequestsWhenScramblingIsOff) {
  PacketServer server(okOpen);
  conn.SetCrypt(0);
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1) << conn.GetReplyString();
  EXPECT_FALSE(server.sawScrambled());
}

TEST_F(RemoteConnectionTest, SplitMergedScrambledAndBadPackets) {
  PacketServer server([](std::uint8_t id, const std::string& text) -> std::vector<std::string> {
    if (text.rfind("OpenUsr", 0) == 0) return {reply(id, 1, "RE:OK.")};
    if (text == "GetRcvList") {  // split into two reads
      const std::string p = reply(id, 3, "RE:COM1:115200:1,COM2:115200:1,");
      return {p.substr(0, 7), "", p.substr(7)};
    }
    if (text == "Merged") {  // an event and the reply in one write
      return {reply(0, 0, "server says hi", 7) + reply(id, 1, "RE:merged")};
    }
    if (text == "OtherId")
      return {reply(static_cast<std::uint8_t>(id + 5), 1, "RE:not yours") + reply(id, 1, "RE:yours")};
    if (text == "Scrambled") {
      const std::string p = reply(id, 1, "RE:through the scrambler, odd length!");
      const auto f = CryptPacket(reinterpret_cast<const std::uint8_t*>(p.data()), p.size());
      return {std::string(f.begin(), f.end())};
    }
    return {reply(id, 0, "ER:Unknown request type")};
  });
  conn.SetSysMsgCallback(onEvent);
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1) << conn.GetReplyString();

  EXPECT_EQ(conn.GetRcvList(), 2);
  EXPECT_EQ(conn.GetCountRcv(), 2);
  EXPECT_EQ(conn.GetReplyString(), "RE:COM1:115200:1,COM2:115200:1,");

  EXPECT_EQ(conn.SendData("Merged", 0), 1);
  EXPECT_EQ(conn.GetReplyString(), "RE:merged");
  {
    std::lock_guard l(events.lock);
    ASSERT_EQ(events.events.size(), 1u);
    EXPECT_EQ(events.events[0].first, kEventKind7);
    EXPECT_EQ(events.events[0].second, "server says hi");
  }
  EXPECT_EQ(conn.SendData("OtherId", 0), 1);
  EXPECT_EQ(conn.GetReplyString(), "RE:yours");
  EXPECT_EQ(conn.SendData("Scrambled", 0), 1);
  EXPECT_EQ(conn.GetReplyString(), "RE:through the scrambler, odd length!");
  EXPECT_EQ(conn.SendData("nope", 0), 0);
  EXPECT_EQ(conn.GetReplyString(), "ER:Unknown request type");
}

TEST_F(RemoteConnectionTest, ScramblingRefusesAnOversizedRequest) {
  PacketServer server(okOpen);
  conn.SetTimeout(1);  // the second request is never answered
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1);
  // 4081 characters of text make a 4087-byte packet: its frame would exceed 4096 bytes.
  EXPECT_EQ(conn.SendData(std::string(4081, 'x').c_str(), 0), 0);
  EXPECT_EQ(conn.GetReplyString(), "ERDLL:Can't encrypt!");
  EXPECT_EQ(conn.SendData(std::string(4080, 'x').c_str(), 0), 0);  // goes out, server has no answer
  EXPECT_NE(conn.GetReplyString(), "ERDLL:Can't encrypt!");
}

TEST_F(RemoteConnectionTest, ServerClosingEndsTheConnectionInsteadOfSpinning) {
  PacketServer server([](std::uint8_t id, const std::string& text) -> std::vector<std::string> {
    if (text.rfind("OpenUsr", 0) == 0) return {reply(id, 1, "RE:OK.")};
    return {"HANGUP"};
  });
  conn.SetSysMsgCallback(onEvent);
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1);
  EXPECT_EQ(conn.SendData("Anything", 0), 0);
  EXPECT_EQ(conn.GetReplyString().rfind("ERDLL:Receiver don't reply", 0), 0u) << conn.GetReplyString();
  ASSERT_EQ(events.got.Wait(10000), Platform::WaitResult::Signalled);
  {
    std::lock_guard l(events.lock);
    EXPECT_EQ(events.events.back().first, kEventConnectionLost);
  }
  EXPECT_EQ(conn.SendData("Again", 0), 0);
  EXPECT_EQ(conn.GetReplyString(), "ERDLL: No connection to server!");
}

TEST_F(RemoteConnectionTest, ServerEndPacketTerminates) {
  PacketServer server([](std::uint8_t id, const std::string& text) -> std::vector<std::string> {
    if (text.rfind("OpenUsr", 0) == 0) return {reply(id, 1, "RE:OK.")};
    return {reply(0, 0, "server going down", 15)};
  });
  conn.SetSysMsgCallback(onEvent);
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1);
  EXPECT_EQ(conn.SendData("Bye", 0), 0);
  ASSERT_EQ(events.got.Wait(10000), Platform::WaitResult::Signalled);
  std::lock_guard l(events.lock);
  ASSERT_FALSE(events.events.empty());
  EXPECT_EQ(events.events.back().first, kEventServerEnd);
  EXPECT_EQ(events.events.back().second, "server going down");
}

// A callback that asks the server something instead of posting and returning.
std::atomic<int> g_CallbackResult{-1};
std::string g_CallbackReply;
std::uint32_t onEventAsking(void* p) {
  auto* c = static_cast<CConnection*>(p);
  g_CallbackResult = c->SendData("GetUsrList", 0);
  std::lock_guard l(g_Events->lock);
  g_CallbackReply = c->GetReplyString();
  g_Events->got.Set();
  return 0;
}

TEST_F(RemoteConnectionTest, RequestFromTheSysMsgCallbackIsRefusedAtOnce) {
  PacketServer server([](std::uint8_t id, const std::string& text) -> std::vector<std::string> {
    if (text.rfind("OpenUsr", 0) == 0) return {reply(id, 1, "RE:OK.")};
    if (text == "Poke") return {reply(0, 0, "note for you", 7), reply(id, 1, "RE:OK.")};
    return {reply(id, 1, "RE:users")};
  });
  conn.SetSysMsgCallback(onEventAsking);
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1);
  EXPECT_EQ(conn.SendData("Poke", 0), 1);
  ASSERT_EQ(events.got.Wait(10000), Platform::WaitResult::Signalled);
  EXPECT_EQ(g_CallbackResult.load(), 0);
  {
    std::lock_guard l(events.lock);
    EXPECT_EQ(g_CallbackReply, "ERDLL:No request from SysMsgCallback!");
  }
  EXPECT_EQ(conn.SendData("GetUsrList", 0), 1);  // outside the callback all is well
  EXPECT_EQ(conn.GetReplyString(), "RE:users");
}

TEST_F(RemoteConnectionTest, LoginToASilentServerEndsWithinItsBound) {
  // The server takes the connection and never answers; the default time-out is 99999 s.
  PacketServer server([](std::uint8_t, const std::string&) { return std::vector<std::string>{}; });
  ConnectionAccess::state(conn).loginWaitMs = 300;
  Platform::Event done(Platform::EventReset::Manual);
  int result = -1;
  std::thread opener([&] {
    result = conn.Open(server.address().c_str(), "u", "p", "app");
    done.Set();
  });
  const bool ended = done.Wait(20000) == Platform::WaitResult::Signalled;
  if (!ended) server.hangUp();  // lets a login without a bound end too
  opener.join();
  ASSERT_TRUE(ended) << "the login waited past its bound";
  EXPECT_EQ(result, 0);
  EXPECT_EQ(conn.GetReplyString(), "ERDLL:Receiver don't reply");
  EXPECT_EQ(conn.GetTimeout(), 99999);
}

TEST_F(RemoteConnectionTest, UnreachableServerIsRefused) {
  CBlockingSocket probe;  // a port nobody listens on
  probe.Create(true);
  probe.Bind(CSockAddr("127.0.0.1", 0));
  CSockAddr a;
  probe.GetSockAddr(a);
  const std::string server = "127.0.0.1:" + std::to_string(a.Port());
  probe.Cleanup();
  EXPECT_EQ(conn.Open(server.c_str(), "bob", "pw", "app"), 0);
  EXPECT_EQ(conn.GetReplyString(), "ERDLL:Don't connection to server!");
  EXPECT_EQ(conn.GetRcvList(), 0);
  EXPECT_EQ(conn.GetReplyString(), "ERDLL:Connect to server don't open!");
}

// A reader that lags behind a flood of data: what it gets is whole and in order; what did
// not fit is dropped and counted, never handed out half overwritten.
struct FloodLog {
  std::atomic<int> delivered{0}, broken{0}, disorder{0};
  long last = -1;
};
FloodLog* g_Flood = nullptr;
constexpr int kFlood = 3000;

std::string seqMessage(int seq) {
  char body[16];
  std::snprintf(body, sizeof body, "PV009%08x", static_cast<unsigned>(seq));
  std::string m = body;
  m.push_back(static_cast<char>(Zrx::checksum8(m.data(), m.size())));
  return m;
}

void onFlood(CReceiver* r) {
  const int n = r->getMsgBufSize();
  const unsigned char* m = r->getMsgBuf(0);
  if (n != 14 || Zrx::checksum8(m, 13) != m[13]) {
    ++g_Flood->broken;
  } else {
    const long seq = std::strtol(std::string(reinterpret_cast<const char*>(m) + 5, 8).c_str(), nullptr, 16);
    if (seq <= g_Flood->last) ++g_Flood->disorder;
    g_Flood->last = seq;
  }
  ++g_Flood->delivered;
  if (g_Flood->delivered % 64 == 0) Platform::Sleep(2);  // lag behind the writer
}

TEST_F(RemoteConnectionTest, LaggingReaderGetsWholeMessagesOrNone) {
  PacketServer server([](std::uint8_t id, const std::string& text) -> std::vector<std::string> {
    if (text.rfind("OpenUsr", 0) == 0 || text.rfind("OpenRcv", 0) == 0) return {reply(id, 1, "RE:OK.")};
    if (text.rfind("Attach", 0) == 0) {
      std::string flood = reply(id, 1, "RE:OK.");
      for (int i = 0; i < kFlood; ++i)
        flood += buildServerPacket(makeType(kKindZrxData, 0), id, 0, seqMessage(i), PacketForm::Remote);
      return {flood};
    }
    return {reply(id, 1, "RE:OK.")};
  });
  FloodLog log;
  g_Flood = &log;
  conn.SetSysMsgCallback(onEvent);
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1);
  CReceiver* rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  ASSERT_EQ(rcv->Open(&conn, "COM1:115200:1", 0), 1) << rcv->GetReplyString();
  ASSERT_EQ(rcv->Attach(0, onFlood, "PV", nullptr), 1);
  EXPECT_EQ(conn.SendData("Sync", 0), 1);  // answered after the whole flood
  const ServerLink::DataRing& ring = ConnectionAccess::state(conn).ring;
  for (int i = 0; i < 1000 && log.delivered + static_cast<int>(ring.Dropped()) < kFlood; ++i)
    Platform::Sleep(20);
  EXPECT_EQ(log.delivered + static_cast<int>(ring.Dropped()), kFlood);
  EXPECT_EQ(log.broken, 0);
  EXPECT_EQ(log.disorder, 0);
  EXPECT_GT(log.delivered, 0);
  EXPECT_EQ(rcv->GetLenghReceive(), kFlood * 14);
  rcv->Close(false);
  rcv->Release();
  g_Flood = nullptr;
}

TEST_F(RemoteConnectionTest, QuietLineWithNothingAwaitedKeepsTheConnection) {
  PacketServer server(okOpen);
  conn.SetTimeout(1);
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1);
  Platform::Sleep(2500);  // more than two read time-outs pass
  EXPECT_EQ(conn.SendData("Unanswered", 0), 0);
  // Only now, with a reply awaited, does the silence end the connection.
  EXPECT_EQ(conn.GetReplyString().rfind("ERDLL:Receiver don't reply", 0), 0u) << conn.GetReplyString();
}

TEST_F(RemoteConnectionTest, MessageListComesBackOldestFirstAndStopsAtAShortLine) {
  PacketServer server([](std::uint8_t id, const std::string& text) -> std::vector<std::string> {
    if (text.rfind("OpenUsr", 0) == 0) return {reply(id, 1, "RE:OK.")};
    if (text == "GetMsgList")
      return {reply(id, 4,
                    "RE:c 30 ann third 01d00000000000c8\n"
                    "b 20 bob second 01d0000000000064\n"
                    "a 10 cid first 01d0000000000001\n"
                    "d 40 dan fourth\n")};
    return {reply(id, 0, "ER:Don't support")};
  });
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1);
  int count = -1;
  REMOTE_MSG* list = conn.GetMsgList(count);
  ASSERT_EQ(count, 4);
  ASSERT_NE(list, nullptr);
  // The short line left its record zeroed (time 0), which sorts first.
  EXPECT_STREQ(list[0].name, "");
  EXPECT_STREQ(list[1].subject, "first");
  EXPECT_STREQ(list[2].subject, "second");
  EXPECT_STREQ(list[3].subject, "third");
  EXPECT_STREQ(list[3].fromUser, "ann");
  EXPECT_EQ(list[3].timeHigh, 0x01d00000u);
  EXPECT_NE(list[3].dateTime[0], '\0');
  delete[] list;

  EXPECT_EQ(
      conn.SendFile(
          "/nonexistent", "has blank", [](std::uint32_t, std::uint32_t, std::uint32_t) { return true; }, 0),
      0);
  EXPECT_EQ(conn.GetReplyString(), "ERDLL: Whitespaces in file name or mistake 'callback'");
  EXPECT_EQ(conn.SendFile("/nonexistent", "name", nullptr, 0), 0);
  EXPECT_EQ(conn.GetReplyString(), "ERDLL: Whitespaces in file name or mistake 'callback'");
}

TEST_F(RemoteConnectionTest, DownloadBlocksWithZeroBytesReachTheFileWhole) {
  const std::string data("\x00\x01zero\x00bytes\x00", 13);
  PacketServer server([&data](std::uint8_t id, const std::string& text) -> std::vector<std::string> {
    if (text.rfind("OpenUsr", 0) == 0 || text.rfind("OpenRcv", 0) == 0) return {reply(id, 1, "RE:OK.")};
    if (text.rfind("Command %", 0) == 0) {  // the size query, answered with its own tag
      const std::string tag = text.substr(8, text.find('%', 9) - 8 + 1);
      char head[8];
      std::snprintf(head, sizeof head, "RE%03X", static_cast<unsigned>(tag.size() + 2));
      return {reply(id, 1, head + tag + "26")};
    }
    if (text.rfind("DownloadFile f1 0 7", 0) == 0) {
      const std::string block1 = "IN:00010002 " + data + "#";
      const std::string block2 = "IN:00020002 " + data + "#";
      return {reply(id, 1, "RE:OK."),
              buildServerPacket(makeType(kKindTransfer, 0), id, 0, block1, PacketForm::Remote),
              buildServerPacket(makeType(kKindTransfer, 0), id, 0, block2, PacketForm::Remote)};
    }
    if (text == "Sync") return {reply(id, 1, "RE:OK.")};
    return {reply(id, 0, "ER:Don't support")};
  });
  ASSERT_EQ(conn.Open(server.address().c_str(), "bob", "pw", "app"), 1);
  CReceiver* rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  ASSERT_EQ(rcv->Open(&conn, "COM1:115200:1", 0), 1);
  TempDir dir;
  const std::string local = dir.str() + "/f1";
  ASSERT_EQ(rcv->DownloadFile(local.c_str(), "f1", 7), 1) << rcv->GetReplyString();
  EXPECT_EQ(conn.SendData("Sync", 0), 1);  // both blocks are in by now
  DOWNLOADINFO info;
  EXPECT_EQ(rcv->GetDownloadStatus(info), 0);
  EXPECT_EQ(info.bytes, 26);
  EXPECT_EQ(info.BL, 2);
  EXPECT_EQ(info.LN, 2);
  rcv->Close(false);  // closes the file
  rcv->Release();
  std::ifstream in(local, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(written, data + data);
}

int g_StopAfter = 0;
bool countedProgress(std::uint32_t, std::uint32_t, std::uint32_t) {
  return --g_StopAfter > 0;
}

TEST_F(RemoteConnectionTest, UploadSendsBlocksFromTheServersOffset) {
  TempDir dir;
  const std::string file = dir.str() + "/fw.bin";
  std::string content(5000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  std::ofstream(file, std::ios::binary) << content;
  struct Case {
    const char* held;  // what the server already has
    int stopAfter;     // progress calls before it asks to stop
    std::vector<std::string> blocks;
    std::size_t from;
    int result;
    const char* reply;
  } cases[] = {
      {"000000", 99, {"00LoadFile 7 0", "00LoadFile 7 1", "00LoadFile 7 -2"}, 0, 1, "RE:OK."},
      {"001000", 99, {"00LoadFile 7 0", "00LoadFile 7 -2"}, 1000, 1, "RE:OK."},
      {"005000", 99, {"00LoadFile 7 -2"}, 5000, 1, "RE:OK."},
      // Stopped: the last block is marked cancelled and carries no data.
      {"000000", 1, {"00LoadFile 7 0", "00LoadFile 7 -3"}, 0, 0, "RE:Aborted by user!"},
  };
  for (const Case& c : cases) {
    const std::string held = c.held;
    PacketServer server([held](std::uint8_t id, const std::string& text) -> std::vector<std::string> {
      if (text.rfind("OpenUsr", 0) == 0) return {reply(id, 1, "RE:OK.")};
      if (text == "LoadFile 0 fw.bin") return {reply(id, 7, "RE:OK. " + held)};
      return {reply(id, 0, "ER:Unknown request type")};
    });
    CConnection upload;
    upload.SetCrypt(0);
    ASSERT_EQ(upload.Open(server.address().c_str(), "bob", "pw", "app"), 1);
    g_StopAfter = c.stopAfter;
    EXPECT_EQ(upload.SendFile(file.c_str(), "fw.bin", countedProgress, 0), c.result) << c.held;
    EXPECT_EQ(upload.GetReplyString(), c.reply);
    EXPECT_EQ(server.blocks(), c.blocks) << c.held;
    const std::size_t sentBytes = c.stopAfter == 1 ? 2048 : 5000 - c.from;
    EXPECT_EQ(server.uploaded(), content.substr(c.from, sentBytes)) << c.held;
    upload.Close();
  }
}

}  // namespace
