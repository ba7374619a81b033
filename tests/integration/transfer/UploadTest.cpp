// Uploads into the receiver's log memory, and loading an uploaded file as firmware.
#include "TransferFixture.h"

namespace transfertest {
namespace {

TEST_F(FileTransferTest, UploadedFilesArriveWhole) {
  openWithReports(sessiontest::simOptions(files));
  // Two full blocks end with a last block that carries a whole block; empty is one empty block.
  for (std::size_t n : {std::size_t(0), std::size_t(2 * 2048), std::size_t(5 * 2048 + 9)}) {
    SCOPED_TRACE(n);
    const std::string name = "up" + std::to_string(n) + ".bin";
    const std::string data = randomBytes(n, static_cast<unsigned>(n + 1));
    std::ofstream(local(name), std::ios::binary) << data;
    reports.texts.clear();
    ASSERT_EQ(rcv->LoadFirmware(local(name).c_str(), name.c_str(), 1), 1) << rcv->GetReplyString();
    EXPECT_EQ(waitClosingReport(), "RE:Complete Downloading.");
    EXPECT_TRUE(readFile((files.path() / name).string()) == data);
    // One "INW:" report per block prepared.
    int blocks = 0;
    for (const std::string& t : reports.take()) blocks += t.rfind("INW:", 0) == 0;
    EXPECT_EQ(blocks, n == 0 ? 1 : static_cast<int>((n + 2047) / 2048));
  }
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 1) << rcv->GetReplyString();
}

TEST_F(FileTransferTest, FirmwareLoadRestartsTheReceiverWithTheUploadedFile) {
  openWithReports(sessiontest::simOptions(files));
  ASSERT_EQ(rcv->SendCommand("create,\"/log/rec1\""), 1) << rcv->GetReplyString();
  ASSERT_EQ(rcv->SendCommand("print,/cur/log"), 1);
  ASSERT_NE(rcv->GetReplyString().find("rec1"), std::string::npos);
  const std::string data = randomBytes(3000, 21);
  std::ofstream(local("fw.ldp"), std::ios::binary) << data;
  ASSERT_EQ(rcv->LoadFirmware(local("fw.ldp").c_str(), "fw.ldp", 4), 1) << rcv->GetReplyString();
  EXPECT_EQ(waitClosingReport(), "RE:Complete Downloading.");
  EXPECT_TRUE(readFile((files.path() / "fw.ldp").string()) == data);
  // The receiver restarted: the file it was recording into is closed.
  ASSERT_EQ(rcv->SendCommand("print,/cur/log"), 1) << rcv->GetReplyString();
  EXPECT_EQ(rcv->GetReplyString().find("rec1"), std::string::npos) << rcv->GetReplyString();
}

TEST_F(FileTransferTest, UploadRefusedWhenTheLocalFileIsMissing) {
  openWithReports(sessiontest::simOptions(files));
  EXPECT_EQ(rcv->LoadFirmware(local("absent.ldp").c_str(), "absent.ldp", 1), 0);
  EXPECT_EQ(rcv->GetReplyString(), "ER:Can't open file!");
  EXPECT_EQ(rcv->SendCommand("print,/par/rcvid"), 1) << rcv->GetReplyString();
}

}  // namespace
}  // namespace transfertest
