// What the server keeps and shows: receiver secrets stay on the server, a cancelled upload is
// never filed, short file messages arrive whole, the newest messages are listed, mailboxes
// have a quota, long upload names are stored or refused clearly, and the store is the
// server user's alone.
#include <sys/stat.h>

#include <filesystem>

#include "Gridctl.h"
#include "ServerFixture.h"

namespace servertest {
namespace {

std::string binaryBody(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7919u) >> 3);  // zeros included
  return s;
}

bool keepGoing(std::uint32_t, std::uint32_t, std::uint32_t) {
  return true;
}

TEST_F(ServerTest, ReceiverPasswordsStayOnTheServer) {
  rcvsim::Options o;
  o.tcp = "127.0.0.1:0";
  o.password = "RcvSecret";
  o.rebootMs = 150;
  rcvsim::Simulator tcpSim(o);
  std::string error;
  ASSERT_TRUE(tcpSim.start(error)) << error;
  const std::string shown = "TCP:127.0.0.1:" + std::to_string(tcpSim.tcpPort()) + ":";
  restart({}, {shown + "RcvSecret", "GSM/dev/null/none:5551234:4321"});

  const CtlOutcome list =
      runGridctl("--server " + server->address() + " --user alice --password pw-a --list");
  EXPECT_EQ(list.out, shown + "\nGSM/dev/null/none:5551234:\n") << list.err;

  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  {
    Rcv r;  // opened by the name clients see: the server supplies the password
    ASSERT_EQ(r->Open(alice, shown.c_str(), 1), 1) << r->GetReplyString();
    ASSERT_EQ(r->SendCommand("print,/par/rcvid"), 1) << r->GetReplyString();
    EXPECT_EQ(r->GetReplyString(), "RE00CSIM0A1B2C3D4");
  }
  EXPECT_TRUE(server->waitLog("closed " + shown));
  EXPECT_EQ(server->log().find("RcvSecret"), std::string::npos) << server->log();
  EXPECT_EQ(server->log().find("4321"), std::string::npos) << server->log();
  tcpSim.stop();
}

TEST_F(ServerTest, ACancelledUploadIsDroppedNotFiled) {
  const std::string file = dir.str() + "/big.bin";
  std::ofstream(file, std::ios::binary) << binaryBody(10000);
  const CtlOutcome sent = runGridctl("--server " + server->address() +
                                     " --user alice --password pw-a --send-message bob Big --file " + file +
                                     " --cancel-after 4096");
  EXPECT_EQ(sent.status, 1);
  EXPECT_EQ(sent.err, "RE:Aborted by user!\n");
  EXPECT_TRUE(server->waitLog("cancelled at 4096 bytes")) << server->log();

  CConnection* alice = login("alice", "pw-a");
  CConnection* bob = login("bob", "pw-b");
  ASSERT_TRUE(alice && bob);
  int count = -1;
  EXPECT_EQ(bob->GetMsgList(count), nullptr);
  EXPECT_EQ(count, 0);
  // A firmware upload stopped by its progress callback leaves no file to load.
  EXPECT_EQ(alice->SendFile(
                file.c_str(), "fw.bin", [](std::uint32_t, std::uint32_t, std::uint32_t) { return false; }, 0),
            0);
  EXPECT_EQ(alice->GetReplyString(), "RE:Aborted by user!");
  EXPECT_EQ(alice->GetUsrList(), 3);  // the connection is fine
  EXPECT_FALSE(std::filesystem::exists(dir.str() + "/store/files/alice/fw.bin"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.str() + "/store/uploads/alice"));
}

