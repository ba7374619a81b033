// Corrections through the receiver's own link (CReceiver::WriteRaw) against the simulator on a
// pseudo-terminal: RTCM 3 frames written from one thread while two others send commands; every
// command gets its own reply, every frame arrives whole and the receiver's solution moves to
// RTK float. A write that cannot get the link in time fails with its reason and writes nothing.
#include <atomic>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SessionFixture.h"
#include "TestPaths.h"
#include "gridlink/platform/Clock.h"
#include "rcvsim/CorrectionSplit.h"
#include "session/ConnectionState.h"

namespace sessiontest {
namespace {

constexpr const char* kRcvId = "SIM0A1B2C3D4";
constexpr const char* kModel = "NH-RCV-100";

// The whole RTCM 3 frames of a recorded stream.
std::vector<std::string> framesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::string> frames;
  rcvsim::CorrectionSplit split;
  split.feed(
      bytes.data(), bytes.size(), [](const char*, std::size_t) {},
      [&](const char* b, std::size_t n) { frames.emplace_back(b, n); });
  return frames;
}

TEST_F(SessionTest, CorrectionsBetweenCommandsReachTheReceiverWholeAndEveryCommandKeepsItsReply) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  const std::vector<std::string> frames = framesOf(dir + "/pygpsdata-NTRIP-USCL00CHL0.log");
  ASSERT_GE(frames.size(), 5u);
  startSim(simOptions(files));
  openAll();
  std::string reply;
  // Port A takes corrections beside its commands only in such an input mode.
  ASSERT_EQ(rcv->SendCommand("set,/par/dev/ser/a/imode,omni", reply), 1) << reply;

  constexpr int kRounds = 150;
  std::atomic<bool> commandsDone{false};
  std::atomic<int> wrong{0}, written{0}, failedWrites{0};
  std::string firstWrong, firstFailure;
  std::mutex firstLock;
  auto caller = [&](const std::string& cmd, const std::string& prefix, const std::string& value) {
    std::string r;
    for (int i = 0; i < kRounds; ++i) {
      const int ok = rcv->SendCommand(cmd.c_str(), r);
      if (ok != 1 || r.compare(5, prefix.size(), prefix) != 0 || r.find(value) == std::string::npos) {
        std::lock_guard l(firstLock);
        if (wrong++ == 0) firstWrong = cmd + " -> " + r;
      }
    }
  };
  std::thread writer([&] {
    // Every frame at least once, and on while the commands run.
    for (std::size_t i = 0; i < frames.size() || !commandsDone.load(); ++i) {
      const std::string& f = frames[i % frames.size()];
      std::string why;
      if (rcv->WriteRaw(f.data(), f.size(), why) == 1) {
        ++written;
      } else {
        std::lock_guard l(firstLock);
        if (failedWrites++ == 0) firstFailure = why;
      }
    }
  });
  std::thread a(caller, "%A%print,/par/rcvid", "%A%", kRcvId);
  std::thread b(caller, "%B%print,/par/rcv/model", "%B%", kModel);
  a.join();
  b.join();
  commandsDone = true;
  writer.join();
  EXPECT_EQ(wrong.load(), 0) << firstWrong;
  EXPECT_EQ(failedWrites.load(), 0) << firstFailure;
  // A command after the last write has been answered: every frame before it has been read.
  ASSERT_EQ(rcv->SendCommand("print,/par/rcvid", reply), 1) << reply;
  EXPECT_EQ(sim->correctionFrames(), static_cast<std::uint64_t>(written.load()))
      << "frames cut or lost on the way";
  EXPECT_EQ(sim->solutionWithCorrections(1), 3) << "RTK float on the corrections";
}

TEST_F(SessionTest, AWriteThatCannotGetTheLinkInTimeFailsAndWritesNothing) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  const std::vector<std::string> frames = framesOf(dir + "/pygpsdata-NTRIP-USCL00CHL0.log");
  ASSERT_FALSE(frames.empty());
  startSim(simOptions(files));
  openAll();
  std::string reply;
  ASSERT_EQ(rcv->SendCommand("set,/par/dev/ser/a/imode,omni", reply), 1) << reply;
  // A slow command holds the link for seconds.
  sim->faults().replyDelayMs = 3000;
  std::atomic<bool> started{false};
  std::thread slow([&] {
    std::string r;
    started = true;
    rcv->SendCommand("print,/par/rcvid", r);
  });
  for (int i = 0; i < 2000 && !(started.load() && ConnectionAccess::state(conn).waitingForReply.load()); ++i)
    Platform::Sleep(5);
  ASSERT_TRUE(ConnectionAccess::state(conn).waitingForReply.load());
  std::string why;
  EXPECT_EQ(rcv->WriteRaw(frames[0].data(), frames[0].size(), why, 200), 0);
  EXPECT_EQ(why, CReceiver::kRawWriteBusy);
  slow.join();
  EXPECT_NE(rcv->GetReplyString().find(kRcvId), std::string::npos)
      << "the command's reply text, not the write's: " << rcv->GetReplyString();
  sim->faults().replyDelayMs = 0;
  ASSERT_EQ(rcv->SendCommand("print,/par/rcvid", reply), 1) << reply;
  EXPECT_EQ(sim->correctionFrames(), 0u);
  // The link free again, the same write goes through.
  ASSERT_EQ(rcv->SendCommand("print,/par/rcv/model", reply), 1) << reply;
  EXPECT_EQ(rcv->WriteRaw(frames[0].data(), frames[0].size(), why), 1) << why;
  EXPECT_NE(rcv->GetReplyString().find(kModel), std::string::npos) << rcv->GetReplyString();
  ASSERT_EQ(rcv->SendCommand("print,/par/rcvid", reply), 1) << reply;
  EXPECT_EQ(sim->correctionFrames(), 1u);
}

}  // namespace
}  // namespace sessiontest
