// The receiver session on a remote server, without any window: a gridserver on 127.0.0.1 in
// front of the simulator on a pseudo-terminal (reached through a device link the test can
// re-point). The server killed and started again on its port, Disconnect while it is away, a
// login refused on the way back, and a receiver lost behind a server that stays.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "ServerProcess.h"
#include "SessionRecorder.h"
#include "TempDir.h"
#include "gridlink/CReceiver.h"
#include "rcvsim/Simulator.h"
#include "session/ReceiverSession.h"

using session::ReceiverSession;
using session::SessionState;
using sessiontest::Recorder;

namespace {

class RemoteRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startSimulator();
    users = ServerProcess::writeUsers(dir.str(), "alice pw-a\n");
    startServer("127.0.0.1:0");
    port = server->port();
    session.setObserver(&recorder);
    session.addRoundListener(&recorder);
  }
  void TearDown() override {
    session.removeRoundListener(&recorder);
    session.disconnect();
    server.reset();
    sim->stop();
  }
  void startSimulator() {
    rcvsim::Options o;
    o.pty = true;
    o.filesDir = files.str();
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->start(error)) << error;
    std::filesystem::remove(deviceLink);
    std::filesystem::create_symlink(sim->ptyPath(), deviceLink);
  }
  void startServer(const std::string& listen, const std::string& offered = {}) {
    server = std::make_unique<ServerProcess>(
        std::vector<std::string>{"--listen", listen, "--users", users, "--store", dir.str() + "/store",
                                 "--receiver", offered.empty() ? receiverString() : offered});
    ASSERT_NE(server->port(), 0u) << server->log();
  }
  // The same port again, as a restarted server comes back where its users know it.
  void restartServer(const std::string& offered = {}) {
    startServer("127.0.0.1:" + std::to_string(port), offered);
  }
  void killServer() {
    kill(server->pid(), SIGKILL);
    server->Wait(10000);
  }
  std::string receiverString() const { return "COM" + deviceLink.string() + ":115200:1"; }
  void goLive() {
    session::SessionTarget t;
    t.server = "127.0.0.1:" + std::to_string(port);
    t.user = "alice";
    t.password = "pw-a";
    t.receiver = receiverString();
    ASSERT_TRUE(session.connect(t));
    ASSERT_TRUE(recorder.waitForState(session, SessionState::Live)) << recorder.lastStatus();
    ASSERT_TRUE(recorder.waitForRounds(2));
    ASSERT_FALSE(session.isLocalServer());
  }
  std::vector<SessionState> lastStates(std::size_t n) {
    const auto states = recorder.states();
    return states.size() < n ? states
                             : std::vector<SessionState>(states.end() - static_cast<long>(n), states.end());
  }
  static int count(const std::string& log, const std::string& text) {
    int n = 0;
    for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }

  ScopedConfigHome config;
  TempDir dir, files, links;
  std::filesystem::path deviceLink = links.path() / "receiver";
  std::string users;
  unsigned port = 0;
  std::unique_ptr<rcvsim::Simulator> sim;
  std::unique_ptr<ServerProcess> server;
  Recorder recorder;
  ReceiverSession session;
};

TEST_F(RemoteRecoveryTest, ServerKilledAndBackOnItsPortResumesTheLiveSessionByItself) {
  goLive();
  killServer();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Reconnecting, 60)) << recorder.lastStatus();
  EXPECT_TRUE(recorder.waitForStatus("Server lost: ")) << recorder.lastStatus();
  EXPECT_NE(recorder.title().find("(server lost)"), std::string::npos) << recorder.title();
  EXPECT_EQ(session.receiver(), nullptr);
  // Nobody listens: the login is tried again and again.
  ASSERT_TRUE(recorder.waitForStatus("(retry 2)")) << recorder.lastStatus();

  restartServer();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Live, 60)) << recorder.lastStatus();
  EXPECT_TRUE(recorder.waitForRounds(2));
  EXPECT_EQ(lastStates(3),
            (std::vector<SessionState>{SessionState::Live, SessionState::Reconnecting, SessionState::Live}));
  EXPECT_EQ(recorder.title().find("lost)"), std::string::npos) << recorder.title();
  EXPECT_EQ(recorder.lastStatus(), receiverString());
  EXPECT_NE(session.receiver(), nullptr);
  EXPECT_EQ(session.info().model, "NH-RCV-100");
  const std::string log = server->log();
  EXPECT_EQ(count(log, "alice: logged in"), 1) << log;
  EXPECT_EQ(count(log, "opened " + receiverString()), 1) << log;
}

