#include "gridlink/Framing.h"

#include <cstring>

namespace Zrx {
namespace {

constexpr std::uint8_t rotl2(std::uint8_t x) { return static_cast<std::uint8_t>((x << 2) | (x >> 6)); }

// v: one byte; by[k]: a byte followed by k + 1 zero bytes, so that four
// bytes take four independent lookups instead of a chain of four.
struct CrcTable {
  std::uint16_t v[256];
  std::uint16_t by[3][256];
  constexpr CrcTable() : v{}, by{} {
    for (unsigned i = 0; i < 256; ++i) {
      std::uint16_t c = static_cast<std::uint16_t>(i << 8);
      for (int k = 0; k < 8; ++k) c = static_cast<std::uint16_t>((c & 0x8000) ? (c << 1) ^ 0x1021 : c << 1);
      v[i] = c;
    }
    for (unsigned i = 0; i < 256; ++i) {
      std::uint16_t c = v[i];
      for (auto& t : by) {
        c = static_cast<std::uint16_t>((c << 8) ^ v[c >> 8]);
        t[i] = c;
      }
    }
  }
};
constexpr CrcTable kCrc;

// 0xFF marks a character that is not a hexadecimal digit.
struct HexTable {
  std::uint8_t v[256];
  constexpr HexTable() : v{} {
    for (auto& x : v) x = 0xFF;
    for (int c = '0'; c <= '9'; ++c) v[c] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) v[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) v[c] = static_cast<std::uint8_t>(c - 'a' + 10);
  }
};
constexpr HexTable kHex;

// Bytes that may form an ordinary data identifier: ASCII letters and digits.
struct AlnumTable {
  bool v[256];
  constexpr AlnumTable() : v{} {
    for (int c = '0'; c <= '9'; ++c) v[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) v[c] = true;
    for (int c = 'a'; c <= 'z'; ++c) v[c] = true;
  }
};
constexpr AlnumTable kAlnum;

constexpr char kLowerDigits[] = "0123456789abcdef";
constexpr char kUpperDigits[] = "0123456789ABCDEF";

}  // namespace

std::uint8_t checksum8(const void* bytes, std::size_t count) {
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  std::uint8_t cs = 0;
  for (std::size_t i = 0; i < count; ++i) cs = rotl2(cs) ^ p[i];
  return rotl2(cs);
}

std::array<char, 2> textChecksum(const void* bytes, std::size_t count, bool upperCase) {
  const std::uint8_t cs = checksum8(bytes, count);
  const char* digits = upperCase ? kUpperDigits : kLowerDigits;
  return {digits[cs >> 4], digits[cs & 0x0F]};
}

std::uint16_t crc16(const void* bytes, std::size_t count, std::uint16_t crc) {
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  for (; count >= 4; count -= 4, p += 4)
    crc = static_cast<std::uint16_t>(kCrc.by[2][(crc >> 8) ^ p[0]] ^ kCrc.by[1][(crc & 0xFF) ^ p[1]] ^
                                     kCrc.by[0][p[2]] ^ kCrc.v[p[3]]);
  for (std::size_t i = 0; i < count; ++i)
    crc = static_cast<std::uint16_t>((crc << 8) ^ kCrc.v[((crc >> 8) ^ p[i]) & 0xFF]);
  return crc;
}

unsigned hexField(std::size_t count, const char* chars) {
  unsigned value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t d = kHex.v[static_cast<unsigned char>(chars[i])];
    if (d == 0xFF) return 0;
    value = (value << 4) | d;
  }
  return value;
}

std::string sealCommand(std::string_view text) {
  const bool plain = text.find_first_of(";\n@#") == std::string_view::npos &&
                     text.find("||") == std::string_view::npos && text.find("&&") == std::string_view::npos;
  const std::size_t need = text.size() + (plain ? 3 : 0) + 2 + 1;
  if (need > kCommandBuffer) return {};
  std::string line;
  line.reserve(need);
  line.append(text);
  if (plain) {
    line.push_back('@');
    const auto cs = textChecksum(line.data(), line.size(), false);
    line.append(cs.data(), 2);
  }
  line.append("\r\n");
  return line;
}

bool isFrameStart(const std::uint8_t* p, unsigned length) {
  const std::uint16_t id = msgcode(static_cast<char>(p[0]), static_cast<char>(p[1]));
  if (id == kReply) return true;
  if (length < 1) return false;
  switch (id) {
    case kError:
    case kWrapper:
    case kRcvTime:
    case kEvent:
    case kEpochTime:
    case kEpochEnd:
      return true;
    default:
      return kAlnum.v[p[0]] && kAlnum.v[p[1]];
  }
}

FrameScan findFrame(const std::uint8_t* buf, std::size_t available) {
  FrameScan scan;
  std::size_t pos = 0;
  // Six bytes are needed to judge a candidate, except that an empty frame of
  // five bytes already complete at the end of the buffer is taken at once, so
  // a lone "RE000" reply is not held back until some later byte arrives.
  while (available - pos >= kHeaderSize) {
    const std::uint8_t* p = buf + pos;
    const unsigned length = hexField(3, reinterpret_cast<const char*>(p + 2));
    const std::size_t total = length + kHeaderSize;
    if (available - pos < kHeaderSize + 1 && total > available - pos) break;
    if (isFrameStart(p, length)) {
      scan.skip = pos;
      scan.length = total;
      scan.complete = total <= available - pos;
      return scan;
    }
    ++pos;
  }
  scan.skip = pos;
  return scan;
}

bool wrapperChecksumOk(const std::uint8_t* frame, std::size_t length) {
  if (length < kHeaderSize + 2) return false;
  const auto cs = checksum8(frame, length - 2);
  const unsigned got = hexField(2, reinterpret_cast<const char*>(frame + length - 2));
  // hexField gives 0 for a bad digit; "00" is still a legitimate checksum, so
  // compare the digits' validity too.
  if (got == 0 && !(frame[length - 2] == '0' && frame[length - 1] == '0')) return false;
  return got == cs;
}

}  // namespace Zrx
