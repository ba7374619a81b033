// What a server must survive: malformed packets, a client that stalls in the middle of a
// packet, and its own shutdown, which every client hears of; and a users file others can read.
#include <cstdint>
#include <random>

#include "RawClient.h"
#include "ServerFixture.h"
#include "session/PacketScrambler.h"

namespace servertest {
namespace {

// Four kinds of bad packet, taking turns: random bytes, a length far beyond the text, a
// scrambled frame whose checksum is off, and a zero byte inside a request's text.
std::string malformed(int i, std::mt19937& rng) {
  switch (i % 4) {
    case 0: {
      std::string junk(1 + rng() % 64, '\0');
      for (char& c : junk) c = static_cast<char>(rng());
      return junk;
    }
    case 1:
      return std::string("ffff00GetUsrList") + '\0';
    case 2: {
      const std::string packet = ServerLink::buildRequestPacket("GetUsrList", 0);
      auto frame =
          ServerLink::CryptPacket(reinterpret_cast<const std::uint8_t*>(packet.data()), packet.size() - 1);
      frame[8] ^= 0x10;
      return std::string(frame.begin(), frame.end());
    }
    default:
      return std::string("000a00GetU\0sList", 17);
  }
}

TEST_F(ServerTest, MalformedPacketsAreDroppedAndOthersKeepWorking) {
  CConnection* alice = login("alice", "pw-a");
  CConnection* bob = login("bob", "pw-b");
  ASSERT_TRUE(alice && bob);
  Rcv a;
  ASSERT_EQ(a->Open(alice, rcvString().c_str(), 1), 1) << a->GetReplyString();

  RawClient mallory(server->port());
  std::mt19937 rng(1234);
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(mallory.write(malformed(i, rng)));
  // The same connection still gets answers once it speaks properly.
  ASSERT_TRUE(mallory.request("OpenUsr carol pw-c raw"));
  ASSERT_TRUE(mallory.request("GetUsrList"));
  std::string reply;
  for (int i = 0; i < 50 && reply.rfind("RE:alice/e", 0) != 0; ++i) {
    reply = mallory.nextReply();
    if (reply.empty()) break;  // nothing more is coming
  }
  EXPECT_EQ(reply.rfind("RE:alice/e", 0), 0u) << server->log();
  EXPECT_TRUE(server->waitLog("malformed packet dropped"));

  EXPECT_EQ(a->SendCommand("print,/par/rcvid"), 1) << a->GetReplyString();
  EXPECT_EQ(a->GetReplyString(), "RE00CSIM0A1B2C3D4");
  EXPECT_EQ(bob->GetUsrList(), 3) << bob->GetReplyString();
}

TEST_F(ServerTest, AStalledClientLosesOnlyItsOwnConnection) {
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  RawClient staller(server->port());
  ASSERT_TRUE(staller.write("002000GetUsr"));  // and nothing more
  EXPECT_EQ(alice->GetUsrList(), 3);
  EXPECT_TRUE(staller.closedByServer(20));
  EXPECT_TRUE(server->waitLog("stalled in the middle of a packet"));
  EXPECT_EQ(alice->GetUsrList(), 3) << alice->GetReplyString();
}

TEST_F(ServerTest, SigtermReachesEveryClientAsTheShutdownEvent) {
  CConnection* alice = login("alice", "pw-a");
  CConnection* bob = login("bob", "pw-b", true);
  ASSERT_TRUE(alice && bob);
  Rcv a;
  ASSERT_EQ(a->Open(alice, rcvString().c_str(), 1), 1) << a->GetReplyString();
  std::vector<GPSDATA> records(1);
  records[0].id = static_cast<std::uint16_t>('P' << 8 | 'V');
  ASSERT_EQ(a->Attach(0, nullptr, "PV:0.2", &records), 1);

  EXPECT_EQ(server->Stop(), 0) << server->log();
  for (CConnection* c : {alice, bob}) {
    const auto ended = EventLog::waitFor(c, -1);
    EXPECT_TRUE(ended.first);
    EXPECT_EQ(ended.second, "ER:Server is shutting down");
  }
  EXPECT_EQ(bob->GetUsrList(), 0);
  EXPECT_EQ(bob->GetReplyString(), "ERDLL: No connection to server!");
}

TEST(ServerStart, RefusesAUsersFileOthersCanRead) {
  TempDir dir;
  const std::string users = ServerProcess::writeUsers(dir.str(), "alice pw\n");
  chmod(users.c_str(), 0644);
  ServerProcess server({"--listen", "127.0.0.1:0", "--users", users, "--store", dir.str() + "/store",
                        "--receiver", "COM/dev/null/x:115200:1"});
  EXPECT_EQ(server.Wait(10000), 1);
  EXPECT_NE(server.log().find("chmod 600"), std::string::npos) << server.log();
  EXPECT_EQ(server.port(), 0u);
}

}  // namespace
}  // namespace servertest