TEST_F(RemoteRecoveryTest, ServerBackWithoutTheReceiverSaysSoAndKeepsTryingTheReceiver) {
  goLive();
  killServer();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Reconnecting, 60)) << recorder.lastStatus();
  restartServer("COM/dev/null/none:115200:1");
  EXPECT_TRUE(recorder.waitForStatus("Receiver lost: Can't find receiver. (retry ")) << recorder.lastStatus();
  EXPECT_EQ(session.state(), SessionState::Reconnecting);

  server->Stop();
  restartServer();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Live, 60)) << recorder.lastStatus();
}

TEST_F(RemoteRecoveryTest, DisconnectWhileTheServerIsAwayStopsTheRetries) {
  goLive();
  killServer();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Reconnecting, 60)) << recorder.lastStatus();
  ASSERT_TRUE(recorder.waitForStatus("(retry 1)")) << recorder.lastStatus();
  session.disconnect();
  EXPECT_EQ(session.state(), SessionState::Idle);
  EXPECT_EQ(recorder.lastStatus(), "Disconnected");
  EXPECT_EQ(session.connection(), nullptr);

  // The next try would have come a second after the first: a server back on the port meanwhile
  // sees nobody.
  restartServer();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_EQ(count(server->log(), ": connected"), 0) << server->log();
  EXPECT_EQ(session.state(), SessionState::Idle);
}

TEST_F(RemoteRecoveryTest, LoginRefusedOnTheWayBackEndsTheRetriesWithTheServersReply) {
  goLive();
  server->Stop();  // a clean shutdown tells the client why
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Reconnecting, 60)) << recorder.lastStatus();
  EXPECT_TRUE(recorder.waitForStatus("Server lost: Server is shutting down")) << recorder.lastStatus();
  ServerProcess::writeUsers(dir.str(), "alice changed-meanwhile\n");
  restartServer();

  ASSERT_TRUE(recorder.waitForState(session, SessionState::Idle, 60)) << recorder.lastStatus();
  EXPECT_EQ(recorder.lastStatus(), "ER:Wrong user name or password!");
  EXPECT_EQ(session.lastError(), "ER:Wrong user name or password!");
  EXPECT_EQ(lastStates(3),
            (std::vector<SessionState>{SessionState::Live, SessionState::Reconnecting, SessionState::Idle}));
  ASSERT_TRUE(server->waitLog("login refused"));
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_EQ(count(server->log(), "login refused"), 1) << server->log();
  session.dropConnection();
  EXPECT_EQ(session.connection(), nullptr);
}

TEST_F(RemoteRecoveryTest, ServerLostWhileAToolHoldsTheReceiverIsLoggedInToAgainAfterTheTool) {
  goLive();
  std::string reply;
  const auto ran = session.borrowReceiver([&](CReceiver* rcv) {
    killServer();
    ASSERT_TRUE(recorder.waitForEvent(247)) << "no word of the lost server";
    rcv->SendCommand("print,/par/rcv/model", reply);
  });
  EXPECT_EQ(ran, ReceiverSession::BorrowResult::Ran);
  EXPECT_EQ(reply.find("NH-RCV-100"), std::string::npos) << reply;
  EXPECT_EQ(session.state(), SessionState::Reconnecting);
  EXPECT_TRUE(recorder.waitForStatus("Server lost: ")) << recorder.lastStatus();

  restartServer();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Live, 60)) << recorder.lastStatus();
  EXPECT_TRUE(recorder.waitForRounds(2));
  EXPECT_EQ(lastStates(3), (std::vector<SessionState>{SessionState::ToolHoldsReceiver,
                                                      SessionState::Reconnecting, SessionState::Live}));
}

TEST_F(RemoteRecoveryTest, ReceiverLostBehindALiveServerIsReopenedWithoutANewLogin) {
  goLive();
  // Gone with its device name, so that no retry opens a pseudo-terminal reused meanwhile.
  std::filesystem::remove(deviceLink);
  sim->stop();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Reconnecting, 60)) << recorder.lastStatus();
  EXPECT_TRUE(recorder.waitForStatus("Receiver lost: ")) << recorder.lastStatus();
  EXPECT_NE(recorder.title().find("(receiver lost)"), std::string::npos) << recorder.title();
  startSimulator();  // a new pseudo-terminal behind the same device link

  ASSERT_TRUE(recorder.waitForState(session, SessionState::Live, 60)) << recorder.lastStatus();
  EXPECT_TRUE(recorder.waitForRounds(2));
  const std::string log = server->log();
  EXPECT_EQ(count(log, "alice: logged in"), 1) << log;
  EXPECT_GE(count(log, "opened " + receiverString()), 2) << log;
}

}  // namespace
