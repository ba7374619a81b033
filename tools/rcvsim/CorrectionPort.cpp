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

#include "PortEnds.h"
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
  if (OpenRawPty(master_, slave_, ptyPath_, 0, error)) return true;
  error = "port B " + error;
  return false;
}

bool CorrectionPort::openTcp(std::string& error) {
  if (ListenTcp(tcp_, 2, listen_, tcpPort_, error)) return true;
  error = "port B " + error;
  return false;
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
