#pragma once
// The request texts a client sends to an NTRIP caster: a stream or the source
// table (GET), and a base station's stream pushed to the caster (1.0 "SOURCE",
// 2.0 "POST"). Pure functions; the texts end with the blank line.
#include <string>

namespace Ntrip {

struct CasterRequest {
  std::string host;
  int port = 2101;
  std::string mount;  // without the leading "/"; empty asks for the source table
  std::string user;
  std::string password;
  int version = 2;  // 1: NTRIP 1.0 (HTTP/1.0 style), 2: NTRIP 2.0 (HTTP/1.1)
  std::string gga;  // 2.0 only: a first position sent as "Ntrip-GGA" (without CR LF)
  // TLS ("ntrips://"): the certificate must chain to the system's roots (or to tlsCaFile's)
  // and name the host, or have the SHA-256 fingerprint tlsFingerprint (any hex form).
  bool tls = false;
  std::string tlsCaFile{};
  std::string tlsFingerprint{};
};

extern const char* const kUserAgent;

std::string BuildGetRequest(const CasterRequest& r);
// 1.0: "SOURCE password /mount"; 2.0: "POST /mount" with Basic authentication and
// chunked transfer coding (the body is then sent in chunks, see ChunkEncode).
std::string BuildSourceRequest(const CasterRequest& r);
// One chunk of chunked transfer coding around `bytes` (empty bytes: the last chunk).
std::string ChunkEncode(const char* bytes, std::size_t count);

}  // namespace Ntrip
