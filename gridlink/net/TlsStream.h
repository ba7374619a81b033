#pragma once
// One TLS session over a connected socket. The socket turns non-blocking; every operation
// waits with poll() within its bound. One thread may read while another writes: the session
// itself is used under a lock held only for the non-blocking OpenSSL calls, never across a
// wait.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "gridlink/TlsContext.h"
#include "gridlink/platform/Socket.h"

namespace Net {

class TlsStream {
 public:
  ~TlsStream();
  // Client handshake with `host` (its name is checked against the certificate); caFile empty:
  // the system's trusted roots. Null with the reason in error.
  static std::unique_ptr<TlsStream> Connect(int fd, const std::string& host, const std::string& caFile,
                                            std::uint32_t timeoutMs, CTlsPeer& peer, std::string& error);
  static std::unique_ptr<TlsStream> Accept(int fd, const CTlsServerContext& ctx, std::uint32_t timeoutMs,
                                           std::string& error);

  Platform::IoResult Read(void* buf, std::size_t n, std::uint32_t timeoutMs);
  Platform::IoResult Write(const void* data, std::size_t n, std::uint32_t timeoutMs);

 private:
  TlsStream(int fd, void* ssl) : m_Fd(fd), m_Ssl(ssl) {}
  bool handshake(bool client, std::uint32_t timeoutMs, std::string& error);

  int m_Fd;
  void* m_Ssl;  // SSL*
  std::mutex m_Lock;
};

}  // namespace Net
