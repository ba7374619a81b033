#include "session/TlsTrust.h"

#include <cctype>

#include "gridlink/CProfile.h"

namespace ServerLink {

std::string NormalFingerprint(const std::string& text) {
  std::string out;
  for (unsigned char c : text)
    if (std::isxdigit(c)) out.push_back(static_cast<char>(std::toupper(c)));
  return out;
}

bool TlsWanted(const TlsSettings& settings, const std::string& server) {
  if (settings.on >= 0) return settings.on != 0;
  CProfile dialogs(kTlsSettingsKey);
  return dialogs.Read(kTlsSection, server.c_str(), false);
}

bool TrustServer(const TlsSettings& settings, const std::string& hostPort, const CTlsPeer& peer,
                 std::string& refusal) {
  if (peer.verified) return true;
  CProfile dialogs(kTlsSettingsKey);
  const std::string known = NormalFingerprint(dialogs.Read(kKnownHostsSection, hostPort.c_str(), ""));
  const std::string seen = NormalFingerprint(peer.fingerprint);
  if (!known.empty()) {
    if (known == seen) return true;
    refusal = "ERDLL:TLS certificate of " + hostPort + " has changed: SHA-256 fingerprint " +
              peer.fingerprint + " is not the one accepted before; connection refused";
    return false;
  }
  const std::string given = NormalFingerprint(settings.fingerprint);
  bool accepted = !given.empty() && given == seen;
  if (!given.empty() && !accepted) {
    refusal = "ERDLL:TLS certificate of " + hostPort + " has the SHA-256 fingerprint " + peer.fingerprint +
              ", not the one given; connection refused";
    return false;
  }
  if (!accepted && settings.ask)
    accepted = settings.ask(hostPort.c_str(), peer.fingerprint.c_str(), settings.askParam);
  if (!accepted) {
    refusal = "ERDLL:TLS certificate of " + hostPort + " is not trusted (" + peer.verifyError +
              "); SHA-256 fingerprint " + peer.fingerprint;
    return false;
  }
  dialogs.Write(kKnownHostsSection, hostPort.c_str(), peer.fingerprint.c_str());
  return true;
}

}  // namespace ServerLink
