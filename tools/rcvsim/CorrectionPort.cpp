#include "CorrectionPort.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "Receiver.h"

namespace rcvsim {

namespace {
constexpr int kPollMs = 20;
void closeFd(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}
}  // namespace

CorrectionPort::CorrectionPort(CorrectionInput& input, bool pty, std::string tcp)
    : input_(input), wantPty_(pty), tcp_(std::move(tcp)) {}

CorrectionPort::~CorrectionPort() {
  stop();
}

bool CorrectionPort::start(std::string& error) {
  stop_ = false;
  if (wantPty_ && !openPty(error)) return false;
  if (!tcp_.empty() && !openTcp(error)) return false;
  if (master_ >= 0) ptyThread_ = std::thread([this] { servePty(); });
  if (listen_ >= 0) tcpThread_ = std::thread([this] { serveTcp(); });
  return true;
}

void CorrectionPort::stop() {
  stop_ = true;
  if (ptyThread_.joinable()) ptyThread_.join();
  if (tcpThread_.joinable()) tcpThread_.join();
  closeFd(master_);
  closeFd(slave_);
  closeFd(listen_);
}

bool CorrectionPort::openPty(std::string& error) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  char name[128];
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
      ptsname_r(master_, name, sizeof name) != 0) {
    error = std::string("port B pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  ptyPath_ = name;
  // Held open so that the master stays readable while no client has the port.
  slave_ = ::open(name, O_RDWR | O_NOCTTY);
  if (slave_ < 0) {
    error = std::string("open ") + name + ": " + std::strerror(errno);
    return false;
  }
  termios t{};
  tcgetattr(slave_, &t);
  cfmakeraw(&t);
  tcsetattr(slave_, TCSANOW, &t);
  return true;
}

bool CorrectionPort::openTcp(std::string& error) {
  const std::size_t colon = tcp_.rfind(':');
  const std::string host = colon == std::string::npos ? "127.0.0.1" : tcp_.substr(0, colon);
  const int port = std::atoi(tcp_.c_str() + (colon == std::string::npos ? 0 : colon + 1));
  listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1 ||
      ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listen_, 2) != 0) {
    error = "port B listen on " + tcp_ + ": " + std::strerror(errno);
    return false;
  }
  socklen_t len = sizeof addr;
  getsockname(listen_, reinterpret_cast<sockaddr*>(&addr), &len);
  tcpPort_ = ntohs(addr.sin_port);
  return true;
}

void CorrectionPort::take(const char* bytes, long count) {
  if (count > 0) input_.onBytes(bytes, static_cast<std::size_t>(count), Receiver::steadyMs());
}

void CorrectionPort::servePty() {
  char buf[4096];
  while (!stop_.load()) {
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) ::poll(nullptr, 0, kPollMs);  // no client on the other side
    take(buf, n);
  }
}

void CorrectionPort::serveTcp() {
  char buf[4096];
  while (!stop_.load()) {
    pollfd p{listen_, POLLIN, 0};
    if (::poll(&p, 1, kPollMs) <= 0) continue;
    const int fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    while (!stop_.load()) {
      pollfd c{fd, POLLIN, 0};
      if (::poll(&c, 1, kPollMs) <= 0) continue;
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) break;
      take(buf, n);
    }
    ::close(fd);
  }
}

}  // namespace rcvsim
