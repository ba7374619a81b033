// Corrections through a remote server to the receiver it holds: WriteRaw travels as a request
// (scrambled, so in pieces that fit one packet) and every frame reaches the receiver whole,
// while the same client's commands keep their replies.
#include <fstream>
#include <iterator>

#include "ServerFixture.h"
#include "TestPaths.h"
#include "rcvsim/CorrectionSplit.h"

namespace servertest {
namespace {

TEST_F(ServerTest, CorrectionsReachTheReceiverThroughTheServerBetweenCommands) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  std::ifstream in(dir + "/pygpsdata-NTRIP-USCL00CHL0.log", std::ios::binary);
  const std::string capture{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::string> frames;
  rcvsim::CorrectionSplit split;
  split.feed(
      capture.data(), capture.size(), [](const char*, std::size_t) {},
      [&](const char* b, std::size_t n) { frames.emplace_back(b, n); });
  ASSERT_GE(frames.size(), 5u);
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  Rcv r;
  ASSERT_EQ(r->Open(alice, rcvString().c_str(), 0), 1) << r->GetReplyString();
  std::string reply;
  ASSERT_EQ(r->SendCommand("set,/par/dev/ser/a/imode,omni", reply), 1) << reply;
  std::uint64_t sent = 0;
  for (int round = 0; round < 3; ++round) {
    for (const std::string& f : frames) {
      ASSERT_EQ(r->WriteRaw(f.data(), f.size(), reply), 1) << reply;
      ++sent;
    }
    ASSERT_EQ(r->SendCommand("print,/par/rcvid", reply), 1) << reply;
    EXPECT_NE(reply.find("SIM0A1B2C3D4"), std::string::npos) << reply;
  }
  EXPECT_EQ(sim->correctionFrames(), sent);
  // More than one scrambled packet holds: the write goes in pieces.
  std::string many;
  std::uint64_t inMany = 0;
  while (many.size() <= CReceiver::kRawWriteRemoteChunk)
    for (const std::string& f : frames) many += f, ++inMany;
  ASSERT_GT(many.size(), CReceiver::kRawWriteRemoteChunk);
  ASSERT_EQ(r->WriteRaw(many.data(), many.size(), reply), 1) << reply;
  ASSERT_EQ(r->SendCommand("print,/par/rcvid", reply), 1) << reply;
  EXPECT_EQ(sim->correctionFrames(), sent + inMany);
}

}  // namespace
}  // namespace servertest
