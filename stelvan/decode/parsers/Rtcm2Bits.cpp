#include "Rtcm2Bits.h"

#include <algorithm>
#include <array>

#include "../parser/NoCoverage.h"
#include "Rtcm2Word.h"

namespace engine::rtcm2 {

namespace {

constexpr std::uint32_t kPreamble = 0x66, kPreambleComplement = 0x99;
constexpr std::size_t kFirstRoom = 1024;  // groups: a message of the parser's typical length

// For the first two groups (12 bits): the offsets 0..4 at which the whole
// preamble stands in them, and offset 5 when the seven bits there (the last
// bit of the first group, the whole second) begin it.
constexpr PlainTable<std::uint8_t, 4096> makeOffsetTable() {
  PlainTable<std::uint8_t, 4096> t{};
  for (std::uint32_t v = 0; v < 4096; ++v) {
    std::uint8_t m = 0;
    for (unsigned k = 0; k <= 4; ++k) {
      const std::uint32_t pre = (v >> (4 - k)) & 0xFF;
      if (pre == kPreamble || pre == kPreambleComplement) m |= static_cast<std::uint8_t>(1u << k);
    }
    const std::uint32_t seven = v & 0x7F;
    if (seven == kPreamble >> 1 || seven == kPreambleComplement >> 1) m |= 1u << 5;
    t.v[v] = m;
  }
  return t;
}
constexpr auto kOffsets = makeOffsetTable();

// For the scan: a byte's six bits, or 64 when it is not a valid byte; and
// by (six bits of a valid byte) << 7 | (that of the next byte), whether the
// pair may begin the preamble (never when the next byte is not valid).
constexpr PlainTable<std::uint8_t, 256> makeSixOrInvalid() {
  PlainTable<std::uint8_t, 256> t{};
  for (unsigned b = 0; b < 256; ++b) {
    const int v = detail::kSixBits.v[b];
    t.v[b] = static_cast<std::uint8_t>(v < 0 ? 64 : v);
  }
  return t;
}
constexpr auto kSixOrInvalid = makeSixOrInvalid();
constexpr PlainTable<bool, 64 * 128> makePairStarts() {
  PlainTable<bool, 64 * 128> t{};
  for (unsigned a = 0; a < 64; ++a)
    for (unsigned b = 0; b < 64; ++b) t.v[(a << 7) | b] = kOffsets.v[(a << 6) | b] != 0;
  return t;
}
constexpr auto kPairStarts = makePairStarts();

// preambleOffsets once the groups (two to six, from the first byte's) are gathered.
STELVAN_NO_COVERAGE unsigned offsetsOf(const std::uint8_t* six, std::size_t groups) {
  unsigned offsets = kOffsets.v[(static_cast<unsigned>(six[0]) << 6) | six[1]];
  if (offsets == 0) return 0;
  std::uint64_t v = 0;
  for (std::size_t j = 0; j < groups; ++j) v = (v << 6) | six[j];
  v <<= 6 * (6 - groups);  // 36 bits, the missing groups zero
  for (unsigned k = 0; k <= 5; ++k) {
    if (!(offsets & (1u << k))) continue;
    const std::size_t need = k ? 6 : 5;  // groups the whole word spans
    if (k == 5) {
      if (groups < 3) continue;  // the last preamble bit is not visible: keep it
      const std::uint32_t pre = static_cast<std::uint32_t>(v >> (28 - k)) & 0xFF;
      if (pre != kPreamble && pre != kPreambleComplement) {
        offsets &= ~(1u << k);
        continue;
      }
    }
    if (groups < need) continue;
    const auto raw = static_cast<std::uint32_t>(v >> (6 - k)) & 0x3FFFFFFF;
    const unsigned polarity = (raw >> 22) == kPreambleComplement ? 1 : 0;
    if (!parityOk(raw, 0, polarity) && !parityOk(raw, 1, polarity)) offsets &= ~(1u << k);
  }
  return offsets;
}

}  // namespace

namespace {
// Writes the groups of the valid bytes among p[from, to) and their 1-based
// offsets; returns how many. Plain work over bytes (see NoCoverage.h).
STELVAN_NO_COVERAGE std::size_t collect(const std::uint8_t* p, std::size_t from, std::size_t to,
                                        std::uint8_t* six, std::uint32_t* at) {
  std::size_t n = 0;
  for (std::size_t i = from; i < to; ++i) {
    const unsigned v = kSixOrInvalid.v[p[i]];
    six[n] = static_cast<std::uint8_t>(v);
    at[n] = static_cast<std::uint32_t>(i + 1);
    n += v < 64;
  }
  return n;
}
}  // namespace

// Gathering the groups is plain work too; what it came to shows in the parser.
STELVAN_NO_COVERAGE BitStream::Got BitStream::ensure(std::size_t groups) {
  while (m_count < groups) {
    if (m_scanned >= m_limit) return Got::TooLong;
    // Every byte still to come may be a valid one: ask for no more than that.
    const std::size_t want = std::min(m_limit, m_scanned + (groups - m_count));
    const std::uint8_t* p = m_view->bytes(want);
    if (!p) return Got::More;
    // The vectors only grow: an attempt after a long one needs no fresh room.
    if (m_six.size() < m_count + (want - m_scanned)) {
      // Room for a whole message at once: attempts grow a few groups at a time.
      m_six.resize(std::max({m_count + (want - m_scanned), 2 * m_six.size(), kFirstRoom}));
      m_at.resize(m_six.size());
    }
    m_count += collect(p, m_scanned, want, m_six.data() + m_count, m_at.data() + m_count);
    m_scanned = want;
  }
  return Got::Yes;
}

STELVAN_NO_COVERAGE BitStream::Got BitStream::word(std::size_t bit, std::uint32_t& raw) {
  const std::size_t q = bit / 6, r = bit % 6, groups = r ? 6 : 5;
  const Got got = ensure(q + groups);
  if (got != Got::Yes) return got;
  std::uint64_t v = 0;
  const std::uint8_t* six = m_six.data() + q;
  for (std::size_t j = 0; j < groups; ++j) v = (v << 6) | six[j];
  raw = static_cast<std::uint32_t>(r ? (v >> (6 - r)) & 0x3FFFFFFF : v);
  return Got::Yes;
}

STELVAN_NO_COVERAGE unsigned preambleOffsets(const std::uint8_t* p, std::size_t n) {
  // Most starts fail on the first two groups; look no further for them.
  const int s0 = sixBits(p[0]);
  std::size_t j = 1;
  while (j < n && sixBits(p[j]) < 0) ++j;
  if (s0 < 0 || j == n) return s0 < 0 ? 0 : 0x3F;
  if (kOffsets.v[(static_cast<unsigned>(s0) << 6) | static_cast<unsigned>(sixBits(p[j]))] == 0) return 0;
  std::uint8_t six[6];
  std::size_t groups = 0;
  for (std::size_t i = 0; i < n && groups < 6; ++i) {
    const int v = sixBits(p[i]);
    if (v >= 0) six[groups++] = static_cast<std::uint8_t>(v);
  }
  if (groups < 2) return 0x3F;
  return offsetsOf(six, groups);
}

namespace {
// Whether the valid byte with six bits `first` starts a word, the next
// valid byte being p[j] with `second`.
STELVAN_NO_COVERAGE bool startsWord(const std::uint8_t* p, std::size_t j, std::size_t avail, unsigned first,
                                    unsigned second) {
  if (!kPairStarts.v[(first << 7) | second]) return false;
  std::uint8_t groups[6] = {static_cast<std::uint8_t>(first), static_cast<std::uint8_t>(second)};
  std::size_t n = 2;
  for (std::size_t i = j + 1; i < avail && n < 6; ++i)
    if (kSixOrInvalid.v[p[i]] < 64) groups[n++] = kSixOrInvalid.v[p[i]];
  return offsetsOf(groups, n) != 0;
}
}  // namespace

// Valid bytes are taken pairwise (a byte and the next valid one): the pair
// table rules out nearly every start, the few left get the whole test. The
// loop has no branch on the bytes but for those few, as noise makes any
// branch on validity a coin toss.
STELVAN_NO_COVERAGE std::size_t nextPreambleStart(const std::uint8_t* p, std::size_t from, std::size_t to,
                                                  std::size_t avail) {
  std::size_t prev = to;  // the last valid byte, not yet settled; `to`: none
  unsigned prevSix = 0;
  for (std::size_t j = from; j < to; ++j) {
    const unsigned six = kSixOrInvalid.v[p[j]];
    if (kPairStarts.v[(prevSix << 7) | six] && prev < to && startsWord(p, j, avail, prevSix, six))
      return prev;
    const std::size_t keep = std::size_t{0} - (six >> 6);  // all ones: not valid, nothing moves
    prev = (prev & keep) | (j & ~keep);
    prevSix = (prevSix & static_cast<unsigned>(keep)) | (six & ~static_cast<unsigned>(keep));
  }
  // The last valid byte before `to` is settled by the next valid one, if visible.
  for (std::size_t j = to; j < avail && prev < to; ++j) {
    const unsigned six = kSixOrInvalid.v[p[j]];
    if (six == 64) continue;
    return startsWord(p, j, avail, prevSix, six) ? prev : to;
  }
  return prev;
}

}  // namespace engine::rtcm2
