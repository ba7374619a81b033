// Several callers on one local connection: two receivers on two simulated devices (each
// receiver reaches only its own device, a close closes only its own link, a receiver whose link
// was taken says so), threads taking turns fairly on the connection's send lock, and a lost
// link told to the system-message callback at once.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SessionFixture.h"
#include "session/ConnectionState.h"
#include "session/LocalServer.h"

namespace sessiontest {
namespace {

class SharedConnectionTest : public SessionTest {
 protected:
  void startSecond() {
    rcvsim::Options o = simOptions(files2);
    o.rcvid = "SECOND000001";
    sim2 = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim2->start(error)) << error;
  }
  std::string secondString() const { return "COM" + sim2->ptyPath() + ":115200:1"; }
  CReceiver* newReceiver() {
    CReceiver* r = TSelfCreator<CReceiver>::Create();
    r->AddRef();
    return r;
  }
  void TearDown() override {
    if (rcv2) {
      rcv2->Close(false);
      rcv2->Release();
    }
    SessionTest::TearDown();
    if (sim2) sim2->stop();
  }
  std::string ask(CReceiver* r, int& result) {
    std::string reply;
    result = r->SendCommand("print,/par/rcvid", reply);
    return reply;
  }

  TempDir files2;
  std::unique_ptr<rcvsim::Simulator> sim2;
  CReceiver* rcv2 = nullptr;
};

TEST_F(SharedConnectionTest, EachReceiverReachesOnlyItsOwnDevice) {
  startSim(simOptions(files));
  startSecond();
  openAll();
  rcv2 = newReceiver();
  // The second open takes the link over, with the answer callers have always had.
  ASSERT_EQ(rcv2->Open(&conn, secondString().c_str(), 0), 1) << rcv2->GetReplyString();
  EXPECT_EQ(rcv2->GetReplyString(), "ER:Connection was not closed correctly!");
  int result = -1;
  std::string reply = ask(rcv2, result);
  EXPECT_EQ(result, 1);
  EXPECT_NE(reply.find("SECOND000001"), std::string::npos) << reply;
  // The first receiver's device is gone from under it: it says so and gets nobody's answer.
  reply = ask(rcv, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(reply, LocalServer::kTakenOver);

  // Closing the receiver that lost its link leaves the other's link alone.
  rcv->Close(false);
  reply = ask(rcv2, result);
  EXPECT_EQ(result, 1);
  EXPECT_NE(reply.find("SECOND000001"), std::string::npos) << reply;

  // Closed and opened again, the second receiver has its device, and the first stays out.
  ASSERT_EQ(rcv->Open(&conn, rcvString().c_str(), 0), 1);
  rcv2->Close(false);
  ASSERT_EQ(rcv2->Open(&conn, secondString().c_str(), 0), 1) << rcv2->GetReplyString();
  reply = ask(rcv, result);
  EXPECT_EQ(result, 0) << reply;
  EXPECT_EQ(reply, LocalServer::kTakenOver);
  reply = ask(rcv2, result);
  EXPECT_NE(reply.find("SECOND000001"), std::string::npos) << reply;
}

TEST_F(SharedConnectionTest, SameDeviceOpenedTwiceIsSharedUntilTheLastCloses) {
  startSim(simOptions(files));
  openAll();
  rcv2 = newReceiver();
  ASSERT_EQ(rcv2->Open(&conn, rcvString().c_str(), 0), 1);
  EXPECT_EQ(rcv2->GetReplyString(), "ER:Connection was not closed correctly!");
  int result = -1;
  EXPECT_NE(ask(rcv2, result).find("SIM0A1B2C3D4"), std::string::npos);
  EXPECT_NE(ask(rcv, result).find("SIM0A1B2C3D4"), std::string::npos);
  rcv->Close(false);  // the device stays open for the other receiver on it
  EXPECT_NE(ask(rcv2, result).find("SIM0A1B2C3D4"), std::string::npos);
  EXPECT_EQ(result, 1);
  // The last one closes it: the device opens again afterwards.
  rcv2->Close(false);
  ASSERT_EQ(rcv->Open(&conn, rcvString().c_str(), 0), 1);
  EXPECT_EQ(rcv->GetReplyString(), "RE:OK.");
}

TEST_F(SharedConnectionTest, AnotherThreadsCommandWaitsItsTurnBesideABackToBackSender) {
  startSim(simOptions(files));
  openAll();
  const std::size_t base = sim->commandsReceived().size();
  std::atomic<bool> stop{false};
  std::atomic<long> rounds{0};
  std::thread busy([&] {
    std::string reply;
    while (!stop) {
      rcv->SendCommand("%A%print,/par/rcv/model", reply);
      ++rounds;
    }
  });
  while (rounds < 20) std::this_thread::yield();
  Platform::FairLock& sendLock = ConnectionAccess::state(conn).sendLock;
  std::vector<long> inLine;  // the busy sender's finished rounds when each command stood in line
  for (int i = 0; i < 20; ++i) {
    std::atomic<bool> done{false};
    std::thread asker([&] {
      std::string reply;
      EXPECT_EQ(rcv->SendCommand("%B%print,/par/rcvid", reply), 1) << reply;
      done = true;
    });
    while (!done && sendLock.Waiting() == 0) std::this_thread::yield();
    inLine.push_back(rounds.load());
    asker.join();
  }
  stop = true;
  busy.join();
  // The order in which the receiver got them: how many of the busy sender's commands went out
  // between each command standing in line and that command (counted at the receiver, so a
  // thread that is slow to run after its reply cannot inflate it).
  const std::vector<std::string> got = sim->commandsReceived();
  long sent = 0, most = 0;
  std::size_t asked = 0;
  for (std::size_t k = base; k < got.size() && asked < inLine.size(); ++k) {
    if (got[k] == "print,/par/rcv/model") ++sent;
    if (got[k] == "print,/par/rcvid") most = std::max(most, sent - inLine[asked++]);
  }
  EXPECT_EQ(asked, inLine.size());
  // Twenty went out before the first command stood in line (a count that later read higher
  // only makes the measure smaller: the main thread may look after the turn has passed).
  EXPECT_GE(sent, 20) << "the busy sender's commands as the receiver saw them";
  // In line behind the command under way, and at most one more as the turns cross.
  EXPECT_LE(most, 2);
}

std::atomic<int> g_LostEvents{0};
std::string g_LostText;
std::mutex g_LostLock;

std::uint32_t recordLoss(void* conn) {
  auto* c = static_cast<CConnection*>(conn);
  if (c->GetLastException() != -4) return 0;
  std::lock_guard l(g_LostLock);
  g_LostText = c->GetReplyString();
  ++g_LostEvents;
  return 0;
}

TEST_F(SharedConnectionTest, LostLinkReachesTheCallbackWithItsReason) {
  g_LostEvents = 0;
  startSim(simOptions(files));
  openAll(recordLoss);
  sim->stop();  // the receiver goes away: the pseudo-terminal hangs up
  for (int i = 0; i < 1000 && g_LostEvents == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(g_LostEvents.load(), 1);
  std::lock_guard l(g_LostLock);
  EXPECT_EQ(g_LostText.rfind("ER:Receiver link lost: COM ", 0), 0u) << g_LostText;
  std::string reply;
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid", reply), 0);
  EXPECT_EQ(reply.rfind("ER:Receiver link lost", 0), 0u) << reply;
}

}  // namespace
}  // namespace sessiontest
