// Block transfers over a pseudo-terminal (and a cut link over TCP): downloads
// and uploads byte-identical with their source, the CRC carried over blocks,
// resumption, the block edge cases, and the file commands around them.
#include "SimFixture.h"
#include "TransferClient.h"

namespace simtest {
namespace {

class TransferTest : public SimTest {
 protected:
  void SetUp() override { startSim(baseOptions(dir)); }
  std::string get(const std::string& name, std::size_t block, std::size_t offset) {
    return link.exchange(
        "%WL%get,/log/" + name + ":{300," + std::to_string(block) + "}," + std::to_string(offset), 3000);
  }
};

TEST_F(TransferTest, DownloadsAreByteIdenticalForAllSizes) {
  struct Case {
    std::size_t size, block, offset;
  } cases[] = {
      {5000, 512, 0},     // several blocks and a short last one
      {1024, 512, 0},     // exactly two blocks: the last is a full tag-4 block
      {0, 512, 0},        // empty file: one tag-4 block with no data
      {70000, 2048, 0},   // larger blocks
      {5000, 512, 1536},  // resumed at three blocks in
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string name = "f" + std::to_string(n++);
    const std::string data = patterned(c.size, static_cast<unsigned>(n));
    writeFile(dir, name, data);
    ASSERT_EQ(replyText(link.exchange("%WL%print,/log/" + name + "&size")), std::to_string(c.size));
    ASSERT_EQ(get(name, c.block, c.offset), "RE004%WL%") << name;
    const DownloadResult r = download(link, c.block);
    ASSERT_TRUE(r.ok) << name << ": " << r.error;
    EXPECT_EQ(r.data, data.substr(c.offset)) << name;
    EXPECT_EQ(r.crcRetries, 0);
    // The stop text's replies, then ours: commands are taken again.
    Frame f;
    link.sendCommand("%Loop%");
    while (link.nextFrame(f, 2000) && f.bytes != "RE006%Loop%") {
    }
    EXPECT_EQ(f.bytes, "RE006%Loop%") << "commands again after " << name;
  }
}

TEST_F(TransferTest, ABadCrcIsAskedForAgainAndTheFileStillArrivesWhole) {
  const std::string data = patterned(4000, 7);
  writeFile(dir, "crc", data);
  sim->faults().badCrcBlock = 3;
  ASSERT_EQ(get("crc", 512, 0).substr(0, 2), "RE");
  const DownloadResult r = download(link, 512);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.crcRetries, 1);
  EXPECT_EQ(r.data, data);
}

TEST_F(TransferTest, UploadsAreByteIdenticalForAllSizes) {
  for (std::size_t size : {std::size_t{5000}, std::size_t{1024}, std::size_t{0}, std::size_t{20000}}) {
    const std::string name = "up" + std::to_string(size);
    const std::string data = patterned(size, static_cast<unsigned>(size) + 3);
    const long before = std::stol(replyText(link.exchange("print,/par/dev/blk/a/free\n")));
    EXPECT_EQ(link.exchange("%RF%remove,/log/" + name).substr(0, 2), "ER") << "no such file yet";
    ASSERT_EQ(link.exchange("%LF%put,/log/" + name + ":{10,512},0", 3000), "RE004%LF%");
    ASSERT_TRUE(upload(link, data, 512)) << name;
    Frame f;
    link.sendCommand("%sync%dm");  // taken once the last block has been
    while (link.nextFrame(f, 2000) && f.bytes != "RE006%sync%") {
    }
    EXPECT_EQ(readFile((dir.path() / name).string()), data) << name;
    const long after = std::stol(replyText(link.exchange("print,/par/dev/blk/a/free\n")));
    EXPECT_EQ(before - after, static_cast<long>(size));
  }
}

TEST_F(TransferTest, AnUploadLargerThanTheFreeSpaceIsAborted) {
  sim->stop();
  link.close();
  rcvsim::Options o = baseOptions(dir);
  o.diskSize = 3000;
  startSim(o);
  ASSERT_EQ(link.exchange("%LF%put,/log/big:{10,512},0", 3000).substr(0, 2), "RE");
  const std::string data = patterned(8000, 1);
  std::uint16_t running = 0;
  std::size_t index = 0;
  char got = 0;
  const std::int64_t end = nowMs() + 5000;
  while (nowMs() < end && !(got >= 33 && got <= 47)) {
    if (!link.readUntil([](const std::string& b) { return !b.empty(); }, 500)) continue;
    got = link.buffer()[0];
    link.buffer().erase(0, 1);
    if (got == kNak && index == 0)
      link.send(uploadBlock(data, 512, index, running));
    else if (got == kAck)
      link.send(uploadBlock(data, 512, ++index, running));
  }
  EXPECT_TRUE(got >= 33 && got <= 47) << "an abort code";
  link.drain(100);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "big"));
  EXPECT_EQ(link.exchange("%Loop%"), "RE006%Loop%");
}

