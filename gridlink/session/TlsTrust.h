#pragma once
// Whether a client goes on with a TLS server: a certificate that chains to a trusted root and
// names the host is trusted; any other (a self-signed one) by its SHA-256 fingerprint, which
// the user accepts once (in advance, or when asked) and which is then remembered per server
// in the connection-dialog settings, like an SSH known host. A server whose fingerprint
// differs from the one remembered is refused, before any login is sent.
#include <string>

#include "gridlink/CConnection.h"
#include "gridlink/TlsContext.h"

namespace ServerLink {

struct TlsSettings {
  int on = -1;  // -1: as the server entry's "TLS" setting says
  std::string caFile;
  std::string fingerprint;  // trusted in advance, any hex form
  CConnection::TlsTrustCallback ask = nullptr;
  void* askParam = nullptr;
};

inline constexpr const char* kTlsSettingsKey = "Software\\Norhaven GNSS\\Fieldmesh\\GridnetUI";
inline constexpr const char* kTlsSection = "TLS";                   // server -> "1" for TLS
inline constexpr const char* kKnownHostsSection = "TlsKnownHosts";  // host:port -> fingerprint

// True when the connection to `server` (as given to Open) is to use TLS.
bool TlsWanted(const TlsSettings& settings, const std::string& server);
// True when the certificate may be trusted; else the reply text of the refusal.
bool TrustServer(const TlsSettings& settings, const std::string& hostPort, const CTlsPeer& peer,
                 std::string& refusal);
// "ab:CD ef" -> "ABCDEF".
std::string NormalFingerprint(const std::string& text);

}  // namespace ServerLink
