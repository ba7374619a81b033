#include "ZrxIdTable.h"

#include <algorithm>

#include "gridlink/Framing.h"

namespace engine::zrx {

IdTable::IdTable() : slots_(kSpan * kSpan) {}

void IdTable::clear() {
  std::fill(slots_.begin(), slots_.end(), IdEntry{});
}

void IdTable::setDefaults() {
  clear();
  for (const char* id : {"RE", "ER", "ZF"}) enter(id, CheckClass::Text, kDefaultMaxBody);
  for (const char* id : {"PM", "DL", "MF"}) enter(id, CheckClass::HexText, kDefaultMaxBody);
}

bool IdTable::enter(std::string_view id, CheckClass cls, unsigned maxBody, int expected) {
  if (id.size() != 2 || cls == CheckClass::None) return false;
  const auto a = static_cast<std::uint8_t>(id[0]), b = static_cast<std::uint8_t>(id[1]);
  if (!isIdChar(a) || !isIdChar(b)) return false;
  IdEntry& e = slots_[index(a, b)];
  // A class looked up earlier keeps the identifier.
  if (e.cls != CheckClass::None && e.cls > cls) return true;
  e.cls = cls;
  e.maxBody = static_cast<std::uint16_t>(std::min(maxBody, kDefaultMaxBody));
  e.expected = expected;
  return true;
}

std::size_t IdTable::count(CheckClass cls) const {
  return static_cast<std::size_t>(
      std::count_if(slots_.begin(), slots_.end(), [cls](const IdEntry& e) { return e.cls == cls; }));
}

CheckClass classForChecksumType(int typeCode) {
  switch (typeCode) {
    case 9:
      return CheckClass::Binary;
    case 10:
      return CheckClass::Crc;
    case 16:
      return CheckClass::HexText;
    default:
      return CheckClass::Text;
  }
}

namespace {
constexpr std::string_view kAliases[][2] = {{"RT", "~~"}, {"ET", "::"}, {"EV", "=="}, {"EE", "||"}};
}

std::string_view streamIdOf(std::string_view name) {
  for (const auto& a : kAliases)
    if (a[0] == name) return a[1];
  return name;
}

std::string_view nameOfStreamId(std::string_view id) {
  for (const auto& a : kAliases)
    if (a[1] == id) return a[0];
  return id;
}

namespace {
int upperHexDigit(std::uint8_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
bool crcMatches(const std::uint8_t* frame, std::size_t bodyLength) {
  const std::size_t n = bodyLength + Zrx::kHeaderSize - 2;
  const std::uint16_t crc = Zrx::crc16(frame, n);
  return frame[n] == (crc & 0xFF) && frame[n + 1] == (crc >> 8);
}
bool textMatches(const std::uint8_t* frame, std::size_t bodyLength) {
  const std::size_t n = bodyLength + Zrx::kHeaderSize - 2;
  const auto cs = Zrx::textChecksum(frame, n, true);
  return frame[n] == static_cast<std::uint8_t>(cs[0]) && frame[n + 1] == static_cast<std::uint8_t>(cs[1]);
}
}  // namespace

int lengthField(const std::uint8_t* d) {
  const int a = upperHexDigit(d[0]), b = upperHexDigit(d[1]), c = upperHexDigit(d[2]);
  if (a < 0 || b < 0 || c < 0) return -1;
  return (a << 8) | (b << 4) | c;
}

int checkBinary(const std::uint8_t* frame, std::size_t bodyLength) {
  return Zrx::checksum8(frame, bodyLength + Zrx::kHeaderSize) == 0 ? 0 : 5002;
}

int checkCrc(const std::uint8_t* frame, std::size_t bodyLength) {
  return bodyLength >= 2 && crcMatches(frame, bodyLength) ? 0 : 5002;
}

int checkHexText(const std::uint8_t* frame, std::size_t bodyLength) {
  return bodyLength >= 2 && textMatches(frame, bodyLength) ? 0 : 5002;
}

// The text checksum is the binary one's first part: one pass serves both,
// and the CRC is only computed when neither matches.
int checkByTrial(const std::uint8_t* frame, std::size_t bodyLength) {
  const std::size_t n = bodyLength + Zrx::kHeaderSize;
  const std::uint8_t head = Zrx::checksum8(frame, n - 2);  // over the bytes before the last two
  const auto rotl2 = [](std::uint8_t c) { return static_cast<std::uint8_t>((c << 2) | (c >> 6)); };
  const std::uint8_t binary = rotl2(rotl2(head ^ frame[n - 2]) ^ frame[n - 1]);  // head is the state, turned
  if (binary == 0) return 0;
  if (bodyLength <= 1) return -1;
  static constexpr char kDigits[] = "0123456789ABCDEF";
  if (frame[n - 2] == static_cast<std::uint8_t>(kDigits[head >> 4]) &&
      frame[n - 1] == static_cast<std::uint8_t>(kDigits[head & 0x0F]))
    return 0;
  return crcMatches(frame, bodyLength) ? 0 : 5002;
}

}  // namespace engine::zrx
