// Commands, scripts and the connection's life over the local server against the simulator.
#include "SessionFixture.h"
#include "gridlink/Framing.h"
#include "session/ConnectionState.h"
#include "session/LocalServer.h"

namespace sessiontest {
namespace {

// The reply's length digits must count the text behind them.
void expectConsistentLength(const std::string& reply) {
  ASSERT_GE(reply.size(), 5u) << reply;
  EXPECT_EQ(Zrx::hexField(3, reply.data() + 2), reply.size() - 5) << reply;
}

TEST_F(SessionTest, OpenLoopAndCommandsWithAndWithoutOwnPrefix) {
  startSim(simOptions(files));
  openAll();
  EXPECT_TRUE(conn.isLocalServerConn());
  EXPECT_EQ(conn.GetIPServer(), "LServer");

  EXPECT_EQ(rcv->SendCommand("%Loop%"), 1);
  EXPECT_EQ(rcv->GetReplyString(), "RE006%Loop%");

  // Without its own prefix the caller sees a plain reply, as if no tag had been added.
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 1);
  const std::string plain = rcv->GetReplyString();
  EXPECT_EQ(plain.substr(0, 5 + 12), "RE00CSIM0A1B2C3D4") << plain;
  expectConsistentLength(plain);

  // With its own prefix the reply carries the same prefix back.
  EXPECT_EQ(rcv->SendCommand("  %7%print,/par/rcvid"), 1);
  const std::string own = rcv->GetReplyString();
  EXPECT_EQ(own.substr(5), "%7%SIM0A1B2C3D4") << own;
  expectConsistentLength(own);

  EXPECT_EQ(rcv->SendCommand("print,/par/no/such/thing"), 0);
  EXPECT_EQ(rcv->GetReplyString().substr(0, 2), "ER");
}

TEST_F(SessionTest, MessageTableComesFromTheListReplies) {
  startSim(simOptions(files));
  openAll();
  const LocalSrv::MessageTable& table = ConnectionAccess::state(conn).local->Table();
  const LocalSrv::MessageEntry* pv = table.Find(0, "PV");
  ASSERT_NE(pv, nullptr);
  EXPECT_NE(table.Find(2, "GGA"), nullptr);
  EXPECT_EQ(table.Find(2, "PV"), nullptr);  // names belong to their stream kind
  EXPECT_EQ(table.entries().front().name, "WL");
  // Serial numbers run across the kinds in table order.
  for (std::size_t i = 0; i < table.size(); ++i) EXPECT_EQ(table.entries()[i].serial, i);
}

TEST_F(SessionTest, ScriptWithStopErrorsStopsAtTheFailingCommand) {
  startSim(simOptions(files));
  openAll();
  EXPECT_EQ(rcv->SendCommand("@scr stoperrors on\nprint,/par/rcvid\nprint,/par/no/such\nprint,/par/rcvid\n"),
            0);
  const std::string report = rcv->GetReplyString();
  EXPECT_NE(report.find("SIM0A1B2C3D4"), std::string::npos) << report;
  EXPECT_EQ(report.find("SIM0A1B2C3D4"), report.rfind("SIM0A1B2C3D4"))
      << "ran on after the failure: " << report;

  // Without it the script goes on and counts what succeeded.
  EXPECT_EQ(rcv->SendCommand("@scr\n# comment\nprint,/par/rcvid\nprint,/par/no/such\nprint,/par/rcvid\n"), 2);
}

TEST_F(SessionTest, CloseAndReopenRules) {
  startSim(simOptions(files));
  openAll();
  // A second Open of an opened connection is refused and leaves it working.
  EXPECT_EQ(conn.Open("", "other", "", "gridtest"), 0);
  EXPECT_EQ(conn.GetReplyString(), "ERDLL:Connection don't be closed!");
  EXPECT_EQ(rcv->SendCommand("%Loop%"), 1);

  // A second receiver cannot open the local server's one link.
  CReceiver* second = TSelfCreator<CReceiver>::Create();
  second->AddRef();
  EXPECT_EQ(second->Open(&conn, rcvString().c_str(), 0), 1);
  EXPECT_EQ(second->GetReplyString(), "ER:Connection was not closed correctly!");
  second->Release();

  EXPECT_EQ(rcv->Close(false), 1);
  EXPECT_EQ(rcv->SendCommand("%Loop%"), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ER:Receiver is not open!");
  // The link is free again.
  EXPECT_EQ(rcv->Open(&conn, rcvString().c_str(), 0), 1) << rcv->GetReplyString();

  EXPECT_EQ(conn.Close(), 1);
  EXPECT_NE(conn.GetReplyString().find(" Receive="), std::string::npos);
  EXPECT_EQ(rcv->SendCommand("%Loop%"), 0);  // closed with the connection
  EXPECT_EQ(conn.SendData("GetRcvList", 0), 0);
  EXPECT_EQ(conn.GetReplyString(), "ERDLL: No connection to server!");
  // A closed connection opens again.
  EXPECT_EQ(conn.Open(nullptr, "tester", "", "gridtest"), 1) << conn.GetReplyString();
}

}  // namespace
}  // namespace sessiontest
