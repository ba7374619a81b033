#include "gridlink/platform/Socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "FdIo.h"
#include "gridlink/platform/Clock.h"

namespace Platform {

namespace {
int setOpt(int fd, int level, int name, int value) {
  return ::setsockopt(fd, level, name, &value, sizeof value) == 0 ? 0 : errno;
}

std::uint32_t remaining(std::uint32_t start, std::uint32_t timeoutMs) {
  const std::uint32_t spent = GetTickCount() - start;
  return spent >= timeoutMs ? 0 : timeoutMs - spent;
}

IoResult result(IoStatus status, std::size_t count, int error) {
  if (error != 0) errno = error;
  return IoResult{status, count, error};
}

// A read that found nothing is no socket error: code 0, also in errno, so that an error record
// made from errno afterwards tells a quiet line from a broken one.
IoResult quiet() {
  errno = 0;
  return IoResult{IoStatus::TimedOut, 0, 0};
}
}  // namespace

int ResolveIPv4(const std::string& host, in_addr& out) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
  if (rc != 0) return rc;
  int found = EAI_NONAME;
  for (addrinfo* a = list; a != nullptr; a = a->ai_next) {
    if (a->ai_family == AF_INET && a->ai_addrlen >= sizeof(sockaddr_in)) {
      out = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr;
      found = 0;
      break;
    }
  }
  ::freeaddrinfo(list);
  return found;
}

std::string ResolveErrorText(int code) {
  return ::gai_strerror(code);
}

int ResolveName(const in_addr& address, std::string& name) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr = address;
  char host[NI_MAXHOST];
  const int rc = ::getnameinfo(reinterpret_cast<const sockaddr*>(&a), sizeof a, host, sizeof host, nullptr, 0,
                               NI_NAMEREQD);
  if (rc == 0) name = host;
  return rc;
}

int AcceptWithTimeout(int listener, std::uint32_t timeoutMs, sockaddr_in& from) {
  short revents = 0;
  int err = 0;
  const int p = detail::FdPoll(listener, POLLIN, timeoutMs, revents, err);
  if (p <= 0) {
    errno = p == 0 ? ETIMEDOUT : err;
    return -1;
  }
  if (revents & POLLNVAL) {
    errno = EBADF;
    return -1;
  }
  socklen_t len = sizeof from;
  return ::accept4(listener, reinterpret_cast<sockaddr*>(&from), &len, SOCK_CLOEXEC);
}

int CreateTcpSocket() {
  return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

int ConnectWithTimeout(int fd, const sockaddr_in& to, std::uint32_t timeoutMs) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return errno;
  if (!(flags & O_NONBLOCK) && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return errno;
  int err = 0;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
    err = errno;
    if (err == EINPROGRESS || err == EINTR) {
      short revents = 0;
      const int r = detail::FdPoll(fd, POLLOUT, timeoutMs, revents, err);
      if (r == 0) {
        err = ETIMEDOUT;
      } else if (r > 0) {
        socklen_t len = sizeof err;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
      }
    }
  }
  ::fcntl(fd, F_SETFL, flags);
  if (err != 0) errno = err;
  return err;
}

int SetKeepAlive(int fd, bool on, int idleSeconds, int intervalSeconds) {
  if (const int e = setOpt(fd, SOL_SOCKET, SO_KEEPALIVE, on ? 1 : 0)) return e;
  if (!on) return 0;
  if (const int e = setOpt(fd, IPPROTO_TCP, TCP_KEEPIDLE, idleSeconds)) return e;
  return setOpt(fd, IPPROTO_TCP, TCP_KEEPINTVL, intervalSeconds);
}

int SetNoDelay(int fd, bool on) {
  return setOpt(fd, IPPROTO_TCP, TCP_NODELAY, on ? 1 : 0);
}

int SetBufferSizes(int fd, int receiveBytes, int sendBytes) {
  if (const int e = setOpt(fd, SOL_SOCKET, SO_RCVBUF, receiveBytes)) return e;
  return setOpt(fd, SOL_SOCKET, SO_SNDBUF, sendBytes);
}

IoResult ReadWithTimeout(int fd, void* buf, std::size_t n, std::uint32_t timeoutMs) {
  short revents = 0;
  int err = 0;
  const int p = detail::FdPoll(fd, POLLIN, timeoutMs, revents, err);
  if (p < 0) return result(IoStatus::Error, 0, err);
  if (p == 0) return quiet();
  if (revents & POLLNVAL) return result(IoStatus::Error, 0, EBADF);
  if (n == 0) return result(IoStatus::Data, 0, 0);
  for (;;) {
    const ssize_t r = ::recv(fd, buf, n, MSG_DONTWAIT);
    if (r > 0) return result(IoStatus::Data, static_cast<std::size_t>(r), 0);
    if (r == 0) return result(IoStatus::Closed, 0, 0);
    if (errno == EINTR) continue;
    // Readable yet nothing there (a checksum-failed segment, say): a quiet line, not an error.
    if (errno == EAGAIN || errno == EWOULDBLOCK) return quiet();
    return result(IoStatus::Error, 0, errno);
  }
}

IoResult WriteAll(int fd, const void* data, std::size_t n, std::uint32_t timeoutMs) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  const std::uint32_t start = GetTickCount();
  while (done < n) {
    const ssize_t w = ::send(fd, p + done, n - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno == EINTR) continue;
    if (w < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return result(IoStatus::Error, done, errno);
    short revents = 0;
    int err = 0;
    const int r = detail::FdPoll(fd, POLLOUT, remaining(start, timeoutMs), revents, err);
    if (r < 0) return result(IoStatus::Error, done, err);
    if (r == 0) return result(IoStatus::TimedOut, done, ETIMEDOUT);
    if (revents & POLLNVAL) return result(IoStatus::Error, done, EBADF);
  }
  return result(IoStatus::Data, done, 0);
}

}  // namespace Platform
