// The receiver session against the simulator on a pseudo-terminal, without any window: the
// state sequence of a connect, a tool borrowing the receiver and giving it back, Disconnect,
// the receiver vanishing mid-session and coming back, and two tools asking at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>

#include "SessionRecorder.h"
#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CReceiver.h"
#include "rcvsim/Simulator.h"
#include "session/ReceiverSession.h"

using session::ReceiverSession;
using session::SessionState;
using sessiontest::Recorder;

namespace {

class ReceiverSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startSimulator();
    if (HasFatalFailure()) return;
    session.setObserver(&recorder);
    session.addRoundListener(&recorder);
  }
  void TearDown() override {
    session.removeRoundListener(&recorder);
    session.disconnect();
    sim->stop();
  }
  void startSimulator() {
    rcvsim::Options o;
    o.pty = true;
    o.filesDir = files.str();
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->start(error)) << error;
  }
  // The device path the session is given, as a plugged-back receiver keeps its by-id name.
  void pointLinkAtSimulator() {
    std::filesystem::remove(deviceLink);
    std::filesystem::create_symlink(sim->ptyPath(), deviceLink);
  }
  void goLiveThroughLink() {
    pointLinkAtSimulator();
    session::SessionTarget t = target();
    t.receiver = "COM" + deviceLink.string() + ":115200:1";
    ASSERT_TRUE(session.connect(t));
    ASSERT_TRUE(recorder.waitForState(session, SessionState::Live)) << recorder.lastStatus();
    ASSERT_TRUE(recorder.waitForRounds(2));
  }
  session::SessionTarget target(bool manualOnly = false) const {
    session::SessionTarget t;
    t.user = "tester";
    t.receiver = "COM" + sim->ptyPath() + ":115200:1";
    t.manualOnly = manualOnly;
    return t;
  }
  void goLive() {
    ASSERT_TRUE(session.connect(target()));
    ASSERT_TRUE(recorder.waitForState(session, SessionState::Live)) << recorder.lastStatus();
    ASSERT_TRUE(recorder.waitForRounds(2));
  }
  // The receiver's opens as the simulator saw them (each asks for the line's rate once).
  int opens() { return commandsLike("print,cur/term/rate"); }
  // The "dm" commands that ended the traffic so far (an open ends with some of its own).
  int trailingDm() {
    const auto all = sim->commandsReceived();
    int n = 0;
    for (auto it = all.rbegin(); it != all.rend() && *it == "dm"; ++it) ++n;
    return n;
  }
  int commandsLike(const std::string& text) {
    const auto all = sim->commandsReceived();
    return static_cast<int>(std::count_if(all.begin(), all.end(), [&](const std::string& c) {
      return c.find(text) != std::string::npos;
    }));
  }

  ScopedConfigHome config;
  TempDir files;
  TempDir links;
  std::filesystem::path deviceLink = links.path() / "receiver";
  std::unique_ptr<rcvsim::Simulator> sim;
  Recorder recorder;
  ReceiverSession session;
};

TEST_F(ReceiverSessionTest, ConnectGoesLiveThroughConnectingAndDisconnectEndsIdle) {
  goLive();
  EXPECT_EQ(recorder.states(), (std::vector<SessionState>{SessionState::Connecting, SessionState::Live}));
  EXPECT_EQ(session.info().model, "NH-RCV-100");
  EXPECT_EQ(session.info().firmwareVersion, 3007);
  EXPECT_NE(session.receiver(), nullptr);
  EXPECT_FALSE(session.connect(target())) << "a second connect while live";

  session.disconnect();
  EXPECT_EQ(session.state(), SessionState::Idle);
  EXPECT_EQ(recorder.lastStatus(), "Disconnected");
  EXPECT_EQ(session.connection(), nullptr);
  EXPECT_EQ(session.receiver(), nullptr);
  const int rounds = recorder.rounds();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(recorder.rounds(), rounds) << "rounds after Disconnect";
}

