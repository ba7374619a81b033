#include "NtripRequest.h"

#include <cstdio>

#include "Base64.h"

namespace Ntrip {

const char* const kUserAgent = "NTRIP Stelvan/1.0";

namespace {

std::string hostHeader(const CasterRequest& r) {
  return "Host: " + r.host + (r.port == 80 ? "" : ":" + std::to_string(r.port)) + "\r\n";
}

std::string basicAuth(const CasterRequest& r) {
  if (r.user.empty() && r.password.empty()) return "";
  return "Authorization: Basic " + Base64(r.user + ":" + r.password) + "\r\n";
}

}  // namespace

std::string BuildGetRequest(const CasterRequest& r) {
  std::string t = "GET /" + r.mount + (r.version == 1 ? " HTTP/1.0\r\n" : " HTTP/1.1\r\n");
  if (r.version != 1) t += hostHeader(r) + "Ntrip-Version: Ntrip/2.0\r\n";
  t += std::string("User-Agent: ") + kUserAgent + "\r\n";
  t += basicAuth(r);
  if (r.version != 1 && !r.gga.empty()) t += "Ntrip-GGA: " + r.gga + "\r\n";
  if (r.version != 1) t += "Connection: close\r\n";
  return t + "\r\n";
}

std::string BuildSourceRequest(const CasterRequest& r) {
  if (r.version == 1)
    return "SOURCE " + r.password + " /" + r.mount + "\r\nSource-Agent: " + kUserAgent + "\r\n\r\n";
  return "POST /" + r.mount + " HTTP/1.1\r\n" + hostHeader(r) + "Ntrip-Version: Ntrip/2.0\r\n" +
         "User-Agent: " + kUserAgent + "\r\n" + basicAuth(r) +
         "Content-Type: gnss/data\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
}

std::string ChunkEncode(const char* bytes, std::size_t count) {
  char size[24];
  std::snprintf(size, sizeof size, "%zx\r\n", count);
  std::string out(size);
  out.append(bytes, count);
  return out + "\r\n";
}

}  // namespace Ntrip
