#pragma once
// The fast part of the unknown-byte run: two 64 Ki tables over byte pairs
// say, for each position, which parsers' start tests may pass there (first
// and second byte, second and third byte), so a run of bytes no parser may
// start at costs two lookups a byte. Positions the tables let through still
// get the parsers' own start tests. Built from the worker's view of the
// pool and rebuilt when that changes; worker only.
#include <array>
#include <cstdint>
#include <vector>

#include "C_ParserPool.h"

// Plain table work over every unknown byte: coverage tracing of these loops
// tells a fuzzer nothing and costs it most of its time.
#if defined(__clang__)
#define STELVAN_NO_COVERAGE __attribute__((no_sanitize("coverage")))
#else
#define STELVAN_NO_COVERAGE
#endif

namespace engine {

class UnknownScan {
 public:
  // Brings the tables up to date with `order`; false when they cannot serve
  // it (too many parsers), and then skip() must not be used.
  bool update(const std::vector<C_ParserPool::Candidate>& order);
  // The first position in [from, to) at which some parser may start, or
  // `to`; positions up to to + 1 must be readable.
  STELVAN_NO_COVERAGE std::size_t skip(const std::uint8_t* p, std::size_t from, std::size_t to) const {
    for (std::size_t i = from; i < to; ++i)
      if (at(p + i)) return i;
    return to < from ? from : to;
  }
  // Which parsers may start at `p` (three bytes readable): bit bitOf(entry)
  // for the parser of pool entry `entry`; all when a leading pattern may
  // begin there.
  unsigned mayStart(const std::uint8_t* p) const {
    const unsigned m = at(p);
    return m & 0x80 ? 0xFFu : m;
  }
  unsigned bitOf(std::size_t entry) const {
    return entry < m_bitOf.size() ? m_bitOf[entry] : 7;  // 7: not in the tables, tried whenever any is
  }

 private:
  STELVAN_NO_COVERAGE unsigned at(const std::uint8_t* p) const {
    const unsigned pair = (static_cast<unsigned>(p[0]) << 8) | p[1];
    return m_first[pair] & m_second[((pair << 8) | p[2]) & 0xFFFF];
  }
  struct Key {  // one per parser, in pool entry order (the try order moves)
    std::size_t entry;
    std::bitset<256> start, lead;
    CParserData::Plausible plausible;
    CParserData::PairTest secondThird;
    bool operator==(const Key&) const = default;
  };
  std::vector<Key> m_keys;
  std::array<std::uint8_t, 16> m_bitOf{};  // pool entry -> bit
  bool m_ready = false;
  std::vector<std::uint8_t> m_first, m_second;  // bit k: parser k of m_keys may; bit 7: a leading pattern
};

}  // namespace engine
