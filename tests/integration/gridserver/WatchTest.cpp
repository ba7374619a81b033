// Watching: with --allow-watch a second user follows the data of a receiver another holds,
// and can change nothing; without it, or with nobody holding the receiver, watching is refused.
#include "ServerFixture.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Event.h"

namespace servertest {
namespace {

TEST_F(ServerTest, AWatcherGetsTheHoldersDataAndCanChangeNothing) {
  CConnection* carol = login("carol", "pw-c");
  ASSERT_NE(carol, nullptr);
  const std::string watched = rcvString() + " Watch";
  {
    Rcv w;
    EXPECT_EQ(w->Open(carol, watched.c_str(), 1), 0);
    EXPECT_EQ(w->GetReplyString(), "ER:This server does not allow watching receivers");
  }
  restart({"--allow-watch"});
  CConnection* alice = login("alice", "pw-a");
  CConnection* bob = login("bob", "pw-b");
  ASSERT_TRUE(alice && bob);
  {
    Rcv early;
    EXPECT_EQ(early->Open(bob, watched.c_str(), 1), 0);
    EXPECT_EQ(early->GetReplyString(), "ER:Nobody holds " + rcvString() + ": open it instead of watching");
  }
  Rcv a, b;
  ASSERT_EQ(a->Open(alice, rcvString().c_str(), 1), 1) << a->GetReplyString();
  Platform::Event alicePv(Platform::EventReset::Manual), bobPv(Platform::EventReset::Manual);
  std::vector<GPSDATA> aliceRecords(1), bobRecords(1);
  aliceRecords[0].id = bobRecords[0].id = Zrx::msgcode('P', 'V');
  aliceRecords[0].event = &alicePv;
  bobRecords[0].event = &bobPv;
  ASSERT_EQ(a->Attach(0, nullptr, "PV:0.2", &aliceRecords), 1) << a->GetReplyString();

  ASSERT_EQ(b->Open(bob, watched.c_str(), 1), 1) << b->GetReplyString();
  ASSERT_EQ(b->Attach(0, nullptr, "PV:0.2", &bobRecords), 1) << b->GetReplyString();
  EXPECT_EQ(bobPv.Wait(10000), Platform::WaitResult::Signalled);
  EXPECT_EQ(b->SendCommand("set,/par/pos/elm,20"), 0);
  EXPECT_EQ(b->GetReplyString(), "ER:Read only: this receiver is watched, another user holds it");
  EXPECT_TRUE(server->waitLog("bob: watching " + rcvString() + " held by alice"));

  // The holder is not disturbed, and still the only one who can command.
  EXPECT_EQ(a->SendCommand("print,/par/rcvid"), 1) << a->GetReplyString();
  EXPECT_EQ(a->GetReplyString(), "RE00CSIM0A1B2C3D4");
  alicePv.Reset();
  EXPECT_EQ(alicePv.Wait(10000), Platform::WaitResult::Signalled);
  EXPECT_EQ(b->Close(false), 1);
}

}  // namespace
}  // namespace servertest
