// Several clients on one server and one receiver: the receiver list, the lock on a receiver,
// commands and attached data reaching only the holder, and release on close and on a dropped
// connection.
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "RawClient.h"
#include "ServerFixture.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Event.h"

namespace servertest {
namespace {

TEST_F(ServerTest, ListsExactlyItsReceivers) {
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  EXPECT_EQ(alice->GetRcvList(), 2);
  EXPECT_EQ(alice->GetReplyString(), "RE:" + rcvString() + ",COM/dev/null/none:115200:1,");
  Rcv r;
  EXPECT_EQ(r->Open(alice, "COM/dev/ttyS0:115200:1", 0), 0);  // not one of the server's
  EXPECT_EQ(r->GetReplyString(), "ER:Can't find receiver.");
}

TEST_F(ServerTest, LoginIsRefusedWithTheServersText) {
  CConnection conn;
  conn.SetTimeout(20);
  EXPECT_EQ(conn.Open(server->address().c_str(), "alice", "wrong", "servertest"), 0);
  EXPECT_EQ(conn.GetReplyString(), "ER:Wrong user name or password!");
  conn.Close();
  EXPECT_EQ(conn.Open(server->address().c_str(), "mallory", "pw-a", "servertest"), 0);
  conn.Close();
  EXPECT_TRUE(server->waitLog("login refused for \"mallory\""));
}

TEST_F(ServerTest, OneHolderAtATimeAndDataOnlyToIt) {
  CConnection* alice = login("alice", "pw-a");
  CConnection* bob = login("bob", "pw-b", /*plain requests*/ true);
  ASSERT_TRUE(alice && bob);

  Rcv a;
  ASSERT_EQ(a->Open(alice, rcvString().c_str(), 1), 1) << a->GetReplyString();
  ASSERT_EQ(a->SendCommand("print,/par/rcvid"), 1) << a->GetReplyString();
  EXPECT_EQ(a->GetReplyString(), "RE00CSIM0A1B2C3D4");
  Platform::Event pv(Platform::EventReset::Manual);
  std::vector<GPSDATA> records(1);
  records[0].id = Zrx::msgcode('P', 'V');
  records[0].event = &pv;
  ASSERT_EQ(a->Attach(0, nullptr, "PV:0.2", &records), 1) << a->GetReplyString();
  ASSERT_EQ(pv.Wait(10000), Platform::WaitResult::Signalled);

  // Bob is refused while alice holds it, with or without the lock suffix.
  Rcv b1, b2;
  EXPECT_EQ(b1->Open(bob, rcvString().c_str(), 0), 0);
  EXPECT_EQ(b1->GetReplyString().rfind("ER:", 0), 0u);
  EXPECT_NE(b1->GetReplyString().find("alice"), std::string::npos) << b1->GetReplyString();
  EXPECT_EQ(b2->Open(bob, rcvString().c_str(), 1), 0);
  // Alice's commands still work after the refusals, and her data kept coming.
  EXPECT_EQ(a->SendCommand("print,/par/rcvid"), 1) << a->GetReplyString();
  EXPECT_EQ(a->Close(false), 1);
  EXPECT_GT(a->GetLenghReceive(), 0);

  // Released: now bob has it, and none of alice's stream follows him.
  Rcv b3;
  ASSERT_EQ(b3->Open(bob, rcvString().c_str(), 1), 1) << b3->GetReplyString();
  EXPECT_EQ(b3->SendCommand("print,/par/rcvid"), 1);
  EXPECT_EQ(b3->GetReplyString(), "RE00CSIM0A1B2C3D4");
  EXPECT_EQ(b3->GetLenghReceive(), 0);
}

TEST_F(ServerTest, ADroppedHolderReleasesTheReceiver) {
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  {
    RawClient carol(server->port());
    ASSERT_TRUE(carol.request("OpenUsr carol pw-c raw"));
    ASSERT_EQ(carol.nextReply(), "RE:OK.");
    ASSERT_TRUE(carol.request("OpenRcv " + rcvString() + " Lock", 1));
    ASSERT_EQ(carol.nextReply(), "RE:OK.");
    Rcv refused;
    EXPECT_EQ(refused->Open(alice, rcvString().c_str(), 1), 0);
    EXPECT_NE(refused->GetReplyString().find("carol"), std::string::npos) << refused->GetReplyString();
  }  // carol's connection drops without a word
  ASSERT_TRUE(server->waitLog("carol: released " + rcvString())) << server->log();
  Rcv a;
  ASSERT_EQ(a->Open(alice, rcvString().c_str(), 1), 1) << a->GetReplyString();
  EXPECT_EQ(a->SendCommand("print,/par/rcvid"), 1);
}

TEST_F(ServerTest, FirmwareLoadsOnlyAFileTheUserUploaded) {
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  Rcv a;
  ASSERT_EQ(a->Open(alice, rcvString().c_str(), 1), 1) << a->GetReplyString();
  // Names that are not the user's uploads never reach the receiver.
  for (const char* name : {"fw.bin", "../users", "/etc/hostname"}) {
    EXPECT_EQ(a->LoadFirmware(name, name, 1), 0) << name;
    EXPECT_EQ(a->GetReplyString(), "ER:Can't open file!") << name;
  }
  std::string data(5000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 % 251);
  const std::string local = dir.str() + "/firmware image.bin";
  std::ofstream(local, std::ios::binary) << data;
  ASSERT_EQ(alice->SendFile(local.c_str(), "fw.bin", [](std::uint32_t, std::uint32_t, std::uint32_t) { return true; }, 0), 1)
      << alice->GetReplyString();
  ASSERT_EQ(a->LoadFirmware("fw.bin", "fw.bin", 1), 1) << a->GetReplyString();
  // The receiver gets the uploaded bytes under the uploaded name.
  const std::string arrived = simFiles.str() + "/fw.bin";
  std::string got;
  for (int i = 0; i < 300 && got != data; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::ifstream in(arrived, std::ios::binary);
    got.assign(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_TRUE(got == data) << got.size();
}

}  // namespace
}  // namespace servertest
