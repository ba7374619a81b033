#include "NtripUrl.h"

#include <cstdlib>

namespace Ntrip {

bool ParsePushUrl(const std::string& url, CasterRequest& out, std::string& error) {
  std::string rest;
  const bool tls = url.rfind("ntrips://", 0) == 0;
  if (url.rfind("ntrip://", 0) == 0)
    rest = url.substr(8);
  else if (tls)
    rest = url.substr(9);
  else
    return error = "\"" + url + "\" does not start with ntrip:// or ntrips://", false;
  CasterRequest r;
  const std::size_t at = rest.rfind('@');
  if (at != std::string::npos) {
    const std::string login = rest.substr(0, at);
    const std::size_t colon = login.find(':');
    r.user = login.substr(0, colon);
    if (colon != std::string::npos) r.password = login.substr(colon + 1);
    rest.erase(0, at + 1);
  }
  const std::size_t slash = rest.find('/');
  if (slash == std::string::npos || slash + 1 >= rest.size())
    return error = "\"" + url + "\" names no mount point (.../MOUNT)", false;
  r.mount = rest.substr(slash + 1);
  const std::string hostPort = rest.substr(0, slash);
  const std::size_t colon = hostPort.rfind(':');
  r.host = hostPort.substr(0, colon);
  if (colon != std::string::npos) {
    char* end = nullptr;
    const long port = std::strtol(hostPort.c_str() + colon + 1, &end, 10);
    if (*end || port < 1 || port > 65535) return error = "\"" + url + "\" has a bad port", false;
    r.port = static_cast<int>(port);
  }
  if (r.host.empty()) return error = "\"" + url + "\" names no caster host", false;
  r.version = r.user.empty() ? 1 : 2;
  r.tls = tls;
  r.tlsCaFile = out.tlsCaFile;
  r.tlsFingerprint = out.tlsFingerprint;
  out = r;
  return true;
}

}  // namespace Ntrip
