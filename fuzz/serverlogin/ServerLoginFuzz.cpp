// Property: a gridserver, sent any bytes as the first packets of a connection (before or
// right after a good login),
//  - never crashes or stops serving: the connection ends within a bound once the client has
//    sent its bytes and closed its side,
//  - still logs a real user in afterwards (checked every 64 inputs).
// Input: byte 0, bit 0 set: a valid login of alice goes first, so that the requests after a
// login are reached too; the rest is sent as it is, in one write.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "gridserver/GridServer.h"
#include "session/RequestPacket.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

gridserver::GridServer& server() {
  static std::unique_ptr<gridserver::GridServer> s = [] {
    char tmpl[] = "/tmp/fuzz-gridserver-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    std::ofstream(dir + "/users") << "alice pw\n";
    std::filesystem::permissions(dir + "/users",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    gridserver::ServerOptions o;
    o.host = "127.0.0.1";
    o.port = 0;
    o.usersFile = dir + "/users";
    o.storeDir = dir + "/store";
    o.receivers = {"COM/dev/null/none:115200:1"};
    o.stallSeconds = 1;
    o.throttle.delayMs = 0;  // throttling is tested elsewhere; here it would only slow the runs
    o.throttle.failures = 1u << 30;
    auto srv = std::make_unique<gridserver::GridServer>(o);
    std::string error;
    check(srv->Start(error));
    return srv;
  }();
  return *s;
}

int connectToServer() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(server().Port()));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  check(fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0);
  return fd;
}

// Reads until the server closes; false when it is still open after timeoutMs.
bool drainUntilClosed(int fd, int timeoutMs, std::string* got = nullptr) {
  char buf[4096];
  for (int waited = 0; waited < timeoutMs; waited += 50) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return true;
    if (got) got->append(buf, static_cast<std::size_t>(n));
  }
  return false;
}

// Closed without TIME_WAIT: a long run would otherwise use up the local ports.
void closeAbortive(int fd) {
  const linger now{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
  ::close(fd);
}

void sendAll(int fd, const std::string& bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    const ssize_t n = ::send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
    if (n <= 0) return;  // the server may drop a client that sends junk
    at += static_cast<std::size_t>(n);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static unsigned runs = 0;
  if (size == 0) return 0;
  std::string bytes;
  if (data[0] & 1) bytes = ServerLink::buildRequestPacket("OpenUsr alice pw fuzz", 0);
  bytes.append(reinterpret_cast<const char*>(data + 1), size - 1);
  const int fd = connectToServer();
  sendAll(fd, bytes);
  ::shutdown(fd, SHUT_WR);
  check(drainUntilClosed(fd, 20000));
  closeAbortive(fd);
  if (++runs % 64 == 0) {
    const int good = connectToServer();
    sendAll(good, ServerLink::buildRequestPacket("OpenUsr alice pw fuzz", 0));
    ::shutdown(good, SHUT_WR);
    std::string reply;
    drainUntilClosed(good, 20000, &reply);
    check(reply.find("RE:OK.") != std::string::npos);
    closeAbortive(good);
  }
  return 0;
}
