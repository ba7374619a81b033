#include "NtripSocket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "gridlink/TlsClient.h"

namespace Ntrip {

namespace {
constexpr int kSliceMs = 100;

long long nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
// "ab:CD ef" -> "ABCDEF".
std::string normalFingerprint(const std::string& text) {
  std::string out;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c)))
      out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace

NtripSocket::NtripSocket(const std::atomic<bool>* cancel) : cancel_(cancel) {}

NtripSocket::~NtripSocket() {
  Close();
}

bool NtripSocket::StartTls(const std::string& host, int port, const std::string& caFile,
                           const std::string& fingerprint, int timeoutMs, std::string& error) {
  const std::string at = host + ":" + std::to_string(port);
  CTlsPeer peer;
  untrusted_ = false;
  tls_ = CTlsClient::Connect(fd_, host, caFile, static_cast<std::uint32_t>(timeoutMs), peer, error);
  if (!tls_) {
    error = "TLS with " + at + " failed: " + error;
    Close();
    return false;
  }
  const std::string pinned = normalFingerprint(fingerprint);
  if (!pinned.empty() && pinned != normalFingerprint(peer.fingerprint)) {
    error = "the certificate of " + at + " has the SHA-256 fingerprint " + peer.fingerprint +
            ", not the one given";
  } else if (pinned.empty() && !peer.verified) {
    error = "the certificate of " + at + " is not trusted (" + peer.verifyError +
            "); its SHA-256 fingerprint is " + peer.fingerprint +
            ": trust it with a CA file or by its fingerprint";
  } else {
    return true;
  }
  untrusted_ = true;
  Close();
  return false;
}

int NtripSocket::wait(short events, int timeoutMs) {
  const long long until = nowMs() + timeoutMs;
  while (!cancelled()) {
    const long long left = until - nowMs();
    if (left <= 0) return 0;
    pollfd p{fd_, events, 0};
    const int r = ::poll(&p, 1, static_cast<int>(left < kSliceMs ? left : kSliceMs));
    if (r > 0) return 1;
    if (r < 0 && errno != EINTR) return -1;
  }
  return 0;
}

int NtripSocket::connectTo(int family, const ::sockaddr* address, unsigned length, int timeoutMs) {
  fd_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) return errno;
  int err = 0;
  if (::connect(fd_, address, length) != 0) {
    err = errno;
    if (err == EINPROGRESS) {
      const int w = wait(POLLOUT, timeoutMs);
      socklen_t len = sizeof err;
      err = w > 0 ? (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &err, &len), err) : (w == 0 ? ETIMEDOUT : errno);
    }
  }
  if (err != 0) Close();
  return err;
}

bool NtripSocket::Connect(const std::string& host, int port, int timeoutMs, std::string& error) {
  Close();
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int rc = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &list);
  if (rc != 0) {
    error = "cannot find the caster " + host + ": " + gai_strerror(rc);
    return false;
  }
  error = "cannot connect to " + host + ":" + std::to_string(port);
  const long long until = nowMs() + timeoutMs;
  for (addrinfo* a = list; a && fd_ < 0; a = a->ai_next) {
    int err = connectTo(a->ai_family, a->ai_addr, a->ai_addrlen, timeoutMs);
    // No free local port for a moment (a busy machine): try again while the time lasts.
    while ((err == EADDRNOTAVAIL || err == EAGAIN) && !cancelled() && nowMs() + kSliceMs < until) {
      ::poll(nullptr, 0, kSliceMs);
      err = connectTo(a->ai_family, a->ai_addr, a->ai_addrlen, static_cast<int>(until - nowMs()));
    }
    if (err != 0) error += std::string(": ") + (cancelled() ? "cancelled" : std::strerror(err));
  }
  ::freeaddrinfo(list);
  if (fd_ < 0) return false;
  int one = 1;
  ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  ::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &one, sizeof one);
  error.clear();
  return true;
}

int NtripSocket::Read(char* buf, std::size_t n, int timeoutMs) {
  if (fd_ < 0) return -1;
  if (tls_) {
    // In slices, so that a cancel is seen within one.
    const long long until = nowMs() + timeoutMs;
    while (!cancelled()) {
      const long long left = until - nowMs();
      if (left <= 0) return -2;
      const int r = tls_->Read(buf, n, static_cast<std::uint32_t>(left < kSliceMs ? left : kSliceMs));
      if (r != -2) return r;
    }
    return -2;
  }
  const int w = wait(POLLIN, timeoutMs);
  if (w == 0) return -2;
  if (w < 0) return -1;
  const ssize_t r = ::recv(fd_, buf, n, 0);
  if (r < 0) return errno == EAGAIN || errno == EINTR ? -2 : -1;
  return static_cast<int>(r);
}

bool NtripSocket::WriteAll(const char* bytes, std::size_t n, int timeoutMs, std::string& error) {
  if (tls_) return tls_->Write(bytes, n, static_cast<std::uint32_t>(timeoutMs < 0 ? 0 : timeoutMs), error);
  const long long until = nowMs() + timeoutMs;
  std::size_t done = 0;
  writeErrno_ = 0;
  while (done < n) {
    if (fd_ < 0) {
      writeErrno_ = ENOTCONN;
      error = "not connected";
      return false;
    }
    const ssize_t w = ::send(fd_, bytes + done, n - done, MSG_NOSIGNAL);
    if (w > 0) {
      done += static_cast<std::size_t>(w);
      continue;
    }
    if (w < 0 && errno != EAGAIN && errno != EINTR) {
      writeErrno_ = errno;
      error = std::string("send: ") + std::strerror(errno);
      return false;
    }
    const long long left = until - nowMs();
    if (left <= 0 || wait(POLLOUT, static_cast<int>(left)) <= 0) {
      writeErrno_ = ETIMEDOUT;
      error = cancelled() ? "cancelled" : "the caster takes no data";
      return false;
    }
  }
  return true;
}

void NtripSocket::Close() {
  tls_.reset();  // before its socket goes
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

}  // namespace Ntrip
