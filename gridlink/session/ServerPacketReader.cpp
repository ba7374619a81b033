#include "session/ServerPacketReader.h"

#include <cstring>

#include "gridlink/Framing.h"

namespace ServerLink {
namespace {

constexpr std::size_t kLengthDigits = 4;

bool readableLength(std::size_t length, PacketForm form) {
  return length >= minPacket(form) && length <= kMaxPacket;
}

std::size_t lengthAt(const std::uint8_t* p) {
  return Zrx::hexField(kLengthDigits, reinterpret_cast<const char*>(p));
}

std::uint32_t le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

ScanResult dropped(DropReason reason, std::size_t consumed) {
  ScanResult r;
  r.status = ScanStatus::Dropped;
  r.reason = reason;
  r.consumed = consumed;
  return r;
}

// Skips from the front until a readable length or a frame tag. The last five
// bytes cannot be judged yet (a frame tag needs six) and stay, so the result
// does not depend on how the stream was cut into reads.
ScanResult skipUnreadable(const std::uint8_t* buf, std::size_t n, PacketForm form) {
  std::size_t at = 1;
  while (n - at >= kFrameHeader && !isFrameTag(buf + at, n - at) && !readableLength(lengthAt(buf + at), form))
    ++at;
  return dropped(DropReason::BadLength, at);
}

// A whole packet of `length` bytes (already checked to be readable and held by buf).
ScanResult takePacket(const std::uint8_t* buf, std::size_t length, PacketForm form) {
  if (form == PacketForm::Remote &&
      packetChecksum(buf, length - kChecksumSize) != le32(buf + length - kChecksumSize))
    return dropped(DropReason::BadChecksum, 1);
  ScanResult r;
  r.status = ScanStatus::Packet;
  r.consumed = length;
  r.header = readHeader(buf);
  r.payloadOffset = kHeaderSize;
  r.payloadLength = length - kHeaderSize - (form == PacketForm::Remote ? kChecksumSize : 0);
  return r;
}

ScanResult scanFrame(std::uint8_t* buf, std::size_t n, PacketForm form, std::string_view key) {
  const std::size_t frame = frameLength(buf);
  if (buf[2] != kFrameHeader || frame < kMinFrame || frame > kMaxFrame)
    return dropped(DropReason::BadFrame, 1);
  if (frame > n) return {};
  const std::size_t plain = UnCryptPacket(buf, frame, key);
  // The packet inside must lie within the restored bytes, not the rest of the frame.
  if (plain < kLengthDigits) return dropped(DropReason::BadFrame, frame);
  const std::size_t length = lengthAt(buf);
  if (!readableLength(length, form) || length > plain) return dropped(DropReason::BadFrame, frame);
  ScanResult r = takePacket(buf, length, form);
  r.consumed = frame;  // a bad checksum drops the whole frame, too
  r.scrambled = r.status == ScanStatus::Packet;
  return r;
}

}  // namespace

std::string_view dropNotice(DropReason reason) {
  switch (reason) {
    case DropReason::BadLength:
      return " NewBuf -- ";
    case DropReason::BadChecksum:
      return "\r\nError CRC!";
    case DropReason::BadFrame:
      return "ERDLL:Error uncript";
    case DropReason::None:
      break;
  }
  return {};
}

ScanResult scanServerPacket(std::uint8_t* buf, std::size_t n, PacketForm form, std::string_view key) {
  if (!buf || n < kFrameHeader) return {};
  if (isFrameTag(buf, n)) return scanFrame(buf, n, form, key);
  const std::size_t length = lengthAt(buf);
  if (!readableLength(length, form)) return skipUnreadable(buf, n, form);
  if (length > n) return {};
  return takePacket(buf, length, form);
}

std::string_view ServerPacket::text() const {
  std::string_view t(reinterpret_cast<const char*>(payload.data()), payload.size());
  if (!t.empty() && t.back() == '\0') t.remove_suffix(1);
  return t;
}

ServerPacketReader::ServerPacketReader(PacketForm form, std::string_view key)
    : m_Form(form), m_Key(key), m_Buf(kInputBuffer) {}

std::span<std::uint8_t> ServerPacketReader::writable() {
  if (m_Begin > 0) {
    std::memmove(m_Buf.data(), m_Buf.data() + m_Begin, buffered());
    m_End -= m_Begin;
    m_Begin = 0;
    m_Dropped = {};
  }
  return {m_Buf.data() + m_End, m_Buf.size() - m_End};
}

void ServerPacketReader::commit(std::size_t n) {
  m_End += n < m_Buf.size() - m_End ? n : m_Buf.size() - m_End;
}

std::size_t ServerPacketReader::feed(const void* data, std::size_t n) {
  const auto room = writable();
  const std::size_t take = n < room.size() ? n : room.size();
  if (take) std::memcpy(room.data(), data, take);
  commit(take);
  return take;
}

ScanStatus ServerPacketReader::next(ServerPacket& out) {
  std::uint8_t* front = m_Buf.data() + m_Begin;
  const ScanResult r = scanServerPacket(front, buffered(), m_Form, m_Key);
  m_Begin += r.consumed;
  if (r.status == ScanStatus::Dropped) {
    m_LastDrop = r.reason;
    m_Dropped = {front, r.consumed};
    ++m_Drops;
  } else if (r.status == ScanStatus::Packet) {
    out.type = r.header.type;
    out.rcvId = r.header.rcvId;
    out.result = r.header.result;
    out.scrambled = r.scrambled;
    out.payload = {front + r.payloadOffset, r.payloadLength};
    ++m_Packets;
  }
  return r.status;
}

void ServerPacketReader::clear() {
  m_Begin = m_End = 0;
  m_LastDrop = DropReason::None;
  m_Dropped = {};
}

}  // namespace ServerLink
