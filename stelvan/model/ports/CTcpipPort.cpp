#include "CTcpipPort.h"

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "gridlink/platform/Socket.h"

namespace CMNC {

namespace {
using Clock = std::chrono::steady_clock;
int msLeft(Clock::time_point deadline) {
  const auto d = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return d > 0 ? static_cast<int>(d) : 0;
}
}  // namespace

bool CTcpipPort::failErrno(const std::string& what, int err) {
  m_lastError = what + std::strerror(err);
  return false;
}

bool CTcpipPort::readUntil(const std::string& needle) {
  std::uint8_t buf[256];
  for (int i = 0; i < 5; ++i) {
    if (m_greeting.find(needle) != std::string::npos) return true;
    const int n = Read(buf, sizeof buf, kGreetingReadMs, 50);
    if (n < 0) return false;
    m_greeting.append(reinterpret_cast<const char*>(buf), static_cast<std::size_t>(n));
  }
  return m_greeting.find(needle) != std::string::npos;
}

bool CTcpipPort::Open(const std::string& settings) {
  Close();
  m_greeting.clear();
  const std::size_t colon = settings.find(':');
  if (colon == std::string::npos || colon + 1 >= settings.size()) {
    m_lastError = "No port in \"" + settings + "\"";
    return false;
  }
  const std::string host = settings.substr(0, colon);
  const int port = std::atoi(settings.c_str() + colon + 1);
  in_addr addr{};
  if (const int rc = Platform::ResolveIPv4(host, addr); rc != 0) {
    m_lastError = host + ": " + Platform::ResolveErrorText(rc);
    return false;
  }
  const int fd = Platform::CreateTcpSocket();
  if (fd < 0) return failErrno("socket: ", errno);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr = addr;
  if (const int err = Platform::ConnectWithTimeout(fd, to, kConnectTimeoutMs); err != 0) {
    ::close(fd);
    // Host and port only: the rest of the settings may hold the login's password.
    return failErrno(host + ":" + std::to_string(port) + ": ", err);
  }
  Platform::SetNoDelay(fd, true);
  m_handle = fd;
  if (!m_login) return true;
  // The receiver's prompts; the trailing space is not required, some
  // firmware ends the prompt right after the colon.
  readUntil("ogin:");
  static const std::uint8_t lf = '\n';
  if (Write(&lf, 1, -1) != 1) {
    m_lastError = "Unable to send LF; " + m_lastError;
    Close();
    return false;
  }
  readUntil("assword:");
  return true;
}

void CTcpipPort::Close() {
  if (m_handle < 0) return;
  ::shutdown(m_handle, SHUT_RDWR);
  ::close(m_handle);
  m_handle = -1;
}

int CTcpipPort::Read(const ReadRequest& r) {
  if (!IsOpen() || !r.buffer) {
    m_lastError = "Port is not open";
    return -1;
  }
  const int total = r.totalMs < 0 ? 10000 : r.totalMs;
  int interval = r.intervalMs;
  if (total == 0)
    interval = 0;
  else if (interval < 0)
    interval = r.size == 1 ? 0 : 500;
  const auto deadline = Clock::now() + std::chrono::milliseconds(total);
  std::size_t got = 0;
  auto res = Platform::ReadWithTimeout(m_handle, r.buffer, r.size, static_cast<std::uint32_t>(total));
  while (res.status == Platform::IoStatus::Data) {
    got += res.count;
    if (got >= r.size || interval == 0) break;
    const int left = msLeft(deadline);
    if (left == 0) break;
    res = Platform::ReadWithTimeout(m_handle, r.buffer + got, r.size - got,
                                    static_cast<std::uint32_t>(std::min(left, interval)));
  }
  if (got > 0 || res.status == Platform::IoStatus::TimedOut) return static_cast<int>(got);
  if (res.status == Platform::IoStatus::Closed) {
    m_lastError = "Connection closed by the receiver";
    return -1;
  }
  failErrno("read: ", res.error);
  return -1;
}

int CTcpipPort::Write(const std::uint8_t* bytes, std::size_t count, int) {
  if (!IsOpen()) {
    m_lastError = "Port is not open";
    return 0;
  }
  const auto res = Platform::WriteAll(m_handle, bytes, count, 10000);
  if (res.status != Platform::IoStatus::Data) {
    failErrno("write: ", res.error ? res.error : ETIMEDOUT);
    return 0;
  }
  return static_cast<int>(res.count);
}

bool CTcpipPort::Purge(unsigned flags) {
  if (!IsOpen()) return false;
  if (!(flags & kPurgeRxClear)) return true;
  std::uint8_t buf[1024];
  // Bounded: a receiver that never stops sending is purged for at most 2 s.
  const auto deadline = Clock::now() + std::chrono::milliseconds(2000);
  while (msLeft(deadline) > 0) {
    const auto res = Platform::ReadWithTimeout(m_handle, buf, sizeof buf, 500);
    if (res.status != Platform::IoStatus::Data) break;
  }
  return true;
}

}  // namespace CMNC
