#pragma once
// The ZRX parser's identifier tables: which check each identifier gets, its
// maximum body length and its expected whole-frame length. The four classes
// are kept in one flat table indexed by the two identifier characters
// (0x30..0x7E); an identifier entered into several classes answers with the
// class that is looked up first (binary, text, CRC, hex text). Not locked: the
// owning parser is.
#include <cstdint>
#include <string_view>
#include <vector>

namespace engine::zrx {

enum class CheckClass : std::uint8_t { None = 0, HexText = 1, Crc = 2, Text = 3, Binary = 4 };

constexpr unsigned kDefaultMaxBody = 4095;
constexpr unsigned kUnknownMaxBody = 1024;  // limit for identifiers found in no table
constexpr int kAnyLength = -1;

struct IdEntry {
  CheckClass cls = CheckClass::None;
  std::uint16_t maxBody = 0;
  std::int32_t expected = kAnyLength;  // whole-frame length, or -1 for any
};

inline bool isIdChar(std::uint8_t c) {
  return c >= 0x30 && c <= 0x7E;
}

class IdTable {
 public:
  IdTable();
  void clear();
  // "RE", "ER", "ZF" text; "PM", "DL", "MF" hex text; no CRC or binary entries.
  void setDefaults();
  // False when the identifier is not two characters of 0x30..0x7E.
  bool enter(std::string_view id, CheckClass cls, unsigned maxBody, int expected = kAnyLength);
  // Null when the identifier is in no table.
  const IdEntry* find(std::uint8_t a, std::uint8_t b) const {
    if (!isIdChar(a) || !isIdChar(b)) return nullptr;
    const IdEntry& e = slots_[index(a, b)];
    return e.cls == CheckClass::None ? nullptr : &e;
  }
  std::size_t count(CheckClass cls) const;

 private:
  static constexpr unsigned kSpan = 0x7E - 0x30 + 1;
  static unsigned index(std::uint8_t a, std::uint8_t b) { return (a - 0x30u) * kSpan + (b - 0x30u); }
  std::vector<IdEntry> slots_;
};

// Class chosen by a message description's checksum type ("cs" field).
CheckClass classForChecksumType(int typeCode);

// Stream identifier of a requested message name ("RT" is "~~", "ET" "::", "EV" "==",
// "EE" "||") and the reverse; every other name is its own identifier.
std::string_view streamIdOf(std::string_view name);
std::string_view nameOfStreamId(std::string_view id);

// Length field: three uppercase hexadecimal digits; -1 otherwise.
int lengthField(const std::uint8_t* digits);

// Checks of a whole frame of L + 5 bytes. 0 when sound, 5002 on a checksum mismatch.
int checkBinary(const std::uint8_t* frame, std::size_t bodyLength);
int checkCrc(const std::uint8_t* frame, std::size_t bodyLength);
int checkHexText(const std::uint8_t* frame, std::size_t bodyLength);
// Trial of an identifier in no table: checksum8, then CRC-16 or uppercase text
// checksum. 0 accepted, 5002 refused with status, -1 refused without status.
int checkByTrial(const std::uint8_t* frame, std::size_t bodyLength);

}  // namespace engine::zrx
