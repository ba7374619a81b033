#include "CasterExchange.h"

#include <chrono>
#include <cstdlib>

#include "ChunkedDecoder.h"

namespace Ntrip {

namespace {

long long nowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::string caster(const CasterRequest& r) {
  return r.host + ":" + std::to_string(r.port);
}

}  // namespace

bool OpenExchange(NtripSocket& socket, const CasterRequest& r, const std::string& requestText, int timeoutMs,
                  ResponseHeader& header, std::string& rest, std::string& error) {
  if (!socket.Connect(r.host, r.port, timeoutMs, error)) return false;
  if (r.tls && !socket.StartTls(r.host, r.port, r.tlsCaFile, r.tlsFingerprint, timeoutMs, error))
    return false;
  if (!socket.WriteAll(requestText, timeoutMs, error)) {
    error = "the caster " + caster(r) + " took no request: " + error;
    return false;
  }
  const long long until = nowMs() + timeoutMs;
  std::size_t received = 0;
  char buf[4096];
  while (header.state() == ResponseHeader::State::NeedMore) {
    const long long left = until - nowMs();
    const int n = left > 0 ? socket.Read(buf, sizeof buf, static_cast<int>(left)) : -2;
    if (n == 0) header.EndOfInput();
    if (header.state() == ResponseHeader::State::Complete) break;
    if (n == 0 || n == -1) {
      error = received == 0
                  ? "the caster " + caster(r) + " closed the connection without answering"
                  : "the caster " + caster(r) + " closed the connection in the middle of its answer";
      return false;
    }
    if (n == -2) {
      error = "the caster " + caster(r) + " did not answer within " + std::to_string(timeoutMs / 1000) + " s";
      return false;
    }
    received += static_cast<std::size_t>(n);
    const std::size_t used = header.Feed(buf, static_cast<std::size_t>(n));
    rest.assign(buf + used, static_cast<std::size_t>(n) - used);
  }
  if (header.state() == ResponseHeader::State::Invalid) {
    error = "the caster " + caster(r) + " gave no NTRIP answer: " + header.error();
    return false;
  }
  return true;
}

bool ReadTableBody(NtripSocket& socket, const ResponseHeader& header, std::string rest, int timeoutMs,
                   std::string& body, std::string& error) {
  const bool chunked = header.chunked();
  const std::string lengthField = header.field("content-length");
  const std::size_t length = lengthField.empty() ? kMaxTable : std::strtoul(lengthField.c_str(), nullptr, 10);
  ChunkedDecoder chunks;
  const long long until = nowMs() + timeoutMs;
  body.clear();
  std::string piece = std::move(rest);
  char buf[8192];
  while (true) {
    if (chunked ? !chunks.Feed(piece.data(), piece.size(), body) : (body += piece, false)) {
      error = "the source table's transfer coding is broken: " + chunks.error();
      return false;
    }
    if (body.find("ENDSOURCETABLE") != std::string::npos || chunks.done() || body.size() >= length)
      return true;
    if (body.size() > kMaxTable) {
      error = "the source table is larger than " + std::to_string(kMaxTable) + " bytes";
      return false;
    }
    const long long left = until - nowMs();
    const int n = left > 0 ? socket.Read(buf, sizeof buf, static_cast<int>(left)) : -2;
    if (n == 0) return true;  // 1.0 casters may end the table by closing
    if (n < 0) {
      error = n == -2 ? "the source table did not arrive in time"
                      : "the connection broke during the source table";
      return false;
    }
    piece.assign(buf, static_cast<std::size_t>(n));
  }
}

bool FetchSourceTable(const CasterRequest& r, const std::atomic<bool>* cancel, int timeoutMs,
                      SourceTable& out, std::string& error, bool* untrusted) {
  CasterRequest tableRequest = r;
  tableRequest.mount.clear();
  tableRequest.gga.clear();
  NtripSocket socket(cancel);
  ResponseHeader header;
  std::string rest, body;
  if (!OpenExchange(socket, tableRequest, BuildGetRequest(tableRequest), timeoutMs, header, rest, error)) {
    if (untrusted) *untrusted = socket.Untrusted();
    return false;
  }
  if (!header.isSourceTable()) {
    error = RefusalText(header, tableRequest);
    return false;
  }
  if (!ReadTableBody(socket, header, std::move(rest), timeoutMs, body, error)) return false;
  out = SourceTable::Parse(body);
  return true;
}

Refusal Classify(const ResponseHeader& header) {
  if (header.isStream()) return Refusal::None;
  const std::string& line = header.statusLine();
  if (header.status() == 401 || line.find("Bad Password") != std::string::npos ||
      line.find("Bad Pasword") != std::string::npos)
    return Refusal::Unauthorized;
  // A 1.0 caster answers an unknown mount point with its source table.
  if (header.status() == 404 || header.isSourceTable() || line.find("Mountpoint") != std::string::npos ||
      line.find("Mount Point") != std::string::npos)
    return Refusal::UnknownMount;
  return Refusal::Other;
}

std::string RefusalText(const ResponseHeader& header, const CasterRequest& r) {
  switch (Classify(header)) {
    case Refusal::None:
      return "";
    case Refusal::Unauthorized:
      return "the caster " + caster(r) + " refused the user name or password (" + header.statusLine() + ")";
    case Refusal::UnknownMount:
      return "the caster " + caster(r) + " has no mount point \"" + r.mount + "\"";
    case Refusal::Other:
      break;
  }
  return "the caster " + caster(r) + " refused the request: " + header.statusLine();
}

}  // namespace Ntrip
