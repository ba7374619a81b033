#pragma once
// The fast part of the unknown-byte run: three 64 Ki tables over byte pairs
// say, for each position, which parsers' start tests may pass there (first
// and second byte, second and third, fourth and fifth), so a run of bytes no
// parser may start at costs three lookups a byte. A format the pairs cannot
// narrow brings its own start search instead. Positions found still get the
// parsers' own start tests. What was searched is remembered by stream
// position, so bytes passed over once are not searched again when a run
// ends early. Built from the worker's view of the pool and rebuilt when that
// changes; worker only.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "../parser/NoCoverage.h"
#include "C_ParserPool.h"

namespace engine {

class UnknownScan {
 public:
  // Positions a table lookup reads past the one it answers for.
  static constexpr std::size_t kLookAhead = 4;

  // Brings the tables up to date with `order`; false when they cannot serve
  // it (too many parsers), and then next() must not be used.
  bool update(const std::vector<C_ParserPool::Candidate>& order);
  // Forgets what was searched (a new stream whose positions start again).
  void forget() { std::fill(m_clear.begin(), m_clear.end(), 0); }
  // The first position in [from, to) at which some parser may start, or
  // `to`; `which` then holds the parsers that may (bit bitOf(entry) for the
  // parser of pool entry `entry`; all when a leading pattern may begin
  // there) and is left alone at `to`. p[0, avail) are readable, avail >= to
  // + kLookAhead, and p[0] is at stream position `base`.
  STELVAN_NO_COVERAGE std::size_t next(const std::uint8_t* p, std::size_t from, std::size_t to,
                                       std::size_t avail, std::uint64_t base, unsigned& which);
  unsigned bitOf(std::size_t entry) const {
    return entry < m_bitOf.size() ? m_bitOf[entry] : 7;  // 7: not in the tables, tried whenever any is
  }

 private:
  // Through plain pointers: a checked container index is a call of its own
  // in instrumented builds.
  STELVAN_NO_COVERAGE unsigned at(const std::uint8_t* p) const {
    const unsigned pair = (static_cast<unsigned>(p[0]) << 8) | p[1];
    return m_firstAt[pair] & m_secondAt[((pair << 8) | p[2]) & 0xFFFF] &
           m_fourthAt[(static_cast<unsigned>(p[3]) << 8) | p[4]];
  }
  // at() over [from, to), each byte read once: the five a position looks at
  // move along in registers.
  STELVAN_NO_COVERAGE std::size_t skip(const std::uint8_t* p, std::size_t from, std::size_t to) const {
    if (from >= to) return from;
    const std::uint8_t *first = m_firstAt, *second = m_secondAt, *fourth = m_fourthAt;
    const std::uint8_t* q = p + from;
    unsigned b0 = q[0], b1 = q[1], b2 = q[2], b3 = q[3];
    for (std::size_t i = from; i < to; ++i) {
      const unsigned b4 = p[i + 4];
      if (first[(b0 << 8) | b1] & second[(b1 << 8) | b2] & fourth[(b3 << 8) | b4]) return i;
      b0 = b1;
      b1 = b2;
      b2 = b3;
      b3 = b4;
    }
    return to;
  }
  // One searched range per searcher (the tables, then each own search):
  // nothing of it starts in [.., clear) of the stream.
  STELVAN_NO_COVERAGE std::size_t searchFrom(std::size_t k, std::size_t from, std::uint64_t base) const {
    const std::uint64_t clear = m_clear.data()[k];
    return clear > base + from ? static_cast<std::size_t>(clear - base) : from;
  }

  struct Key {  // one per parser, in pool entry order (the try order moves)
    std::size_t entry;
    std::bitset<256> start, lead;
    CParserData::Plausible plausible;
    CParserData::PairTest secondThird, fourthFifth;
    CParserData::StartScan scan;
    bool operator==(const Key&) const = default;
  };
  struct Searcher {
    CParserData::StartScan scan;
    unsigned bit;
  };
  std::vector<Key> m_keys;
  std::vector<Searcher> m_searchers;
  std::vector<std::uint64_t> m_clear;      // [0]: the tables, [1 + k]: m_searchers[k]
  std::array<std::uint8_t, 16> m_bitOf{};  // pool entry -> bit
  bool m_ready = false;
  // bit k: parser k of m_keys may; bit 7: a leading pattern
  std::vector<std::uint8_t> m_first, m_second, m_fourth;
  const std::uint8_t *m_firstAt = nullptr, *m_secondAt = nullptr, *m_fourthAt = nullptr;
};

}  // namespace engine
