// Blocking sockets over 127.0.0.1 only; every socket is closed by its owner's
// destructor, every wait has a bound of a few seconds.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gridlink/CBlockingSocket.h"

namespace {

constexpr int kWaitSeconds = 10;

// A listener on an ephemeral loopback port.
struct Listener {
  CBlockingSocket socket;
  CSockAddr address;
  Listener() {
    socket.Create(true);
    socket.Bind(CSockAddr("127.0.0.1", 0));
    socket.Listen();
    socket.GetSockAddr(address);
  }
};

// A connected client/server pair.
struct Pair {
  Listener listener;
  CBlockingSocket client, server;
  CSockAddr from;
  Pair() {
    client.Create(true);
    client.Connect(listener.address);
    if (!listener.socket.Accept(server, from, kWaitSeconds * 1000)) throw std::runtime_error("no accept");
  }
};

// What a throwing call threw: the operation text and the code.
template <typename F>
std::pair<std::string, int> thrown(F&& f) {
  try {
    f();
  } catch (const CBlockingSocketException& e) {
    return {e.GetOperation(), e.GetErrorCode()};
  }
  return {"(nothing)", 0};
}

int intOption(const CBlockingSocket& s, int level, int name) {
  int v = -1;
  socklen_t len = sizeof v;
  getsockopt(s.Handle(), level, name, &v, &len);
  return v;
}

}  // namespace

TEST(BlockingSocket, CreateSetsTheOptionsOfEachMode) {
  CBlockingSocket fast, kept;
  fast.Create(true);
  EXPECT_EQ(intOption(fast, IPPROTO_TCP, TCP_NODELAY), 1);
  kept.Create(false);
  EXPECT_EQ(intOption(kept, IPPROTO_TCP, TCP_NODELAY), 0);
  EXPECT_EQ(intOption(kept, SOL_SOCKET, SO_KEEPALIVE), 1);
  EXPECT_EQ(intOption(kept, IPPROTO_TCP, TCP_KEEPIDLE), 300);
  EXPECT_EQ(intOption(kept, IPPROTO_TCP, TCP_KEEPINTVL), 2);
  EXPECT_GE(intOption(kept, SOL_SOCKET, SO_RCVBUF), 4500);  // the kernel doubles what it is given
}

TEST(BlockingSocket, ConnectTurnsNagleOffAndBothEndsSeeEachOther) {
  Listener l;
  CBlockingSocket client, server;
  client.Create(false);
  client.Connect(l.address);
  CSockAddr from;
  ASSERT_TRUE(l.socket.Accept(server, from, kWaitSeconds * 1000));
  EXPECT_EQ(intOption(client, IPPROTO_TCP, TCP_NODELAY), 1);
  CSockAddr peer, local;
  client.GetPeerAddr(peer);
  client.GetSockAddr(local);
  EXPECT_EQ(peer, l.address);
  EXPECT_EQ(local, from);
  EXPECT_EQ(from.DottedDecimal(), "127.0.0.1");
}

TEST(BlockingSocket, ConnectToAClosedPortThrowsConnect) {
  CSockAddr unused;
  {
    CBlockingSocket probe;  // bound, never listening: connections are refused
    probe.Create(true);
    probe.Bind(CSockAddr("127.0.0.1", 0));
    probe.GetSockAddr(unused);
  }
  CBlockingSocket s;
  s.Create(true);
  const auto [op, code] = thrown([&] { s.Connect(unused); });
  EXPECT_EQ(op, "Connect");
  EXPECT_EQ(code, ECONNREFUSED);
}

