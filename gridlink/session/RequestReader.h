#pragma once
// The server's side of a client link: turns the bytes a client sends, as they arrive, into
// requests and upload blocks. Three forms reach a server:
//   - plain request: "%04x" text length, "%02x" receiver id, the text, a zero byte;
//   - scrambled frame holding a request packet (without its zero byte);
//   - upload block (never scrambled): "%04x" length of the whole block, "00SetMsg %d %d" or
//     "00LoadFile %d %d", a zero byte, then the data.
// A request's text never holds a zero byte, so a plain request and a block cannot be taken
// for each other: the zero byte after a block's header lies inside the length a request
// would claim.
//
// Bad input never ends the stream: an unreadable start, a zero byte inside a request's text or
// a missing terminator drops bytes up to the next plausible packet start; a frame that does
// not restore is dropped whole. Every call of next() consumes at least one byte or asks for
// more data, and the longest packet always fits the input buffer. Owned by one thread.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "session/PacketScrambler.h"

namespace ServerLink {

enum class RequestScan { NeedMore, Request, Block, Dropped };

struct IncomingRequest {
  std::uint8_t rcvId = 0;
  bool scrambled = false;
  std::string text;  // Request: the request text
  // Block: the verb ("SetMsg" or "LoadFile"), the handle the opening request returned, the
  // block number (-2 for the last) and the data.
  std::string verb;
  int handle = 0;
  int block = 0;
  std::string data;
};

class RequestReader {
 public:
  // A plain request of the longest text: header, 0xFFFF bytes, zero byte.
  static constexpr std::size_t kInputBuffer = 6 + 0xFFFF + 1;
  static constexpr std::size_t kMaxBlockData = 4096;

  explicit RequestReader(std::string_view key = kPacketKey);

  // Free space after the kept bytes, to read into directly; then commit(n).
  std::span<std::uint8_t> writable();
  void commit(std::size_t n);
  std::size_t feed(const void* data, std::size_t n);

  // The next request, block or drop, or NeedMore. Call until NeedMore before writing more.
  RequestScan next(IncomingRequest& out);
  // After Dropped: why, for the log.
  std::string_view lastDrop() const { return m_LastDrop; }

  std::size_t buffered() const { return m_End - m_Begin; }

 private:
  RequestScan drop(std::string_view why, std::size_t consumed);
  RequestScan scanFrame(std::uint8_t* p, std::size_t n, IncomingRequest& out);
  RequestScan scanPlain(const std::uint8_t* p, std::size_t n, IncomingRequest& out);
  std::size_t skipToStart(const std::uint8_t* p, std::size_t n) const;

  std::string m_Key;
  std::vector<std::uint8_t> m_Buf;
  std::size_t m_Begin = 0, m_End = 0;
  std::string_view m_LastDrop;
};

}  // namespace ServerLink
