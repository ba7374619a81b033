#include "gridlink/CBlockingSocket.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

#include "gridlink/platform/Socket.h"
#include "net/TlsStream.h"

// The descriptor lives as long as any call that uses it; the last one closes it.
struct CBlockingSocket::Descriptor {
  explicit Descriptor(int d) : fd(d) {}
  ~Descriptor() {
    const int d = fd.exchange(-1);
    if (d >= 0) ::close(d);
  }
  std::atomic<int> fd;
  std::unique_ptr<Net::TlsStream> tls;  // set once, before the socket is shared; then read-only
};

namespace {

// Seconds as the platform's millisecond time-outs; negative means no wait.
std::uint32_t toMs(long long seconds) {
  if (seconds <= 0) return 0;
  const long long ms = seconds * 1000;
  return ms > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(ms);
}

std::uint32_t msOf(int ms) {
  return ms < 0 ? 0 : static_cast<std::uint32_t>(ms);
}

void check(int code, const char* operation) {
  if (code != 0) throw CBlockingSocketException(operation, code);
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
  const int fd = Platform::CreateTcpSocket();
  if (fd < 0) throw CBlockingSocketException("Create");
  const int code = noDelay ? Platform::SetNoDelay(fd, true)
                           : Platform::SetKeepAlive(fd, true, kKeepIdleMs / 1000, kKeepIntervalMs / 1000);
  const int sizes = (code == 0 && !noDelay) ? Platform::SetBufferSizes(fd, kBufferBytes, kBufferBytes) : 0;
  if (code != 0 || sizes != 0) {
    ::close(fd);
    throw CBlockingSocketException("Create", code != 0 ? code : sizes);
  }
  adopt(fd);
}

void CBlockingSocket::Connect(const CSockAddr& sa, int timeoutMs) {
  const auto d = acquire();
  if (!d) throw CBlockingSocketException("Connect", EBADF);
  check(Platform::ConnectWithTimeout(d->fd, sa.In(), msOf(timeoutMs)), "Connect");
  Platform::SetNoDelay(d->fd, true);
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
  sockaddr_in sa{};
  const int fd = Platform::AcceptWithTimeout(d->fd, msOf(timeoutMs), sa);
  if (fd < 0) {
    // Nobody came in time, the wait was interrupted, the caller went away before
    // we took it, or another thread closed the listener under us (EBADF, EINVAL).
    switch (errno) {
      case ETIMEDOUT:
      case EINTR:
      case EAGAIN:
      case ECONNABORTED:
      case EBADF:
      case EINVAL:
        return false;
      default:
        throw CBlockingSocketException("Accept");
    }
  }
  peer.Cleanup();
  peer.adopt(fd);
  from = sa;
  return true;
}

int CBlockingSocket::Write(const char* data, int n, int seconds) {
  const auto d = acquire();
  if (!d || n < 0 || (n > 0 && !data)) {
    errno = d ? EINVAL : EBADF;
    return -1;
  }
  // Never blocks beyond the bound, never raises SIGPIPE on a closed peer.
  const std::uint32_t ms = toMs(seconds > 0 ? seconds : kDefaultWriteSeconds);
  const auto r = d->tls ? d->tls->Write(data, static_cast<std::size_t>(n), ms)
                        : Platform::WriteAll(d->fd, data, static_cast<std::size_t>(n), ms);
  return r.status == Platform::IoStatus::Data ? n : -1;
}

int CBlockingSocket::_Read(char* buf, int n, int seconds) {
  const auto d = acquire();
  if (!d || n < 0 || (n > 0 && !buf)) {
    errno = d ? EINVAL : EBADF;
    return -1;
  }
  const auto r = d->tls ? d->tls->Read(buf, static_cast<std::size_t>(n), toMs(seconds))
                        : Platform::ReadWithTimeout(d->fd, buf, static_cast<std::size_t>(n), toMs(seconds));
  switch (r.status) {
    case Platform::IoStatus::Data:
      return static_cast<int>(r.count);
    case Platform::IoStatus::Closed:
      return 0;
    case Platform::IoStatus::TimedOut:
      return -2;
    case Platform::IoStatus::Error:
      break;
  }
  return -1;
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

bool CBlockingSocket::StartTlsClient(const std::string& host, const std::string& caFile, int timeoutMs,
                                     CTlsPeer& peer, std::string& error) {
  const auto d = acquire();
  if (!d) {
    error = "no connection";
    return false;
  }
  d->tls = Net::TlsStream::Connect(d->fd, host, caFile, msOf(timeoutMs), peer, error);
  return d->tls != nullptr;
}

bool CBlockingSocket::StartTlsServer(const CTlsServerContext& ctx, int timeoutMs, std::string& error) {
  const auto d = acquire();
  if (!d) {
    error = "no connection";
    return false;
  }
  d->tls = Net::TlsStream::Accept(d->fd, ctx, msOf(timeoutMs), error);
  return d->tls != nullptr;
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
  in_addr address{};
  const int rc = Platform::ResolveIPv4(host, address);
  if (rc != 0) throw CBlockingSocketException("GetHostByName", rc == EAI_SYSTEM ? errno : rc);
  return CSockAddr(ntohl(address.s_addr), port);
}

std::string CBlockingSocket::GetHostByAddr(const CSockAddr& sa) {
  std::string name;
  const int rc = Platform::ResolveName(sa.In().sin_addr, name);
  if (rc != 0) throw CBlockingSocketException("GetHostByAddr", rc == EAI_SYSTEM ? errno : rc);
  return name;
}