TEST_F(ServerTest, ShortMessagesFetchedToAFileArriveWhole) {
  CConnection* alice = login("alice", "pw-a");
  CConnection* bob = login("bob", "pw-b");
  ASSERT_TRUE(alice && bob);
  const std::string body = binaryBody(600), file = dir.str() + "/short.bin";
  std::ofstream(file, std::ios::binary) << body;
  ASSERT_EQ(alice->SetMsg("bob", "Bin", file.c_str(), keepGoing, 0), 1) << alice->GetReplyString();
  ASSERT_EQ(alice->SetMsg("bob", "Text", "a short text"), 1);
  int count = 0;
  REMOTE_MSG* list = bob->GetMsgList(count);
  ASSERT_EQ(count, 2);
  const std::string binName = list[0].name, textName = list[1].name;
  delete[] list;

  TempDir to;
  const CtlOutcome got =
      runGridctl("--server " + server->address() + " --user bob --password pw-b --get-message " + binName +
                 " --to " + to.str());
  EXPECT_EQ(got.status, 0) << got.err;
  EXPECT_TRUE(fileBytes(to.str() + "/" + binName) == body) << fileBytes(to.str() + "/" + binName).size();
  const std::string textFile = to.str() + "/text";
  EXPECT_EQ(bob->GetMsg(textName.c_str(), textFile.c_str()), 1) << bob->GetReplyString();
  EXPECT_EQ(fileBytes(textFile), "a short text");
  // Without a file the text still comes inline.
  EXPECT_EQ(bob->GetMsg(textName.c_str(), nullptr), 1);
  EXPECT_EQ(bob->GetReplyString(), "RE:OK. Text a short text");
}

TEST_F(ServerTest, TheNewestMessagesAreListedAndAFullMailboxSaysSo) {
  restart({"--quota-messages", "260"});
  CConnection* alice = login("alice", "pw-a");
  CConnection* bob = login("bob", "pw-b");
  ASSERT_TRUE(alice && bob);
  for (int i = 1; i <= 260; ++i)
    ASSERT_EQ(alice->SetMsg("bob", ("m" + std::to_string(i)).c_str(), "flood"), 1) << i;
  EXPECT_EQ(alice->SetMsg("bob", "late", "one too many"), 0);
  EXPECT_EQ(alice->GetReplyString(), "ER:Mailbox of bob is full (260 messages or 256 MB)");
  int count = 0;
  REMOTE_MSG* list = bob->GetMsgList(count);
  ASSERT_EQ(count, 255);
  EXPECT_STREQ(list[0].subject, "m6");
  EXPECT_STREQ(list[254].subject, "m260");
  const std::string newest = list[254].name;
  delete[] list;
  // Room again after a delete; a file message is held to the quota as well.
  ASSERT_EQ(bob->DeleteMsg(newest.c_str()), 1);
  const std::string file = dir.str() + "/f.bin";
  std::ofstream(file, std::ios::binary) << binaryBody(3000);
  EXPECT_EQ(alice->SetMsg("bob", "file", file.c_str(), keepGoing, 0), 1) << alice->GetReplyString();
  EXPECT_EQ(alice->SetMsg("bob", "file2", file.c_str(), keepGoing, 0), 0);
  EXPECT_EQ(alice->GetReplyString(), "ER:Mailbox of bob is full (260 messages or 256 MB)");
}

// Every folder 0700 and every file 0600 under root.
std::string othersCanReach(const std::string& root) {
  std::string found;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
    struct stat st {};
    if (::stat(e.path().c_str(), &st) == 0 && (st.st_mode & 077)) found += e.path().string() + " ";
  }
  return found;
}

TEST_F(ServerTest, LongUploadNamesAreStoredOrRefusedAndTheStoreIsPrivate) {
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  const std::string file = dir.str() + "/fw.bin";
  std::ofstream(file, std::ios::binary) << binaryBody(5000);
  const std::string longest(200, 'n'), tooLong(201, 'n');
  EXPECT_EQ(alice->SendFile(file.c_str(), longest.c_str(), keepGoing, 0), 1) << alice->GetReplyString();
  EXPECT_TRUE(fileBytes(dir.str() + "/store/files/alice/" + longest) == binaryBody(5000));
  EXPECT_EQ(alice->SendFile(file.c_str(), tooLong.c_str(), keepGoing, 0), 0);
  EXPECT_EQ(alice->GetReplyString(), "ER:File name too long (at most 200 characters)");
  const std::string subject(1000, 's');
  EXPECT_EQ(alice->SetMsg("bob", subject.c_str(), file.c_str(), keepGoing, 0), 1) << alice->GetReplyString();
  ASSERT_EQ(alice->SetMsg("bob", "Text", "words"), 1);
  EXPECT_EQ(othersCanReach(dir.str() + "/store"), "");
}

}  // namespace
}  // namespace servertest
