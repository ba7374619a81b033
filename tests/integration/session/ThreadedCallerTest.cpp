// The library as a threaded window program drives it: two threads sending on one receiver,
// Close from another thread, a request from a handler run by the pump, records read while the
// message thread writes them, and the refusals that keep such callers out of each other's way.
#include <atomic>
#include <string>
#include <thread>

#include "SessionFixture.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Clock.h"
#include "gridlink/platform/Event.h"
#include "gridlink/platform/MessagePump.h"
#include "session/ConnectionState.h"

namespace sessiontest {
namespace {

constexpr const char* kRcvId = "SIM0A1B2C3D4";  // the simulator's /par/rcvid
constexpr const char* kModel = "NH-RCV-100";    // its /par/rcv/model

std::uint32_t quietSysMsg(void*) {
  return 0;
}
void ignoreData(CReceiver*) {}

// Bounded: true once the connection has a request waiting for its reply.
bool waitForPendingRequest(CConnection& conn) {
  for (int i = 0; i < 10000; ++i) {
    if (ConnectionAccess::state(conn).waitingForReply) return true;
    Platform::Sleep(1);
  }
  return false;
}

TEST_F(SessionTest, TwoThreadsOnOneReceiverEachGetTheirOwnReply) {
  startSim(simOptions(files));
  openAll();
  constexpr int kRounds = 1000;
  std::atomic<int> wrong{0}, failed{0};
  std::string firstWrong;
  std::mutex firstLock;
  auto caller = [&](const std::string& cmd, const std::string& prefix, const std::string& value) {
    std::string reply;
    for (int i = 0; i < kRounds; ++i) {
      if (rcv->SendCommand(cmd.c_str(), reply) != 1) ++failed;
      if (reply.compare(5, prefix.size(), prefix) != 0 || reply.find(value) == std::string::npos) {
        if (wrong++ == 0) {
          std::lock_guard l(firstLock);
          firstWrong = cmd + " -> " + reply;
        }
      }
    }
  };
  std::thread a(caller, "%A%print,/par/rcvid", "%A%", kRcvId);
  std::thread b(caller, "%B%print,/par/rcv/model", "%B%", kModel);
  a.join();
  b.join();
  EXPECT_EQ(wrong.load(), 0) << firstWrong;
  EXPECT_EQ(failed.load(), 0) << rcv->GetReplyString();
}

TEST_F(SessionTest, CloseFromAnotherThreadDuringARequestReleasesTheLink) {
  startSim(simOptions(files));
  openAll();
  sim->faults().replyDelayMs = 600;
  int result = -1;
  std::string reply;
  std::thread asker([&] { result = rcv->SendCommand("print,/par/rcvid", reply); });
  ASSERT_TRUE(waitForPendingRequest(conn));
  EXPECT_EQ(rcv->Close(false), 1) << rcv->GetReplyString();
  asker.join();
  EXPECT_EQ(result, 1) << reply;  // the request under way ended normally
  EXPECT_NE(reply.find(kRcvId), std::string::npos) << reply;
  sim->faults().replyDelayMs = 0;

  // The receiver no longer reaches the connection; the link was released, so it opens anew.
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ER:Receiver is not open!");
  ASSERT_EQ(rcv->Open(&conn, rcvString().c_str(), 0), 1);
  EXPECT_EQ(rcv->GetReplyString(), "RE:OK.");
  conn.Close();
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ER:Don't connection to server!");
}

// A window handler run by the pump while its own thread waits for a script.
struct NestedCall {
  CReceiver* rcv = nullptr;
  std::thread::id uiThread;
  std::atomic<bool> armed{false};
  int result = -1;
  std::string reply;
};
NestedCall* g_Nested = nullptr;

void handlerPump() {
  NestedCall* n = g_Nested;
  if (!n || std::this_thread::get_id() != n->uiThread || !n->armed.exchange(false)) return;
  n->result = n->rcv->SendCommand("print,/par/rcv/model", n->reply);
}

TEST_F(SessionTest, RequestFromInsideThePumpIsRefusedAndTheScriptCompletes) {
  startSim(simOptions(files));
  openAll();
  sim->faults().replyDelayMs = 100;  // the script lasts long enough to be pumped through
  NestedCall nested;
  nested.rcv = rcv;
  nested.uiThread = std::this_thread::get_id();
  nested.armed = true;
  g_Nested = &nested;
  Platform::SetPumpHook(handlerPump);
  std::string reply;
  const int result = rcv->SendCommand("@scr\nprint,/par/rcvid\nprint,/par/rcv/model\n", reply);
  Platform::SetPumpHook(nullptr);
  g_Nested = nullptr;
  sim->faults().replyDelayMs = 0;

  EXPECT_FALSE(nested.armed.load()) << "the pump never ran the handler";
  EXPECT_EQ(nested.result, 0);
  EXPECT_EQ(nested.reply, "ERDLL:Request in progress on this thread!");
  EXPECT_EQ(result, 2) << reply;
  EXPECT_NE(reply.find(kRcvId), std::string::npos) << reply;
  EXPECT_NE(reply.find(kModel), std::string::npos) << reply;
  EXPECT_EQ(rcv->GetReplyString(), reply);
  EXPECT_EQ(rcv->SendCommand("%Loop%"), 1) << rcv->GetReplyString();
}

TEST_F(SessionTest, RecordsAreReadWhileTheMessageThreadWritesThem) {
  startSim(simOptions(files));
  openAll(quietSysMsg);
  Platform::Event pvEvent;
  std::vector<GPSDATA> records(1);
  records[0].id = Zrx::msgcode('P', 'V');
  records[0].event = &pvEvent;
  GPSDATA copy;
  EXPECT_EQ(rcv->ReadRecord(records[0].id, copy), 0);  // nothing attached yet
  ASSERT_EQ(rcv->Attach(0, nullptr, "PV:0.1", &records), 1) << rcv->GetReplyString();
  EXPECT_EQ(rcv->ReadRecord(Zrx::msgcode('D', 'P'), copy), 0);  // no record for that id
  int whole = 0;
  for (int i = 0; i < 300; ++i) {
    if (i % 30 == 0) {
      ASSERT_EQ(pvEvent.Wait(10000), Platform::WaitResult::Signalled);
    }
    ASSERT_EQ(rcv->ReadRecord(records[0].id, copy), 1);
    if (copy.data.empty()) continue;
    ASSERT_GT(copy.data.size(), 5u);
    EXPECT_EQ(Zrx::msgcode(static_cast<char>(copy.data[0]), static_cast<char>(copy.data[1])), records[0].id);
    EXPECT_EQ(Zrx::checksum8(copy.data.data(), copy.data.size() - 1), copy.data.back());
    EXPECT_EQ(copy.event, &pvEvent);
    ++whole;
  }
  EXPECT_GT(whole, 0);
  EXPECT_EQ(rcv->Close(false), 1);
  EXPECT_EQ(rcv->ReadRecord(records[0].id, copy), 0);  // forgotten with the receiver
}

TEST_F(SessionTest, AttachWithoutSysMsgCallbackIsRefused) {
  startSim(simOptions(files));
  openAll();
  std::vector<GPSDATA> records(1);
  records[0].id = Zrx::msgcode('P', 'V');
  EXPECT_EQ(rcv->Attach(0, ignoreData, "PV:0.2", nullptr), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ERDLL:Can't be run Attach without SysMsgCallback!");
  EXPECT_EQ(rcv->Attach(0, nullptr, "PV:0.2", &records), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ERDLL:Can't be run Attach without SysMsgCallback!");
  EXPECT_EQ(rcv->SendCommand("%Loop%"), 1);  // the receiver was left as it was
}

std::atomic<int> g_OutputBytes{0};
void countOutput(char*, int n) {
  g_OutputBytes += n;
}

TEST_F(SessionTest, ANullOutputCallbackUninstallsTheLastOne) {
  startSim(simOptions(files));
  openAll();
  ASSERT_EQ(rcv->SendCommand("", countOutput), 1);  // installs it only
  std::string reply;
  ASSERT_EQ(rcv->SendCommand("print,/par/rcvid", reply), 1) << reply;
  EXPECT_NE(reply.find(kRcvId), std::string::npos) << reply;
  EXPECT_EQ(ConnectionAccess::state(conn).commandOutput.load(), nullptr);
}

}  // namespace
}  // namespace sessiontest
