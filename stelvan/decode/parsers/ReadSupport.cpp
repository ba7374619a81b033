#include "ReadSupport.h"

#include <cstring>

#include "../parser/NoCoverage.h"

namespace engine::parsers {

const std::uint8_t* need(IEx_DataCash* reader, std::size_t offset, std::size_t n,
                         std::vector<std::uint8_t>& scratch) {
  const std::uint8_t* p = nullptr;
  if (n == 0) return reinterpret_cast<const std::uint8_t*>("");
  std::size_t got = reader->peekSpan(offset, n, &p);
  if (got >= n) return p;
  // Let the reader wait for the last wanted byte (bounded), then look again.
  std::uint8_t last = 0;
  if (!reader->peek(last, offset + n - 1)) return nullptr;
  got = reader->peekSpan(offset, n, &p);
  if (got >= n) return p;
  // The bytes are there but not in one block.
  scratch.resize(n);
  std::size_t have = 0;
  while (have < n) {
    const std::size_t part = reader->peekSpan(offset + have, n - have, &p);
    if (part == 0) return nullptr;
    std::memcpy(scratch.data() + have, p, part);
    have += part;
  }
  return scratch.data();
}

STELVAN_NO_COVERAGE bool startsPattern(const std::vector<ParserPattern>& patterns, std::uint8_t b) {
  for (const auto& p : patterns)
    if (p.enabled && !p.bytes.empty() && p.bytes[0] == b) return true;
  return false;
}

// Plain work over bytes (no coverage tracing, see NoCoverage.h).
STELVAN_NO_COVERAGE bool skipSingleByteRun(const std::vector<ParserPattern>& patterns, IEx_DataCash* reader) {
  bool in[256] = {};
  unsigned n = 0;
  for (const auto& p : patterns) {
    if (!p.enabled || p.bytes.empty()) continue;
    if (p.bytes.size() != 1 || p.limit != CParserData::kUnlimited || n == 4) return false;
    in[p.bytes[0]] = true;
    ++n;
  }
  // Block by block: a long run handed to the general matcher costs a peek per
  // byte, and every attempt after a refused one meets the rest again.
  for (;;) {
    const std::uint8_t* span = nullptr;
    const std::size_t got = reader->peekSpan(1, ~std::size_t{0}, &span);
    std::size_t run = 0;
    while (run < got && in[span[run]]) ++run;
    if (run > 0) reader->take(run);
    if (run < got) return true;
    // The run may go on past what is visible: the general matcher decides at the end.
    if (got == 0) return false;
  }
}

}  // namespace engine::parsers
