#pragma once
// CTlsClient: a TLS client session over a socket the caller has connected, for programs that
// speak their own protocol over TLS (an NTRIP caster at "ntrips://"). OpenSSL stays inside
// Gridlink. The socket turns non-blocking and stays the caller's to close (after the session
// is gone). One thread may read while another writes; every wait is bounded.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "gridlink/Export.h"
#include "gridlink/TlsContext.h"

namespace Net {
class TlsStream;
}

class GRIDLINK_API CTlsClient {
 public:
  // Handshake with `host` (checked against the certificate: a name as a name, an address as an
  // address); caFile empty: the system's trusted roots. The verdict on the certificate is in
  // `peer`: the caller decides whether to go on. Null with the reason in error.
  static std::unique_ptr<CTlsClient> Connect(int fd, const std::string& host, const std::string& caFile,
                                             std::uint32_t timeoutMs, CTlsPeer& peer, std::string& error);
  ~CTlsClient();
  CTlsClient(const CTlsClient&) = delete;
  CTlsClient& operator=(const CTlsClient&) = delete;

  // Up to n bytes: the count, 0 when the peer closed, -1 on error, -2 when nothing came within
  // timeoutMs.
  int Read(void* buf, std::size_t n, std::uint32_t timeoutMs);
  // Every byte within timeoutMs; false with the reason.
  bool Write(const void* data, std::size_t n, std::uint32_t timeoutMs, std::string& error);

 private:
  explicit CTlsClient(std::unique_ptr<Net::TlsStream> stream);
  std::unique_ptr<Net::TlsStream> m_Stream;
};
