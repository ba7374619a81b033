#include "session/RequestReader.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "gridlink/Framing.h"
#include "session/RequestPacket.h"

namespace ServerLink {
namespace {

bool hexDigits(const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (!std::isxdigit(p[i])) return false;
  return true;
}

bool plausibleStart(const std::uint8_t* p, std::size_t n) {
  return isFrameTag(p, n) || hexDigits(p, kRequestHeader);
}

// "00SetMsg %d %d" / "00LoadFile %d %d" ending exactly at its zero byte.
bool readBlockHeader(std::string_view header, IncomingRequest& out) {
  // The first two characters are the receiver id field, always "00" in a block.
  if (header.substr(0, 2) != "00") return false;
  for (std::string_view verb : {std::string_view("SetMsg"), std::string_view("LoadFile")}) {
    if (header.size() <= verb.size() + 3 || header.substr(2, verb.size()) != verb ||
        header[2 + verb.size()] != ' ')
      continue;
    const std::string numbers(header.substr(3 + verb.size()));
    int handle = 0, block = 0, used = -1;
    if (std::sscanf(numbers.c_str(), "%d %d%n", &handle, &block, &used) != 2 ||
        used != static_cast<int>(numbers.size()))
      return false;
    out.verb = verb;
    out.handle = handle;
    out.block = block;
    return true;
  }
  return false;
}

}  // namespace

RequestReader::RequestReader(std::string_view key) : m_Key(key), m_Buf(kInputBuffer) {}

std::span<std::uint8_t> RequestReader::writable() {
  if (m_Begin > 0) {
    std::memmove(m_Buf.data(), m_Buf.data() + m_Begin, buffered());
    m_End -= m_Begin;
    m_Begin = 0;
  }
  return {m_Buf.data() + m_End, m_Buf.size() - m_End};
}

void RequestReader::commit(std::size_t n) {
  m_End += n < m_Buf.size() - m_End ? n : m_Buf.size() - m_End;
}

std::size_t RequestReader::feed(const void* data, std::size_t n) {
  const auto room = writable();
  const std::size_t take = n < room.size() ? n : room.size();
  if (take) std::memcpy(room.data(), data, take);
  commit(take);
  return take;
}

RequestScan RequestReader::drop(std::string_view why, std::size_t consumed) {
  m_LastDrop = why;
  m_Begin += consumed;
  return RequestScan::Dropped;
}

// Past the first byte, up to the next frame tag or six hex digits. The last five bytes
// cannot be judged yet and stay.
std::size_t RequestReader::skipToStart(const std::uint8_t* p, std::size_t n) const {
  std::size_t at = 1;
  while (n - at >= kRequestHeader && !plausibleStart(p + at, n - at)) ++at;
  return at;
}

RequestScan RequestReader::scanFrame(std::uint8_t* p, std::size_t n, IncomingRequest& out) {
  const std::size_t frame = frameLength(p);
  if (p[2] != kFrameHeader || frame < kMinFrame || frame > kMaxFrame)
    return drop("bad frame header", skipToStart(p, n));
  if (frame > n) return RequestScan::NeedMore;
  const std::size_t plain = UnCryptPacket(p, frame, m_Key);
  const auto request = plain ? parseRequestPacket(p, plain) : std::nullopt;
  if (!request) return drop("frame does not restore", frame);
  if (request->text.find('\0') != std::string_view::npos) return drop("zero byte in request", frame);
  out = IncomingRequest();
  out.rcvId = request->rcvId;
  out.scrambled = true;
  out.text = request->text;
  m_Begin += frame;
  return RequestScan::Request;
}

RequestScan RequestReader::scanPlain(const std::uint8_t* p, std::size_t n, IncomingRequest& out) {
  if (!hexDigits(p, kRequestHeader)) return drop("unreadable header", skipToStart(p, n));
  const char* c = reinterpret_cast<const char*>(p);
  const std::size_t length = Zrx::hexField(4, c);
  const std::uint8_t rcvId = static_cast<std::uint8_t>(Zrx::hexField(2, c + 4));
  // A block: its length counts everything, and its header ends at a zero byte inside it.
  if (length <= n && length > kRequestHeader) {
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(p + 4, 0, length - 4));
    IncomingRequest block;
    if (zero && static_cast<std::size_t>(zero - p) + 1 + kMaxBlockData >= length &&
        readBlockHeader(std::string_view(c + 4, static_cast<std::size_t>(zero - p) - 4), block)) {
      block.rcvId = rcvId;
      block.data.assign(reinterpret_cast<const char*>(zero + 1),
                        length - static_cast<std::size_t>(zero + 1 - p));
      out = std::move(block);
      m_Begin += length;
      return RequestScan::Block;
    }
  }
  // The start of a block still on its way.
  const auto startsWith = [&](std::string_view s) {
    return n >= 4 + s.size() && std::memcmp(c + 4, s.data(), s.size()) == 0;
  };
  if (length > n && (startsWith("00SetMsg ") || startsWith("00LoadFile "))) return RequestScan::NeedMore;
  // A request: no zero byte in the text, one right after it. A zero byte seen early settles it
  // without waiting for the rest.
  const std::size_t held = n - kRequestHeader < length ? n - kRequestHeader : length;
  if (std::memchr(p + kRequestHeader, 0, held)) return drop("zero byte in request", skipToStart(p, n));
  if (kRequestHeader + length + 1 > n) return RequestScan::NeedMore;
  if (p[kRequestHeader + length] != 0) return drop("request not terminated", skipToStart(p, n));
  out = IncomingRequest();
  out.rcvId = rcvId;
  out.text.assign(c + kRequestHeader, length);
  m_Begin += kRequestHeader + length + 1;
  return RequestScan::Request;
}

RequestScan RequestReader::next(IncomingRequest& out) {
  std::uint8_t* p = m_Buf.data() + m_Begin;
  const std::size_t n = buffered();
  if (n < kRequestHeader) return RequestScan::NeedMore;
  if (isFrameTag(p, n)) return scanFrame(p, n, out);
  return scanPlain(p, n, out);
}

}  // namespace ServerLink
