// Logins on a server that faces the internet: passwords stored as salted hashes (added with
// gridserver --add-user), clear ones still read with a warning, and failed logins throttled
// and locked out by user and by address.
#include <sys/stat.h>

#include <cstdio>

#include "Gridctl.h"
#include "RawClient.h"
#include "ServerFixture.h"

namespace servertest {
namespace {

// gridserver --users FILE --add-user NAME with the given standard input; the exit status.
int addUser(const std::string& users, const std::string& name, const std::string& input) {
  TempDir tmp;
  std::ofstream(tmp.str() + "/in") << input;
  const std::string cmd = TestPaths::binDir() + "/gridserver --users " + users + " --add-user " + name +
                          " <" + tmp.str() + "/in 2>/dev/null";
  const int st = std::system(cmd.c_str());
  return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

TEST_F(ServerTest, PasswordsAreStoredAsHashesAndClearOnesAreWarnedAbout) {
  EXPECT_TRUE(server->waitLog(users + ":1: the password of alice is stored in clear"));
  ASSERT_EQ(addUser(users, "dave", "pw-d\n"), 0);
  ASSERT_EQ(addUser(users, "alice", "new-a\n"), 0);  // replaces her clear password
  EXPECT_EQ(addUser(users, "-x", "pw\n"), 1);
  const std::string file = fileBytes(users);
  EXPECT_EQ(file.find("pw-d"), std::string::npos) << file;
  EXPECT_EQ(file.find("new-a"), std::string::npos) << file;
  EXPECT_NE(file.find("dave $"), std::string::npos) << file;
  EXPECT_NE(file.find("bob pw-b"), std::string::npos) << file;
  struct stat st {};
  ASSERT_EQ(stat(users.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  restart({});
  EXPECT_TRUE(server->waitLog(users + ":2: the password of bob is stored in clear"));
  EXPECT_EQ(server->log().find("password of alice"), std::string::npos);
  EXPECT_NE(login("dave", "pw-d"), nullptr);
  EXPECT_NE(login("alice", "new-a"), nullptr);
  EXPECT_EQ(login("alice", "pw-a"), nullptr);
  EXPECT_EQ(login("dave", "pw-a"), nullptr);
  EXPECT_NE(login("bob", "pw-b"), nullptr);
}

TEST_F(ServerTest, FailedLoginsAreThrottledAndLockedOut) {
  restart({"--login-failures", "3", "--login-delay", "50", "--lockout-minutes", "1"});
  CConnection* bob = login("bob", "pw-b");
  ASSERT_NE(bob, nullptr);

  RawClient guesser(server->port());
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(guesser.request("OpenUsr alice guess" + std::to_string(i) + " raw"));
    EXPECT_EQ(guesser.nextReply(), "ER:Wrong user name or password!");
  }
  // Locked: the right password no longer helps, for alice or from this address.
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(guesser.request("OpenUsr alice pw-a raw"));
    EXPECT_EQ(guesser.nextReply(), "ER:Too many failed logins, try again later!");
  }
  CConnection late;
  late.SetTimeout(20);
  EXPECT_EQ(late.Open(server->address().c_str(), "carol", "pw-c", "servertest"), 0);
  EXPECT_EQ(late.GetReplyString(), "ER:Too many failed logins, try again later!");
  late.Close();

  // Who was in before goes on as before.
  EXPECT_EQ(bob->GetUsrList(), 3) << bob->GetReplyString();
  // Each lock-out is logged once, however often it refuses.
  EXPECT_TRUE(server->waitLog("user alice locked out"));
  EXPECT_TRUE(server->waitLog("address 127.0.0.1 locked out"));
  const std::string log = server->log();
  const auto once = [&](const std::string& what) {
    const auto at = log.find(what);
    return at != std::string::npos && log.find(what, at + 1) == std::string::npos;
  };
  EXPECT_TRUE(once("user alice locked out for 1 min after 3 failed logins")) << log;
  EXPECT_TRUE(once("address 127.0.0.1 locked out")) << log;
}

}  // namespace
}  // namespace servertest