TEST_F(TransferTest, FileCommandsListRemoveCreateAndRecord) {
  writeFile(dir, "one", "1");
  writeFile(dir, "two", "22");
  EXPECT_EQ(link.exchange("remove,\"/log/one\"").substr(0, 2), "RE");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "one"));
  EXPECT_EQ(link.exchange("remove,/log/one").substr(0, 2), "ER");
  EXPECT_EQ(link.exchange("create,\"/log/rec1\""), "RE000");
  EXPECT_EQ(link.exchange("create,\"/log/rec1\"").substr(0, 2), "ER") << "exists already";
  EXPECT_EQ(replyText(link.exchange("print,/cur/log")), "rec1");
  EXPECT_EQ(link.exchange("em,/cur/log,/msg/def:{0.1,0}"), "RE000");
  link.drain(400);
  EXPECT_EQ(link.exchange("dm,/cur/log"), "RE000");
  const std::string rec = readFile((dir.path() / "rec1").string());
  EXPECT_GT(rec.size(), 200u);
  EXPECT_EQ(rec.substr(0, 2), "~~") << "the recording is the ZRX stream";
  EXPECT_EQ(replyText(link.exchange("print,/cur/log")), "");
  EXPECT_EQ(link.exchange("remove,/log/").substr(0, 2), "RE");
  EXPECT_EQ(replyText(link.exchange("print,/par/dev/blk/a/files")), "0");
}

TEST_F(TransferTest, FirmwareLoadRestartsTheReceiver) {
  writeFile(dir, "fw.ldp", patterned(3000, 9));
  EXPECT_EQ(link.exchange("%UF%fld,WRONGID,/log/fw.ldp").substr(0, 2), "ER");
  EXPECT_EQ(link.exchange("%UF%fld,SIM0A1B2C3D4,/log/nofile").substr(0, 2), "ER");
  EXPECT_EQ(link.exchange("%UF%fld,SIM0A1B2C3D4,/log/fw.ldp"), "RE004%UF%");
  EXPECT_EQ(link.exchange("%Loop%", 100), "");
  bool back = false;
  for (int i = 0; i < 20 && !back; ++i) back = link.exchange("%Loop%", 200) == "RE006%Loop%";
  EXPECT_TRUE(back);
}

TEST_F(TransferTest, ACutLinkClosesTheNetworkConnectionMidTransfer) {
  sim->stop();
  link.close();
  rcvsim::Options o = baseOptions(dir);
  o.pty = false;
  o.tcp = "127.0.0.1:0";
  o.wifi = true;
  startSim(o);
  ASSERT_TRUE(link.openTcp(sim->tcpPort()));
  writeFile(dir, "cut", patterned(10000, 4));
  sim->faults().cutAfterBytes = 1500;
  ASSERT_EQ(link.exchange("%WL%get,/log/cut:{300,512},0", 3000).substr(0, 2), "RE");
  link.send(std::string(1, kNak));
  std::size_t received = 0;
  for (int i = 0; i < 5; ++i) {
    if (!link.readUntil([&](const std::string& b) { return b.size() >= 518; }, 1000)) break;
    received += link.buffer().size();
    link.buffer().clear();
    link.send(std::string(1, kAck));
  }
  EXPECT_TRUE(link.closedByPeer(2000));
  received += link.buffer().size();
  EXPECT_EQ(received, 1500u);
}

}  // namespace
}  // namespace simtest
