#pragma once
// ZRX framing: frame layout, the three checksum kinds, command sealing and the
// resynchronising frame scanner. Pure functions, no state, callable from any
// thread; the scanner never reads past the bytes it is given. A static library
// of its own (gridlink_framing), not part of libgridlink's exported interface.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Zrx {

constexpr std::size_t kHeaderSize = 5;        // two identifier characters + three length digits
constexpr std::size_t kMaxBody = 0xFFF;       // 4095
constexpr std::size_t kMaxFrame = kMaxBody + kHeaderSize;  // 4100
constexpr std::size_t kCommandBuffer = 2048;  // command text + seal + CR LF + terminating zero

// Identifiers as 16-bit values, first character high ("RE" is 0x5245).
constexpr std::uint16_t msgcode(char a, char b) {
  return static_cast<std::uint16_t>((static_cast<unsigned char>(a) << 8) | static_cast<unsigned char>(b));
}
constexpr std::uint16_t kReply = msgcode('R', 'E');
constexpr std::uint16_t kError = msgcode('E', 'R');
constexpr std::uint16_t kWrapper = msgcode('>', '>');
constexpr std::uint16_t kRcvTime = msgcode('~', '~');
constexpr std::uint16_t kEvent = msgcode('=', '=');
constexpr std::uint16_t kEpochTime = msgcode(':', ':');
constexpr std::uint16_t kEpochEnd = msgcode('|', '|');

// Kind 1: rotating XOR over 8 bits, with the final extra rotation.
std::uint8_t checksum8(const void* bytes, std::size_t count);
// Kind 2: kind 1 as two hexadecimal digits, high digit first.
std::array<char, 2> textChecksum(const void* bytes, std::size_t count, bool upperCase = true);
// Kind 3: CRC-16/XMODEM (poly 0x1021, init 0, MSB first, no final XOR).
std::uint16_t crc16(const void* bytes, std::size_t count, std::uint16_t crc = 0);

// Value of `count` hexadecimal digits (either case); 0 when any digit is invalid.
unsigned hexField(std::size_t count, const char* chars);

// The line to send for a command text: sealed with "@" + two lowercase digits
// unless the text holds ";", LF, "@", "#", "||" or "&&"; always ends in CR LF.
// Returns an empty string when the line would not fit the 2048-byte command buffer.
std::string sealCommand(std::string_view text);

// Result of one scan over the front of a receive buffer.
struct FrameScan {
  std::size_t skip = 0;     // noise bytes to drop from the front
  std::size_t length = 0;   // total length of the frame candidate at buf + skip (0: none yet)
  bool complete = false;    // true when the whole candidate is buffered
};

// Finds the next frame start in buf[0, available). When `complete`, the frame is
// buf[skip, skip + length); otherwise drop `skip` bytes and wait for more data.
FrameScan findFrame(const std::uint8_t* buf, std::size_t available);

// True when the identifier/length pair at p (5 bytes) may start a frame.
bool isFrameStart(const std::uint8_t* p, unsigned length);

// Link-layer check of a ">>" wrapper frame: text checksum over all but the last
// two bytes, compared with those two digits (either case).
bool wrapperChecksumOk(const std::uint8_t* frame, std::size_t length);

}  // namespace Zrx
