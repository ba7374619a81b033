// What a server on the internet meets before anyone logs in: junk, idle connections by the
// thousand and bursts of connects. Each costs little, is logged briefly, and leaves room for
// the users.
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <filesystem>

#include "RawClient.h"
#include "ServerFixture.h"

namespace servertest {
namespace {

std::size_t countOf(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::size_t threadsOf(pid_t pid) {
  std::size_t n = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec);
       it != std::filesystem::directory_iterator(); ++it)
    ++n;
  return n;
}

// A socket to the port on 127.0.0.1; blocking connect, or started only (non-blocking).
int connectTo(unsigned port, bool wait) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | (wait ? 0 : SOCK_NONBLOCK), 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && wait) {
    ::close(fd);
    return -1;
  }
  return fd;
}

TEST_F(ServerTest, AClientSendingOnlyJunkIsDroppedWithAFewLogLines) {
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  for (const char fill : {'0', '7'}) {  // ASCII zeros, hex digits
    RawClient junk(server->port());
    const std::string block(64 * 1024, fill);
    for (int i = 0; i < 16 && junk.write(block); ++i) {
    }
    EXPECT_TRUE(junk.closedByServer(10));
    EXPECT_EQ(alice->GetUsrList(), 3) << alice->GetReplyString();
  }
  // The log reaches the test through a pipe: wait for both lines.
  const std::string dropped = "sends nothing but malformed packets";
  for (int i = 0; i < 200 && countOf(server->log(), dropped) < 2; ++i) usleep(50000);
  const std::string log = server->log();
  EXPECT_EQ(countOf(log, "sends nothing but malformed packets"), 2u) << log;
  EXPECT_LE(countOf(log, "malformed packet"), 8u) << log;
}

TEST_F(ServerTest, AConnectionThatDoesNotLogInIsDroppedInTime) {
  restart({"--login-timeout", "2"});
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
  RawClient idle(server->port());
  EXPECT_TRUE(idle.closedByServer(10));
  EXPECT_TRUE(server->waitLog("no login within 2 s, connection dropped"));
  EXPECT_EQ(alice->GetUsrList(), 3) << alice->GetReplyString();  // logged in: never timed out
}

TEST_F(ServerTest, ThousandsOfIdleConnectionsLeaveRoomForALogin) {
  constexpr int kIdle = 3000;
  rlimit files{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &files), 0);
  if (files.rlim_max < kIdle + 200) GTEST_SKIP() << "descriptor limit " << files.rlim_max;
  const rlimit before = files;
  files.rlim_cur = std::max<rlim_t>(files.rlim_cur, kIdle + 200);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &files), 0);

  std::vector<int> idle;
  for (int i = 0; i < kIdle; ++i) {
    const int fd = connectTo(server->port(), true);
    if (fd >= 0) idle.push_back(fd);
  }
  EXPECT_GT(idle.size(), kIdle * 9u / 10);
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr) << server->log().substr(0, 2000);
  EXPECT_EQ(alice->GetUsrList(), 3);
  EXPECT_LT(threadsOf(server->pid()), 100u);  // not one per idle connection
  EXPECT_TRUE(server->waitLog("connection limit reached (127.0.0.1)"));
  EXPECT_LT(countOf(server->log(), "connection limit reached"), 10u);
  for (int fd : idle) ::close(fd);
  setrlimit(RLIMIT_NOFILE, &before);
}

TEST_F(ServerTest, ABurstOfConnectsWaitsInTheQueueNotForARetry) {
  constexpr int kBurst = 300;
  // With the server stopped, only the listen queue takes connects: each one the queue cannot
  // hold waits for a retry of its handshake.
  ASSERT_EQ(kill(server->pid(), SIGSTOP), 0);
  std::vector<pollfd> burst;
  for (int i = 0; i < kBurst; ++i) burst.push_back({connectTo(server->port(), false), POLLOUT, 0});
  std::size_t connected = 0;
  for (int round = 0; round < 40 && connected < burst.size(); ++round) {
    usleep(50000);  // up to 2 s for the handshakes, far below a retry's second
    poll(burst.data(), burst.size(), 0);
    connected = 0;
    for (const pollfd& p : burst) connected += (p.revents & POLLOUT) && !(p.revents & (POLLERR | POLLHUP));
  }
  kill(server->pid(), SIGCONT);
  EXPECT_EQ(connected, static_cast<std::size_t>(kBurst));
  for (const pollfd& p : burst) ::close(p.fd);
  CConnection* alice = login("alice", "pw-a");
  ASSERT_NE(alice, nullptr);
}

}  // namespace
}  // namespace servertest
