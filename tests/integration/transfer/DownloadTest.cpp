// Receiver file downloads through the whole stack: the client, the local server's transfer
// and the simulator's block sender on a pseudo-terminal.
#include "TransferFixture.h"

namespace transfertest {
namespace {

TEST_F(FileTransferTest, DownloadsOfEdgeSizesAreByteIdentical) {
  const std::vector<std::size_t> sizes = {0, 1, kBlock - 1, kBlock, kBlock + 1, 3 * 1024 * 1024 + 77};
  for (std::size_t n : sizes) putFile("f" + std::to_string(n), randomBytes(n, static_cast<unsigned>(n)));
  openWithReports(sessiontest::simOptions(files));
  for (std::size_t n : sizes) {
    SCOPED_TRACE(n);
    const std::string name = "f" + std::to_string(n);
    ASSERT_EQ(rcv->DownloadFile(local(name).c_str(), name.c_str(), kBlock), 1) << rcv->GetReplyString();
    DOWNLOADINFO info;
    EXPECT_EQ(waitEnd(info), 1);
    EXPECT_EQ(static_cast<std::size_t>(info.bytes), n);
    EXPECT_TRUE(readFile(local(name)) == readFile((files.path() / name).string()));
  }
  EXPECT_TRUE(reports.has("RE:Complete Downloading."));
  // The link is back to commands afterwards.
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 1) << rcv->GetReplyString();
}

TEST_F(FileTransferTest, DownloadResumesAfterTheBytesAlreadyPresent) {
  const std::string data = randomBytes(10 * kBlock + 100, 7);
  putFile("log1", data);
  openWithReports(sessiontest::simOptions(files));
  // Three blocks already here: the transfer starts at block 3 and brings only the rest.
  std::ofstream(local("log1"), std::ios::binary) << data.substr(0, 3 * kBlock);
  ASSERT_EQ(rcv->DownloadFile(local("log1").c_str(), "log1", kBlock), 1) << rcv->GetReplyString();
  DOWNLOADINFO info;
  ASSERT_EQ(waitEnd(info), 1);
  EXPECT_EQ(static_cast<std::size_t>(info.bytes), data.size() - 3 * kBlock);
  EXPECT_TRUE(readFile(local("log1")) == data);
  ASSERT_TRUE(waitClosingReport().rfind("RE", 0) == 0);
  // The first block of the resumed transfer carries index 4: start block 3 plus one done.
  const auto texts = reports.take();
  const auto first =
      std::find_if(texts.begin(), texts.end(), [](const std::string& t) { return t.rfind("IN:", 0) == 0; });
  ASSERT_NE(first, texts.end());
  EXPECT_EQ(*first, "IN:BL=0004 LN=0512");

  // Complete already: no request goes out, the answer says so at once.
  reports.texts.clear();
  ASSERT_EQ(rcv->DownloadFile(local("log1").c_str(), "log1", kBlock), 1);
  EXPECT_EQ(rcv->GetReplyString(), "RE:Complete downloading.");
  EXPECT_EQ(rcv->GetDownloadStatus(info), 1);
  EXPECT_TRUE(reports.take().empty());
}

TEST_F(FileTransferTest, CancelDuringADownloadStopsItAndFreesTheLink) {
  putFile("big", randomBytes(400 * 1024, 3));
  rcvsim::Options o = sessiontest::simOptions(files);
  o.pace = true;  // 115200 bit/s: the download lasts long enough to be stopped midway
  openWithReports(o);
  ASSERT_EQ(rcv->DownloadFile(local("big").c_str(), "big", kBlock), 1) << rcv->GetReplyString();
  DOWNLOADINFO info{};
  for (int i = 0; i < 3000 && rcv->GetDownloadStatus(info) == 0 && info.bytes < static_cast<int>(2 * kBlock);
       ++i)
    Platform::Sleep(10);
  ASSERT_EQ(info.status, 0);
  // A second download meanwhile is refused and leaves its partial file as it was.
  std::ofstream(local("other"), std::ios::binary) << "partial";
  EXPECT_EQ(rcv->DownloadFile(local("other").c_str(), "big", kBlock), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ER:Download already active!");
  EXPECT_EQ(readFile(local("other")), "partial");
  EXPECT_EQ(rcv->CancelDownload(), 1) << rcv->GetReplyString();
  EXPECT_EQ(waitClosingReport(), "ER:Aborted by user!");
  EXPECT_EQ(rcv->GetDownloadStatus(info), 2);
  EXPECT_LT(readFile(local("big")).size(), 400u * 1024u);
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 1) << rcv->GetReplyString();
  // Nothing is left to cancel.
  EXPECT_EQ(rcv->CancelDownload(), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ER:Download not active!");
}

}  // namespace
}  // namespace transfertest
