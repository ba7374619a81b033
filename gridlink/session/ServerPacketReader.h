#pragma once
// Turns the bytes of a server link, as they arrive, into whole server packets.
// Handles packets split across reads and several packets in one read, plain
// packets and scrambled frames. Every length read from the wire is checked
// against the bytes it claims before anything is read through it.
//
// Bad input never ends the stream; the reader resynchronises and reports a
// drop the caller logs:
//   - unreadable length (not hex, 0, 0xFFFF, or below the smallest packet):
//     skip bytes until a readable length or a frame tag (" NewBuf -- " + bytes);
//   - remote packet with a wrong checksum: skip one byte ("\r\nError CRC!");
//   - scrambled frame that is malformed, does not restore, or holds no whole
//     packet: drop the frame ("ERDLL:Error uncript"); a frame header with an
//     impossible length (below 11 or above 4096): skip one byte.
// Every call of scanServerPacket either consumes at least one byte or asks for
// more data while the packet it waits for still fits the input buffer.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "session/PacketScrambler.h"
#include "session/ServerPacket.h"

namespace ServerLink {

enum class ScanStatus { NeedMore, Packet, Dropped };
enum class DropReason { None, BadLength, BadChecksum, BadFrame };

// Log text of a drop ("" for None); a BadLength text is followed by the bytes.
std::string_view dropNotice(DropReason reason);

struct ScanResult {
  ScanStatus status = ScanStatus::NeedMore;
  DropReason reason = DropReason::None;
  std::size_t consumed = 0;       // bytes to remove from the front
  ServerPacketHeader header;      // Packet: the header fields
  std::size_t payloadOffset = 0;  // Packet: payload at buf + payloadOffset
  std::size_t payloadLength = 0;  // Packet: local payloads keep their zero byte
  bool scrambled = false;         // Packet: came in a scrambled frame
};

// One step over buf[0, n). May restore a complete scrambled frame at the front
// in place (its bytes then hold the plain packet). Reads nothing outside buf[0, n).
ScanResult scanServerPacket(std::uint8_t* buf, std::size_t n, PacketForm form,
                            std::string_view key = kPacketKey);

struct ServerPacket {
  std::uint16_t type = 0;
  std::uint8_t rcvId = 0;
  std::uint8_t result = 0;
  bool scrambled = false;
  std::span<const std::uint8_t> payload;  // valid until the reader is next used

  unsigned kind() const { return kindOf(type); }
  unsigned slot() const { return slotOf(type); }
  // The payload as text, without the local server's terminating zero.
  std::string_view text() const;
};

// Owned by the connection thread; not for concurrent use.
class ServerPacketReader {
 public:
  // 65535 bytes of input, as much as one read may bring.
  static constexpr std::size_t kInputBuffer = 65535;

  explicit ServerPacketReader(PacketForm form, std::string_view key = kPacketKey);

  // Free space after the kept bytes, to read into directly; then commit(n).
  // Once next() has returned NeedMore it is at least 2 bytes long (a 1-byte
  // socket read would look like a closed peer).
  std::span<std::uint8_t> writable();
  void commit(std::size_t n);
  // Copies as much of data as fits; returns the count taken.
  std::size_t feed(const void* data, std::size_t n);

  // The next packet or drop, or NeedMore. Call until NeedMore before writing more.
  ScanStatus next(ServerPacket& out);

  // After Dropped: why, and the bytes dropped (valid until the reader is next used).
  DropReason lastDrop() const { return m_LastDrop; }
  std::span<const std::uint8_t> lastDropped() const { return m_Dropped; }

  std::size_t buffered() const { return m_End - m_Begin; }
  std::uint64_t packets() const { return m_Packets; }
  std::uint64_t drops() const { return m_Drops; }
  void clear();

 private:
  PacketForm m_Form;
  std::string m_Key;
  std::vector<std::uint8_t> m_Buf;
  std::size_t m_Begin = 0, m_End = 0;
  DropReason m_LastDrop = DropReason::None;
  std::span<const std::uint8_t> m_Dropped;
  std::uint64_t m_Packets = 0, m_Drops = 0;
};

}  // namespace ServerLink
