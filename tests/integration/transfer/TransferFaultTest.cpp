// Downloads against a misbehaving receiver: damaged blocks, a cut line, an error in place of
// a block, and a local file that cannot be written.
#include <regex>

#include "TransferFixture.h"

namespace transfertest {
namespace {

TEST_F(FileTransferTest, BlockWithABadCrcIsAskedForAgainAndReported) {
  const std::string data = randomBytes(6 * kBlock, 11);
  putFile("crc", data);
  rcvsim::Options o = sessiontest::simOptions(files);
  o.badCrcBlock = 2;
  openWithReports(o);
  ASSERT_EQ(rcv->DownloadFile(local("crc").c_str(), "crc", kBlock), 1) << rcv->GetReplyString();
  DOWNLOADINFO info;
  ASSERT_EQ(waitEnd(info), 1);
  EXPECT_TRUE(readFile(local("crc")) == data);
  ASSERT_EQ(waitClosingReport(), "RE:Complete Downloading.");
  std::vector<std::string> retries;
  for (const std::string& t : reports.take())
    if (t.rfind("RT:", 0) == 0) retries.push_back(t);
  ASSERT_EQ(retries.size(), 1u);
  EXPECT_TRUE(std::regex_match(retries[0], std::regex("RT:1 Error CRC [0-9A-F]{4} [0-9A-F]{4}")))
      << retries[0];
}

TEST_F(FileTransferTest, BlockThatNeverArrivesWholeEndsWithRetryMaxAndKeepsTheGoodPart) {
  putFile("bad", randomBytes(8 * kBlock, 12));
  rcvsim::Options o = sessiontest::simOptions(files);
  o.badCrcBlock = 3;
  o.badCrcTimes = 1000000;
  openWithReports(o);
  ASSERT_EQ(rcv->DownloadFile(local("bad").c_str(), "bad", kBlock), 1) << rcv->GetReplyString();
  DOWNLOADINFO info;
  EXPECT_EQ(waitEnd(info), 2);
  EXPECT_EQ(waitClosingReport(), "ER:Retry > MAX.");
  EXPECT_EQ(readFile(local("bad")).size(), 3u * kBlock);
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 1) << rcv->GetReplyString();
}

TEST_F(FileTransferTest, CutDownloadIsCompletedByTheNextFromTheKeptSize) {
  const std::string data = randomBytes(40 * kBlock + 5, 13);
  putFile("cut", data);
  rcvsim::Options o = sessiontest::simOptions(files);
  o.cutAfterBytes = 12 * (kBlock + 6) + kBlock / 2;  // in the middle of block 12
  openWithReports(o);
  ASSERT_EQ(rcv->DownloadFile(local("cut").c_str(), "cut", kBlock), 1) << rcv->GetReplyString();
  DOWNLOADINFO info;
  EXPECT_EQ(waitEnd(info), 2);
  EXPECT_EQ(waitClosingReport(), "ER:Receiver don't reply!");
  EXPECT_EQ(readFile(local("cut")).size(), 12u * kBlock);

  sim->faults().cutAfterBytes = -1;
  reports.texts.clear();
  ASSERT_EQ(rcv->DownloadFile(local("cut").c_str(), "cut", kBlock), 1) << rcv->GetReplyString();
  ASSERT_EQ(waitEnd(info), 1);
  EXPECT_EQ(static_cast<std::size_t>(info.bytes), data.size() - 12 * kBlock);
  EXPECT_TRUE(readFile(local("cut")) == data);
}

TEST_F(FileTransferTest, ReceiverErrorInPlaceOfABlockEndsTheDownloadWithItsText) {
  putFile("err", randomBytes(6 * kBlock, 14));
  rcvsim::Options o = sessiontest::simOptions(files);
  o.errorBlock = 4;
  openWithReports(o);
  ASSERT_EQ(rcv->DownloadFile(local("err").c_str(), "err", kBlock), 1) << rcv->GetReplyString();
  DOWNLOADINFO info;
  EXPECT_EQ(waitEnd(info), 2);
  const std::string closing = waitClosingReport();
  EXPECT_EQ(closing.substr(0, 2), "ER");
  EXPECT_NE(closing.find("Read error /log/ block 4"), std::string::npos) << closing;
  EXPECT_EQ(readFile(local("err")).size(), 4u * kBlock);
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 1) << rcv->GetReplyString();
}

TEST_F(FileTransferTest, LocalFileThatCannotBeWrittenFailsTheDownloadInsteadOfDroppingBlocks) {
  putFile("full", randomBytes(20 * kBlock, 15));
  openWithReports(sessiontest::simOptions(files));
  ASSERT_EQ(rcv->DownloadFile("/dev/full", "full", kBlock), 1) << rcv->GetReplyString();
  DOWNLOADINFO info;
  EXPECT_EQ(waitEnd(info), 2);
  // The server's transfer ends as a caller would end it on seeing the failure; whatever
  // arrives after the failure must not turn it into success.
  rcv->CancelDownload();
  EXPECT_EQ(waitClosingReport(), "ER:Failed write to file");
  EXPECT_EQ(rcv->GetDownloadStatus(info), 2);
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 1) << rcv->GetReplyString();
}

}  // namespace
}  // namespace transfertest