TEST_F(ReceiverSessionTest, ToolHasTheSilencedReceiverToItselfAndTheSessionComesBack) {
  goLive();
  const int opensBefore = opens();
  std::string reply;
  SessionState during = SessionState::Idle;
  int roundsInTool = 0, silencedLive = 0;
  const auto result = session.borrowReceiver([&](CReceiver* rcv) {
    during = session.state();
    silencedLive = trailingDm();
    const int rounds = recorder.rounds();
    rcv->SendCommand("print,/par/rcv/model", reply);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    roundsInTool = recorder.rounds() - rounds;
  });
  EXPECT_EQ(result, ReceiverSession::BorrowResult::Ran);
  EXPECT_EQ(during, SessionState::ToolHoldsReceiver);
  EXPECT_EQ(roundsInTool, 0) << "the session thread ran beside the tool";
  EXPECT_NE(reply.find("NH-RCV-100"), std::string::npos) << reply;
  EXPECT_EQ(opens(), opensBefore + 1) << "silencing and the tool share one open";
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Live));
  EXPECT_TRUE(recorder.waitForRounds(2));
  const auto states = recorder.states();
  EXPECT_EQ(std::vector<SessionState>(states.end() - 3, states.end()),
            (std::vector<SessionState>{SessionState::ToolHoldsReceiver, SessionState::Connecting, SessionState::Live}));

  // A session for manual mode only has nothing streaming: the tool gets the receiver unsilenced.
  session.disconnect();
  ASSERT_TRUE(session.connect(target(true)));
  ASSERT_TRUE(recorder.waitForState(session, SessionState::ManualOnly)) << recorder.lastStatus();
  int silencedManual = 0;
  session.borrowReceiver([&](CReceiver*) { silencedManual = trailingDm(); });
  EXPECT_EQ(silencedLive, silencedManual + 1) << "one \"%%dm\" before a tool takes a live receiver";
}

// Writers on other threads (corrections through the receiver's own link) reach the receiver only
// while the session shows it, learn of each new live spell, and are told when the session ends;
// an extra output is attached again by the session after a tool.
TEST_F(ReceiverSessionTest, LeaseLendsTheReceiverOnlyWhileLiveAndEndsWithTheSession) {
  goLive();
  const auto lease = session.lease();
  const auto serial = lease->serial();
  const auto look = [&](std::uint64_t s = 0) {
    auto l = lease->look(s ? s : serial);
    if (l.receiver) l.receiver->Release();
    return l;
  };
  // Whether the receiver lists RTCM 3 among its outputs within a few seconds.
  const auto sendsRtcm = [&] {
    std::string reply;
    for (int i = 0; i < 50; ++i, std::this_thread::sleep_for(std::chrono::milliseconds(100)))
      if (CReceiver* r = session.receiver(); r && r->SendCommand("print,/par/out/cur/term:on", reply) &&
                                             reply.find("rtcm3") != std::string::npos)
        return true;
    return false;
  };
  session.setOutput(3, "1005:1");
  ASSERT_TRUE(sendsRtcm());
  const auto first = look();
  ASSERT_EQ(first.kind, session::ReceiverLease::Kind::Live);
  CReceiver* lent = nullptr;
  EXPECT_TRUE(lease->run(first.epoch, [&](CReceiver* r) { lent = r; }));
  EXPECT_EQ(lent, session.receiver());

  session::ReceiverLease::Look inTool;
  bool ranInTool = true;
  session.borrowReceiver(
      [&](CReceiver*) {
        inTool = look();
        ranInTool = lease->run(first.epoch, [](CReceiver*) {});
      },
      ReceiverSession::BorrowMode::OpenReceiver, "Configuration");
  EXPECT_EQ(inTool.kind, session::ReceiverLease::Kind::Paused);
  EXPECT_EQ(inTool.why, "the receiver is in use by Configuration");
  EXPECT_FALSE(ranInTool);
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Live));
  const auto again = look();
  ASSERT_EQ(again.kind, session::ReceiverLease::Kind::Live);
  EXPECT_NE(again.epoch, first.epoch) << "the receiver was closed and opened again meanwhile";
  EXPECT_FALSE(lease->run(first.epoch, [](CReceiver*) {}));
  EXPECT_TRUE(lease->run(again.epoch, [](CReceiver*) {}));
  EXPECT_TRUE(sendsRtcm()) << "the extra output after the tool";

  session.disconnect();
  EXPECT_EQ(look().kind, session::ReceiverLease::Kind::Ended);
  EXPECT_EQ(look().why, "the receiver was disconnected");
  goLive();
  EXPECT_EQ(look().kind, session::ReceiverLease::Kind::Ended) << "a writer of the earlier session";
  EXPECT_EQ(look(lease->serial()).kind, session::ReceiverLease::Kind::Live);
}

TEST_F(ReceiverSessionTest, TwoToolsAtOnceNeverShareTheReceiver) {
  goLive();
  ReceiverSession::BorrowResult nested{}, other{};
  int ran = 0;
  session.borrowReceiver([&](CReceiver*) {
    ++ran;
    // A second tool from the same thread (a menu inside a modal dialog) and from another one.
    nested = session.borrowReceiver([&](CReceiver*) { ++ran; });
    std::thread t([&] { other = session.borrowReceiver([&](CReceiver*) { ++ran; }); });
    t.join();
  });
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(nested, ReceiverSession::BorrowResult::Refused);
  EXPECT_EQ(other, ReceiverSession::BorrowResult::Refused);
  EXPECT_TRUE(recorder.waitForState(session, SessionState::Live));
}

