// Messages between users through the server: text and file, the new-message event, lists that
// show a user only their own messages, deletion, and a store that outlives the server.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "RawClient.h"
#include "ServerFixture.h"

namespace servertest {
namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string binaryBody(std::size_t n) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7919u) >> 3);  // zeros included
  return s;
}

bool keepGoing(std::uint32_t, std::uint32_t, std::uint32_t) {
  return true;
}

TEST_F(ServerTest, TextAndFileMessagesGoBothWaysByteForByte) {
  CConnection* alice = login("alice", "pw-a");
  CConnection* bob = login("bob", "pw-b", /*plain requests*/ true);
  ASSERT_TRUE(alice && bob);
  EXPECT_EQ(bob->GetUsrList(), 3);
  EXPECT_EQ(bob->GetReplyString(), "RE:alice/e\nbob/e\ncarol/e\n");

  // Text, alice to bob: bob hears of it, finds it and reads it inline.
  ASSERT_EQ(alice->SetMsg("bob", "Hello", "two lines\nof  text"), 1) << alice->GetReplyString();
  const auto notice = EventLog::waitFor(bob, -2);
  ASSERT_TRUE(notice.first);
  EXPECT_NE(notice.second.find("alice"), std::string::npos) << notice.second;
  int count = -1;
  REMOTE_MSG* list = bob->GetMsgList(count);
  ASSERT_EQ(count, 1);
  ASSERT_NE(list, nullptr);
  EXPECT_STREQ(list[0].fromUser, "alice");
  EXPECT_STREQ(list[0].subject, "Hello");
  EXPECT_STREQ(list[0].size, "18");
  const std::string textName = list[0].name;
  delete[] list;
  ASSERT_EQ(bob->GetMsg(textName.c_str(), nullptr), 1);
  EXPECT_EQ(bob->GetReplyString(), "RE:OK. Hello two lines\nof  text");

  // A file with zero bytes in it, bob to alice, larger than one transfer block.
  const std::string body = binaryBody(10000);
  const std::string sent = dir.str() + "/sent.bin", got = dir.str() + "/got.bin";
  std::ofstream(sent, std::ios::binary) << body;
  ASSERT_EQ(bob->SetMsg("alice", "Data", sent.c_str(), keepGoing, 0), 1) << bob->GetReplyString();
  ASSERT_TRUE(EventLog::waitFor(alice, -2).first);
  list = alice->GetMsgList(count);
  ASSERT_EQ(count, 1);  // only her own: bob's text is not here
  EXPECT_STREQ(list[0].fromUser, "bob");
  EXPECT_STREQ(list[0].size, "10000");
  const std::string fileName = list[0].name;
  delete[] list;
  ASSERT_EQ(alice->GetMsg(fileName.c_str(), got.c_str()), 1) << alice->GetReplyString();
  EXPECT_TRUE(readFile(got) == body);

  // Nobody reads or deletes another user's message by its name.
  EXPECT_EQ(alice->GetMsg(textName.c_str(), nullptr), 0);
  EXPECT_EQ(alice->DeleteMsg(textName.c_str()), 0);
  EXPECT_EQ(bob->DeleteMsg(textName.c_str()), 1);
  EXPECT_EQ(bob->GetMsgList(count), nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(bob->DeleteMsg(textName.c_str()), 0);
  EXPECT_EQ(bob->GetReplyString(), "ER:Message not found");
}

std::string uploadBlock(int handle, int block, const std::string& data) {
  const std::string header = "00SetMsg " + std::to_string(handle) + " " + std::to_string(block);
  char length[8];
  std::snprintf(length, sizeof length, "%04x", static_cast<unsigned>(4 + header.size() + 1 + data.size()));
  return length + header + '\0' + data;
}

TEST_F(ServerTest, AnInterruptedUploadResumesWhereItStopped) {
  {
    RawClient carol(server->port());
    ASSERT_TRUE(carol.request("OpenUsr carol pw-c raw"));
    ASSERT_EQ(carol.nextReply(), "RE:OK.");
    ASSERT_TRUE(carol.request("SetMsg 0 bob Parts"));
    ASSERT_EQ(carol.nextReply(), "RE:OK. 000000");
    ASSERT_TRUE(carol.write(uploadBlock(1, 0, "first")));
    ASSERT_EQ(carol.nextReply(), "INS:000005");
  }  // the connection drops before the last block
  CConnection* bob = login("bob", "pw-b");
  ASSERT_NE(bob, nullptr);
  int count = -1;
  EXPECT_EQ(bob->GetMsgList(count), nullptr);  // nothing delivered yet

  RawClient carol(server->port());
  ASSERT_TRUE(carol.request("OpenUsr carol pw-c raw"));
  ASSERT_EQ(carol.nextReply(), "RE:OK.");
  ASSERT_TRUE(carol.request("SetMsg 0 bob Parts"));
  ASSERT_EQ(carol.nextReply(), "RE:OK. 000005");  // what the server already holds
  ASSERT_TRUE(carol.write(uploadBlock(1, -2, " second")));
  ASSERT_EQ(carol.nextReply(), "INS:000012");
  ASSERT_TRUE(EventLog::waitFor(bob, -2).first);
  REMOTE_MSG* list = bob->GetMsgList(count);
  ASSERT_EQ(count, 1);
  const std::string name = list[0].name;
  delete[] list;
  ASSERT_EQ(bob->GetMsg(name.c_str(), nullptr), 1);
  EXPECT_EQ(bob->GetReplyString(), "RE:OK. Parts first second");
}

TEST_F(ServerTest, MessagesOutliveTheServer) {
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  ASSERT_EQ(alice->SetMsg("carol", "Kept", "still here"), 1);
  EXPECT_EQ(server->Stop(), 0);
  server = std::make_unique<ServerProcess>(std::vector<std::string>{"--listen", "127.0.0.1:0", "--users",
                                                                    users, "--store", dir.str() + "/store",
                                                                    "--receiver", rcvString()});
  ASSERT_NE(server->port(), 0u) << server->log();
  CConnection* carol = login("carol", "pw-c");
  ASSERT_NE(carol, nullptr);
  int count = 0;
  REMOTE_MSG* list = carol->GetMsgList(count);
  ASSERT_EQ(count, 1);
  EXPECT_STREQ(list[0].subject, "Kept");
  delete[] list;
}

}  // namespace
}  // namespace servertest
