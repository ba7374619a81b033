#include "TestCaster.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include "Base64.h"
#include "ChunkedDecoder.h"
#include "NtripRequest.h"

namespace {

void sendAll(int fd, const std::string& s) {
  std::size_t at = 0;
  while (at < s.size()) {
    const ssize_t n = ::send(fd, s.data() + at, s.size() - at, MSG_NOSIGNAL);
    if (n <= 0) return;
    at += static_cast<std::size_t>(n);
  }
}

// Reads into `buf` for up to ms; the count, 0 when closed, -1 on time-out or error.
int readSome(int fd, char* buf, std::size_t n, int ms) {
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, ms) <= 0) return -1;
  const ssize_t r = ::recv(fd, buf, n, 0);
  return r < 0 ? -1 : static_cast<int>(r);
}

}  // namespace

TestCaster::TestCaster(Options o) : o_(std::move(o)) {}

TestCaster::~TestCaster() {
  stop();
}

bool TestCaster::start() {
  listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(listen_, 4) != 0)
    return false;
  ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { serve(); });
  return true;
}

void TestCaster::stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listen_ >= 0) ::close(listen_);
  listen_ = -1;
}

std::vector<std::string> TestCaster::requests() const {
  std::lock_guard l(lock_);
  return requests_;
}

std::vector<std::string> TestCaster::ggaLines() const {
  std::lock_guard l(lock_);
  return gga_;
}

std::string TestCaster::pushed() const {
  std::lock_guard l(lock_);
  return pushed_;
}

void TestCaster::serve() {
  while (!stop_.load()) {
    pollfd p{listen_, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    ++connections_;
    client(fd);
    ::close(fd);
  }
}

bool TestCaster::authorised(const std::string& head) const {
  return head.find("Authorization: Basic " + Ntrip::Base64(o_.user + ":" + o_.password) + "\r\n") !=
         std::string::npos;
}

void TestCaster::client(int fd) {
  if (o_.mode == Mode::CloseAtOnce) return;
  std::string head;
  char buf[4096];
  while (head.find("\r\n\r\n") == std::string::npos && !stop_.load()) {
    const int n = readSome(fd, buf, sizeof buf, 50);
    if (n == 0) return;
    if (n > 0) head.append(buf, static_cast<std::size_t>(n));
  }
  const std::size_t end = head.find("\r\n\r\n");
  if (end == std::string::npos) return;
  std::string rest = head.substr(end + 4);
  head.resize(end + 4);
  {
    std::lock_guard l(lock_);
    requests_.push_back(head);
  }
  const bool v2 = head.find("Ntrip-Version: Ntrip/2.0") != std::string::npos;
  if (head.rfind("SOURCE ", 0) == 0) {
    const bool ok = head.rfind("SOURCE " + o_.password + " /" + o_.mount + "\r\n", 0) == 0;
    sendAll(fd, ok ? "ICY 200 OK\r\n" : "ERROR - Bad Password\r\n");
    if (ok) takePush(fd, head, rest, false);
  } else if (head.rfind("POST ", 0) == 0) {
    const bool ok = authorised(head);
    sendAll(fd,
            ok ? "HTTP/1.1 200 OK\r\nNtrip-Version: Ntrip/2.0\r\n\r\n" : "HTTP/1.1 401 Unauthorized\r\n\r\n");
    if (ok) takePush(fd, head, rest, true);
  } else {
    if (!rest.empty()) readGga(-1, rest);
    answerGet(fd, head, v2);
  }
}

void TestCaster::answerGet(int fd, const std::string& head, bool v2) {
  if (head.rfind("GET / ", 0) == 0 || head.rfind("GET /" + o_.mount + " ", 0) != 0) {
    const std::string table = o_.sourceTable + "ENDSOURCETABLE\r\n";
    if (v2 && head.rfind("GET / ", 0) != 0) return sendAll(fd, "HTTP/1.1 404 Not Found\r\n\r\n");
    return sendAll(fd, std::string(v2 ? "HTTP/1.1 200 OK\r\nContent-Type: gnss/sourcetable\r\n"
                                      : "SOURCETABLE 200 OK\r\nContent-Type: text/plain\r\n") +
                           "Content-Length: " + std::to_string(table.size()) + "\r\n\r\n" + table);
  }
  if (!authorised(head))
    return sendAll(fd, v2 ? "HTTP/1.1 401 Unauthorized\r\n\r\n" : "HTTP/1.0 401 Unauthorized\r\n\r\n");
  sendAll(fd, v2 ? "HTTP/1.1 200 OK\r\nNtrip-Version: Ntrip/2.0\r\nContent-Type: gnss/data\r\n"
                   "Transfer-Encoding: chunked\r\n\r\n"
                 : "ICY 200 OK\r\n");
  auto serveStream = [&] {
    for (std::size_t at = 0; at < o_.stream.size() && o_.mode == Mode::Serve; at += o_.chunkBytes) {
      const std::string piece = o_.stream.substr(at, o_.chunkBytes);
      sendAll(fd, v2 ? Ntrip::ChunkEncode(piece.data(), piece.size()) : piece);
    }
  };
  serveStream();
  // Hold the stream open, taking GGA lines, until the client leaves.
  std::string pending;
  auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(o_.repeatMs);
  while (!stop_.load()) {
    if (o_.repeatMs > 0 && std::chrono::steady_clock::now() >= next) {
      serveStream();
      next += std::chrono::milliseconds(o_.repeatMs);
    }
    char buf[1024];
    const int r = readSome(fd, buf, sizeof buf, 50);
    if (r == 0) return;
    if (r > 0) {
      pending.append(buf, static_cast<std::size_t>(r));
      readGga(-1, pending);
    }
  }
}

void TestCaster::readGga(int, std::string& pending) {
  std::size_t nl;
  while ((nl = pending.find('\n')) != std::string::npos) {
    std::string line = pending.substr(0, nl + 1);
    pending.erase(0, nl + 1);
    std::lock_guard l(lock_);
    gga_.push_back(line);
  }
}

void TestCaster::takePush(int fd, const std::string&, std::string rest, bool chunked) {
  Ntrip::ChunkedDecoder chunks;
  auto take = [&](const char* b, std::size_t n) {
    std::string data;
    if (chunked)
      chunks.Feed(b, n, data);
    else
      data.assign(b, n);
    std::lock_guard l(lock_);
    pushed_ += data;
  };
  take(rest.data(), rest.size());
  char buf[4096];
  while (!stop_.load()) {
    const int r = readSome(fd, buf, sizeof buf, 50);
    if (r == 0) return;
    if (r > 0) take(buf, static_cast<std::size_t>(r));
  }
}