TEST(BlockingSocket, ReadTimeoutCarriesCodeZeroAndNoCodeInItsText) {
  Pair p;
  std::string text;
  try {
    char buf[16];
    p.client.Read(buf, sizeof buf, 1);
    FAIL() << "no time-out";
  } catch (const CBlockingSocketException& e) {
    EXPECT_EQ(e.GetOperation(), "Receive timeout");
    EXPECT_EQ(e.GetErrorCode(), 0);
    e.GetTextError(text);
  }
  EXPECT_EQ(text.rfind("ERDLL:", 0), 0u);
  EXPECT_NE(text.find(" Receive timeout"), std::string::npos);
  EXPECT_EQ(text.find("cod="), std::string::npos);
  EXPECT_EQ(p.client._Read(text.data(), 1, 0), -2);
}

TEST(BlockingSocket, ReadTerminatesAndCountsAndSeesPeerClose) {
  Pair p;
  ASSERT_EQ(p.server.Write("hello", 5, kWaitSeconds), 5);
  char buf[4] = {'x', 'x', 'x', 'x'};
  // One byte of room holds only the terminating zero.
  EXPECT_EQ(p.client.Read(buf, 1, kWaitSeconds), 0);
  EXPECT_EQ(buf[0], 0);
  // n - 1 bytes at most, then the zero.
  EXPECT_EQ(p.client.Read(buf, 4, kWaitSeconds), 3);
  EXPECT_STREQ(buf, "hel");
  EXPECT_EQ(p.client._Read(buf, 4, kWaitSeconds), 2);
  EXPECT_EQ(std::string(buf, 2), "lo");
  p.server.Close();
  EXPECT_FALSE(p.server.IsOpen());
  EXPECT_EQ(p.client.Read(buf, 4, kWaitSeconds), 0);
  EXPECT_EQ(p.client._Read(buf, 4, kWaitSeconds), 0);
}

TEST(BlockingSocket, OperationsWithoutSocketFailWithTheirTexts) {
  CBlockingSocket s;
  s.Create(true);
  s.Cleanup();
  EXPECT_FALSE(s.IsOpen());
  EXPECT_EQ(static_cast<int>(s), -1);
  char buf[8];
  EXPECT_EQ(thrown([&] { s.Read(buf, sizeof buf, 1); }).first, "Socket Null");
  EXPECT_EQ(s._Read(buf, sizeof buf, 1), -1);
  EXPECT_EQ(s.Write("x", 1, 1), -1);
  CSockAddr a;
  EXPECT_EQ(thrown([&] { s.GetPeerAddr(a); }).first, "GetPeerName");
  EXPECT_EQ(thrown([&] { s.GetSockAddr(a); }).first, "GetSockName");
  EXPECT_EQ(thrown([&] { s.Connect(CSockAddr("127.0.0.1", 1)); }).first, "Connect");
  EXPECT_EQ(thrown([&] { s.Bind(CSockAddr()); }).first, "Bind");
  EXPECT_EQ(thrown([&] { s.Listen(); }).first, "Listen");
  s.Close();  // nothing open: nothing to do
  s.Cleanup();
}

TEST(BlockingSocket, ReadRejectsABufferWithNoRoom) {
  Pair p;
  char buf[1];
  EXPECT_EQ(thrown([&] { p.client.Read(buf, 0, 0); }), std::make_pair(std::string("Receive"), EINVAL));
  EXPECT_EQ(thrown([&] { p.client.Read(nullptr, 8, 0); }).first, "Receive");
}

TEST(BlockingSocket, UnconnectedPeerNameAndUnknownHostThrow) {
  CBlockingSocket s;
  s.Create(true);
  CSockAddr a;
  const auto [op, code] = thrown([&] { s.GetPeerAddr(a); });
  EXPECT_EQ(op, "GetPeerName");
  EXPECT_EQ(code, ENOTCONN);
  const auto unknown = thrown([] { CBlockingSocket::GetHostByName("no-such-host.invalid", 80); });
  EXPECT_EQ(unknown.first, "GetHostByName");
  EXPECT_NE(unknown.second, 0);
  EXPECT_EQ(thrown([] { CBlockingSocket::GetHostByName("", 80); }).first, "GetHostByName");
}

