// The simulator's fault switches against the whole stack.
#include "SessionFixture.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Event.h"
#include "session/ConnectionState.h"

namespace sessiontest {
namespace {

std::uint32_t quietSysMsg(void*) {
  return 0;
}

TEST_F(SessionTest, SilentReceiverGivesReplyTimeout) {
  startSim(simOptions(files));
  openAll();
  sim->faults().noReplies = true;
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ER:Receiver reply timeout!");
  sim->faults().noReplies = false;
}

TEST_F(SessionTest, NoisyLineNeverPutsABadMessageIntoACheckedRecord) {
  startSim(simOptions(files));
  openAll(quietSysMsg);
  Platform::Event event;
  std::vector<GPSDATA> records(1);
  records[0].id = Zrx::msgcode('P', 'V');
  records[0].event = &event;
  ASSERT_EQ(rcv->Attach(0, nullptr, "PV:0.1", &records), 1) << rcv->GetReplyString();
  sim->faults().noise = 0.5;
  sim->faults().corrupt = 0.01;
  int seen = 0;
  for (int i = 0; i < 200 && seen < 20; ++i) {
    if (event.Wait(500) != Platform::WaitResult::Signalled) continue;
    Platform::CriticalSectionLock lock(ConnectionAccess::state(conn).dataLock);
    const auto& m = records[0].data;
    if (m.empty()) continue;
    ++seen;
    ASSERT_GT(m.size(), 5u);
    EXPECT_EQ(Zrx::checksum8(m.data(), m.size() - 1), m.back());
    EXPECT_EQ(m[0], 'P');
    EXPECT_EQ(m[1], 'V');
  }
  EXPECT_GT(seen, 0);
  sim->faults().noise = 0;
  sim->faults().corrupt = 0;
}

TEST_F(SessionTest, TerminalClosedUnderTheLinkEndsInAClearError) {
  startSim(simOptions(files));
  openAll();
  sim->stop();  // the pseudo-terminal goes away
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 0);
    EXPECT_EQ(rcv->GetReplyString().substr(0, 2), "ER") << rcv->GetReplyString();
  }
  // Once the link knows, it says so at once instead of waiting out every command.
  EXPECT_NE(rcv->GetReplyString().find("link lost"), std::string::npos) << rcv->GetReplyString();
  EXPECT_EQ(rcv->Close(false), 1);
  EXPECT_EQ(conn.Close(), 1);
}

}  // namespace
}  // namespace sessiontest
