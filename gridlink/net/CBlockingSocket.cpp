#include "gridlink/CBlockingSocket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

// The descriptor lives as long as any call that uses it; the last one closes it.
struct CBlockingSocket::Descriptor {
  explicit Descriptor(int d) : fd(d) {}
  ~Descriptor() {
    const int d = fd.exchange(-1);
    if (d >= 0) ::close(d);
  }
  std::atomic<int> fd;
};

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, clamped to what poll() takes.
int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > INT_MAX ? INT_MAX : static_cast<int>(left);
}

Clock::time_point deadlineIn(long long ms) {
  return Clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
}

// 1: ready, 0: time-out, -1: error (errno set). Restarts after signals.
int waitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int r = ::poll(&p, 1, remainingMs(deadline));
    if (r > 0) {
      if (p.revents & POLLNVAL) {
        errno = EBADF;
        return -1;
      }
      return 1;
    }
    if (r == 0) return 0;
    if (errno != EINTR) return -1;
  }
}

void setOption(int fd, int level, int name, int value) {
  if (::setsockopt(fd, level, name, &value, sizeof value) != 0) throw CBlockingSocketException("Create");
}

}  // namespace

CBlockingSocket::CBlockingSocket() = default;

CBlockingSocket::~CBlockingSocket() {
  Cleanup();
}

std::shared_ptr<CBlockingSocket::Descriptor> CBlockingSocket::acquire() const {
  std::lock_guard<std::mutex> lock(m_Lock);
  return m_Socket;
}

void CBlockingSocket::adopt(int fd) {
  auto d = std::make_shared<Descriptor>(fd);
  std::lock_guard<std::mutex> lock(m_Lock);
  m_Socket = std::move(d);
}

int CBlockingSocket::Handle() const {
  const auto d = acquire();
  return d ? d->fd.load() : -1;
}

void CBlockingSocket::Create(bool noDelay) {
  Cleanup();
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw CBlockingSocketException("Create");
  try {
    if (noDelay) {
      setOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    } else {
      setOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
      setOption(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleMs / 1000);
      setOption(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalMs / 1000);
      setOption(fd, SOL_SOCKET, SO_RCVBUF, kBufferBytes);
      setOption(fd, SOL_SOCKET, SO_SNDBUF, kBufferBytes);
    }
  } catch (...) {
    ::close(fd);  // the exception already holds errno
    throw;
  }
  adopt(fd);
}

void CBlockingSocket::Connect(const CSockAddr& sa, int timeoutMs) {
  const auto d = acquire();
  if (!d) throw CBlockingSocketException("Connect", EBADF);
  const int fd = d->fd;
  // Non-blocking for the connect alone, so that its wait has our bound, not the kernel's.
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) throw CBlockingSocketException("Connect");
  int code = 0;
  if (::connect(fd, sa, CSockAddr::Size()) != 0) {
    code = errno;
    if (code == EINPROGRESS || code == EINTR) {
      const int r = waitFor(fd, POLLOUT, deadlineIn(timeoutMs));
      socklen_t len = sizeof code;
      if (r == 0)
        code = ETIMEDOUT;
      else if (r < 0)
        code = errno;
      else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &code, &len) != 0)
        code = errno;
    }
  }
  ::fcntl(fd, F_SETFL, flags);
  if (code != 0) throw CBlockingSocketException("Connect", code);
  int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void CBlockingSocket::Bind(const CSockAddr& sa) {
  const auto d = acquire();
  if (!d) throw CBlockingSocketException("Bind", EBADF);
  if (::bind(d->fd, sa, CSockAddr::Size()) != 0) throw CBlockingSocketException("Bind");
}

void CBlockingSocket::Listen() {
  const auto d = acquire();
  if (!d) throw CBlockingSocketException("Listen", EBADF);
  if (::listen(d->fd, kListenBacklog) != 0) throw CBlockingSocketException("Listen");
}

bool CBlockingSocket::Accept(CBlockingSocket& peer, CSockAddr& from, int timeoutMs) {
  const auto d = acquire();
  if (!d) throw CBlockingSocketException("Accept", EBADF);
  const int r = waitFor(d->fd, POLLIN, deadlineIn(timeoutMs));
  if (r == 0) return false;
  if (r < 0) throw CBlockingSocketException("Accept");
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  const int fd = ::accept4(d->fd, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC);
  if (fd < 0) {
    // Interrupted, or the connection went away before we took it; shut down
    // under us (EINVAL) when another thread closed the listener.
    if (errno == EINTR || errno == EAGAIN || errno == ECONNABORTED || errno == EINVAL) return false;
    throw CBlockingSocketException("Accept");
  }
  peer.Cleanup();
  peer.adopt(fd);
  from = sa;
  return true;
}