TEST(BlockingSocket, ResolvesLoopbackBothWays) {
  const CSockAddr a = CBlockingSocket::GetHostByName("localhost", 8000);
  EXPECT_EQ(a.DottedDecimal(), "127.0.0.1");
  EXPECT_EQ(a.Port(), 8000);
  EXPECT_EQ(CBlockingSocket::GetHostByName("127.0.0.1", 9000), CSockAddr("127.0.0.1", 9000));
  EXPECT_FALSE(CBlockingSocket::GetHostByAddr(CSockAddr("127.0.0.1", 0)).empty());
}

TEST(BlockingSocket, AcceptWithNobodyCallingReturnsFalse) {
  Listener l;
  CBlockingSocket peer;
  CSockAddr from;
  EXPECT_FALSE(l.socket.Accept(peer, from, 0));
  EXPECT_FALSE(peer.IsOpen());
}

TEST(BlockingSocket, LargeWriteArrivesWholeThroughSmallBuffers) {
  Listener l;
  CBlockingSocket client, server;
  client.Create(false);  // 4500-byte buffers: many partial sends
  client.Connect(l.address);
  CSockAddr from;
  ASSERT_TRUE(l.socket.Accept(server, from, kWaitSeconds * 1000));
  std::vector<char> data(1 << 20);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
  std::vector<char> got;
  std::thread reader([&] {
    char buf[8192];
    for (;;) {
      const int r = server._Read(buf, sizeof buf, kWaitSeconds);
      if (r <= 0) break;
      got.insert(got.end(), buf, buf + r);
    }
  });
  EXPECT_EQ(client.Write(data.data(), static_cast<int>(data.size()), kWaitSeconds),
            static_cast<int>(data.size()));
  client.Cleanup();
  reader.join();
  EXPECT_TRUE(got == data);
}

TEST(BlockingSocket, WritingToAClosedPeerFailsWithoutSignal) {
  Pair p;
  p.server.Cleanup();
  std::vector<char> block(65536, 'z');
  int result = 0;
  for (int i = 0; i < 100 && result >= 0; ++i)
    result = p.client.Write(block.data(), static_cast<int>(block.size()), kWaitSeconds);
  EXPECT_EQ(result, -1);  // and the process is still here: no SIGPIPE
}

TEST(BlockingSocket, WriteGivesUpWhenThePeerStopsReading) {
  Pair p;  // the server never reads
  std::vector<char> block(32 << 20, 'q');
  EXPECT_EQ(p.client.Write(block.data(), static_cast<int>(block.size()), 1), -1);
  EXPECT_EQ(errno, ETIMEDOUT);
}

TEST(BlockingSocket, CleanupFromAnotherThreadEndsAPendingRead) {
  Pair p;
  int result = 99;
  std::string op;
  std::thread reader([&] {
    char buf[64];
    try {
      result = p.client.Read(buf, sizeof buf, kWaitSeconds);
    } catch (const CBlockingSocketException& e) {
      op = e.GetOperation();
    }
  });
  // Most runs pull the socket away while the reader waits; a late reader finds none.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  p.client.Cleanup();
  reader.join();
  EXPECT_NE(op, "Receive timeout");
  if (op.empty()) {
    EXPECT_EQ(result, 0);  // the shut-down socket reads as closed
  } else {
    EXPECT_EQ(op, "Socket Null");
  }
  char buf[4];
  EXPECT_EQ(thrown([&] { p.client.Read(buf, sizeof buf, 0); }).first, "Socket Null");
}

TEST(BlockingSocket, CloseFromAnotherThreadEndsAPendingAccept) {
  Listener l;
  bool accepted = true;
  std::thread waiter([&] {
    CBlockingSocket peer;
    CSockAddr from;
    try {
      accepted = l.socket.Accept(peer, from, kWaitSeconds * 1000);
    } catch (const CBlockingSocketException&) {
      accepted = false;
    }
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  l.socket.Close();
  waiter.join();
  EXPECT_FALSE(accepted);
}
