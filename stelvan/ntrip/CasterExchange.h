#pragma once
// One request to a caster and its answer's header, with bounded waits; the
// source table fetch built on it; and the texts that explain a refusal.
// Called on the thread that owns the socket.
#include <atomic>
#include <string>

#include "NtripRequest.h"
#include "NtripSocket.h"
#include "ResponseHeader.h"
#include "SourceTable.h"

namespace Ntrip {

enum class Refusal { None, Unauthorized, UnknownMount, Other };

// Connects, sends `requestText` and reads the answer's header within
// timeoutMs. The bytes after the header are left in `rest`. False with the
// reason in `error` when no header could be read (the header is then Invalid
// or incomplete).
bool OpenExchange(NtripSocket& socket, const CasterRequest& r, const std::string& requestText, int timeoutMs,
                  ResponseHeader& header, std::string& rest, std::string& error);
// Reads a source table's body to "ENDSOURCETABLE", the end of the connection,
// its Content-Length or kMaxTable bytes, within timeoutMs.
bool ReadTableBody(NtripSocket& socket, const ResponseHeader& header, std::string rest, int timeoutMs,
                   std::string& body, std::string& error);
// Asks the caster for its source table; `untrusted` (when given) tells a refused TLS certificate.
bool FetchSourceTable(const CasterRequest& r, const std::atomic<bool>* cancel, int timeoutMs,
                      SourceTable& out, std::string& error, bool* untrusted = nullptr);
// What an answer that does not start a stream means, and its text for the user.
Refusal Classify(const ResponseHeader& header);
std::string RefusalText(const ResponseHeader& header, const CasterRequest& r);

constexpr std::size_t kMaxTable = 4u << 20;

}  // namespace Ntrip