int CBlockingSocket::Write(const char* data, int n, int seconds) {
  const auto d = acquire();
  if (!d || n < 0 || (n > 0 && !data)) return -1;
  const int fd = d->fd;
  const auto deadline = deadlineIn((seconds > 0 ? seconds : kDefaultWriteSeconds) * 1000LL);
  int sent = 0;
  while (sent < n) {
    // Never block in send itself: poll carries the bound. MSG_NOSIGNAL keeps a
    // closed peer from raising SIGPIPE; the send fails with EPIPE instead.
    const ssize_t r = ::send(fd, data + sent, static_cast<size_t>(n - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (r > 0) {
      sent += static_cast<int>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      const int w = waitFor(fd, POLLOUT, deadline);
      if (w > 0) continue;
      if (w == 0) errno = ETIMEDOUT;
    }
    return -1;
  }
  return n;
}

int CBlockingSocket::_Read(char* buf, int n, int seconds) {
  const auto d = acquire();
  if (!d || n < 0 || (n > 0 && !buf)) {
    errno = d ? EINVAL : EBADF;
    return -1;
  }
  const int fd = d->fd;
  const auto deadline = deadlineIn(seconds * 1000LL);
  for (;;) {
    const int w = waitFor(fd, POLLIN, deadline);
    if (w == 0) return -2;
    if (w < 0) return -1;
    const ssize_t r = ::recv(fd, buf, static_cast<size_t>(n), MSG_DONTWAIT);
    if (r >= 0) return static_cast<int>(r);
    if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
  }
}

int CBlockingSocket::Read(char* buf, int n, int seconds) {
  if (!acquire()) throw CBlockingSocketException("Socket Null", EBADF);
  if (n < 1 || !buf) throw CBlockingSocketException("Receive", EINVAL);
  const int r = _Read(buf, n - 1, seconds);
  if (r == -2) throw CBlockingSocketException("Receive timeout", 0);
  if (r < 0) throw CBlockingSocketException("Receive");
  buf[r] = 0;
  return r;
}

void CBlockingSocket::Close() {
  std::shared_ptr<Descriptor> d;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    d.swap(m_Socket);
  }
  if (!d) return;
  if (d.use_count() > 1) {
    // A call is pending on another thread: wake it; it closes on return.
    ::shutdown(d->fd, SHUT_RDWR);
    return;
  }
  const int fd = d->fd.exchange(-1);
  if (::close(fd) != 0 && errno != EINTR) throw CBlockingSocketException("Close");
}

void CBlockingSocket::Cleanup() {
  std::shared_ptr<Descriptor> d;
  {
    std::lock_guard<std::mutex> lock(m_Lock);
    d.swap(m_Socket);
  }
  if (d) ::shutdown(d->fd, SHUT_RDWR);
}

void CBlockingSocket::GetPeerAddr(CSockAddr& sa) {
  const auto d = acquire();
  if (!d) throw CBlockingSocketException("GetPeerName", EBADF);
  sockaddr_in in{};
  socklen_t len = sizeof in;
  if (::getpeername(d->fd, reinterpret_cast<sockaddr*>(&in), &len) != 0)
    throw CBlockingSocketException("GetPeerName");
  sa = in;
}

void CBlockingSocket::GetSockAddr(CSockAddr& sa) {
  const auto d = acquire();
  if (!d) throw CBlockingSocketException("GetSockName", EBADF);
  sockaddr_in in{};
  socklen_t len = sizeof in;
  if (::getsockname(d->fd, reinterpret_cast<sockaddr*>(&in), &len) != 0)
    throw CBlockingSocketException("GetSockName");
  sa = in;
}

CSockAddr CBlockingSocket::GetHostByName(const char* host, std::uint16_t port) {
  if (!host || !*host) throw CBlockingSocketException("GetHostByName", EAI_NONAME);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(host, nullptr, &hints, &found);
  if (rc != 0 || !found) {
    const int code = rc == EAI_SYSTEM ? errno : rc;
    if (found) ::freeaddrinfo(found);
    throw CBlockingSocketException("GetHostByName", code);
  }
  sockaddr_in in{};
  std::memcpy(&in, found->ai_addr, sizeof in);
  ::freeaddrinfo(found);
  in.sin_port = htons(port);
  return CSockAddr(in);
}

std::string CBlockingSocket::GetHostByAddr(const CSockAddr& sa) {
  char host[NI_MAXHOST] = {};
  const int rc = ::getnameinfo(sa, CSockAddr::Size(), host, sizeof host, nullptr, 0, NI_NAMEREQD);
  if (rc != 0) throw CBlockingSocketException("GetHostByAddr", rc == EAI_SYSTEM ? errno : rc);
  return host;
}