TEST_F(ReceiverSessionTest, ManualOnlySessionDisconnectedFromItsToolEndsClosed) {
  ASSERT_TRUE(session.connect(target(true)));
  ASSERT_TRUE(recorder.waitForState(session, SessionState::ManualOnly)) << recorder.lastStatus();
  EXPECT_EQ(session.receiver(), nullptr) << "manual-only keeps the receiver closed";
  std::string reply;
  session.borrowReceiver([&](CReceiver* rcv) {
    rcv->SendCommand("print,/par/rcv/model", reply);
    session.disconnect();  // the Disconnect button of manual mode
    EXPECT_EQ(session.state(), SessionState::ToolHoldsReceiver);
  });
  EXPECT_NE(reply.find("NH-RCV-100"), std::string::npos) << reply;
  EXPECT_EQ(session.state(), SessionState::Idle);
  EXPECT_EQ(recorder.lastStatus(), "Disconnected");
  EXPECT_EQ(session.connection(), nullptr);
  EXPECT_EQ(opens(), 2) << "the check at connect and the tool's";
}

TEST_F(ReceiverSessionTest, ReceiverVanishingMidSessionIsRetriedUntilDisconnect) {
  goLiveThroughLink();
  std::filesystem::remove(deviceLink);  // no retry may open a pseudo-terminal reused meanwhile
  sim->stop();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Reconnecting, 60));
  ASSERT_TRUE(recorder.waitForStatus("Receiver lost: ")) << recorder.lastStatus();
  EXPECT_FALSE(session.lastError().empty());
  EXPECT_NE(recorder.title().find("(receiver lost)"), std::string::npos) << recorder.title();
  EXPECT_EQ(session.receiver(), nullptr);
  EXPECT_EQ(session.borrowReceiver([](CReceiver*) { FAIL() << "a tool ran without a receiver"; }),
            ReceiverSession::BorrowResult::Refused);

  session.disconnect();
  EXPECT_EQ(session.state(), SessionState::Idle);
  EXPECT_EQ(recorder.lastStatus(), "Disconnected");
  EXPECT_EQ(session.connection(), nullptr);
  // A new connect works once a receiver is there again.
  startSimulator();
  goLive();
}

TEST_F(ReceiverSessionTest, ReceiverBackOnTheSameDeviceLinkResumesTheLiveSessionByItself) {
  goLiveThroughLink();
  std::filesystem::remove(deviceLink);  // no retry may open a pseudo-terminal reused meanwhile
  sim->stop();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Reconnecting, 60));
  const auto lease = session.lease();
  EXPECT_EQ(lease->look(lease->serial()).kind, session::ReceiverLease::Kind::Paused);
  startSimulator();  // a new pseudo-terminal, reached through the same path
  pointLinkAtSimulator();
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Live, 60)) << recorder.lastStatus();
  const auto back = lease->look(lease->serial());
  EXPECT_EQ(back.kind, session::ReceiverLease::Kind::Live);
  if (back.receiver) back.receiver->Release();
  EXPECT_TRUE(recorder.waitForRounds(2));
  const auto states = recorder.states();
  EXPECT_EQ(std::vector<SessionState>(states.end() - 3, states.end()),
            (std::vector<SessionState>{SessionState::Live, SessionState::Reconnecting, SessionState::Live}));
  EXPECT_EQ(recorder.title().find("(receiver lost)"), std::string::npos) << recorder.title();
  EXPECT_NE(session.receiver(), nullptr);
  EXPECT_EQ(session.info().model, "NH-RCV-100");
}

TEST_F(ReceiverSessionTest, AReceiverThatCannotBeOpenedLeavesTheSessionIdleWithItsText) {
  session::SessionTarget t = target();
  t.receiver = "COM/dev/nonexistent-stelvan-port:115200:1";
  ASSERT_TRUE(session.connect(t));
  ASSERT_TRUE(recorder.waitForState(session, SessionState::Idle));
  EXPECT_FALSE(session.lastError().empty());
  EXPECT_EQ(recorder.lastStatus(), session.lastError());
  EXPECT_EQ(recorder.states(), (std::vector<SessionState>{SessionState::Connecting, SessionState::Idle}));
}

}  // namespace
