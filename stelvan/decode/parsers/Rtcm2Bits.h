#pragma once
// The bit stream of an RTCM 2 candidate: the six data bits of the valid
// bytes from the attempt's first byte on, with the 1-based offset of the
// byte each group came from. Bytes without the top bits 01 are skipped, as
// links that add such bytes between the data bytes do not break the word
// stream. Words may start at any bit of a group. The parser owns one and
// clears it per attempt, so the vectors are allocated once.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ReadSupport.h"

namespace engine::rtcm2 {

class BitStream {
 public:
  enum class Got { Yes, More, TooLong };  // More: the reader ran out of bytes

  void clear(parsers::View* view) {
    m_view = view;
    m_scanned = 0;
    m_count = 0;
  }
  // No group is collected from beyond this many bytes.
  void setLimit(std::size_t bytes) { m_limit = bytes; }
  // At least `groups` groups collected.
  Got ensure(std::size_t groups);
  // The 30-bit word whose first bit is bit `bit` of the group stream (bit 0:
  // the first group's most significant bit).
  Got word(std::size_t bit, std::uint32_t& raw);
  // 1-based offset of the byte that holds bit `bit`; the bit must have been read.
  std::size_t offsetOfBit(std::size_t bit) const { return m_at[bit / 6]; }

 private:
  parsers::View* m_view = nullptr;
  std::size_t m_limit = 0, m_scanned = 0;
  std::size_t m_count = 0;          // groups collected; the vectors may hold more room
  std::vector<std::uint8_t> m_six;  // [0, m_count): the groups
  std::vector<std::uint32_t> m_at;
};

// Bit offsets (0..5, bit k set in the answer) within the first group at
// which the first visible bytes may begin a word whose first eight data
// bits are the preamble in either polarity. Conservative: an offset the
// visible bytes cannot settle is included. `p[0]` must be a valid byte.
unsigned preambleOffsets(const std::uint8_t* p, std::size_t n);

// The first position in [from, to) of p at which preambleOffsets, with the
// bytes p[.., avail) visible, finds an offset, or `to`: the next start of a
// message in the bytes.
std::size_t nextPreambleStart(const std::uint8_t* p, std::size_t from, std::size_t to, std::size_t avail);

}  // namespace engine::rtcm2
