#pragma once
// Small reading helpers shared by the parsers: contiguous views of the bytes
// past the taken ones, waiting (as the reader's own reads do) only when the
// bytes are not there yet, and the quick first-byte test.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "../interfaces/IEx_DataCash.h"
#include "../parser/CParserData.h"

namespace engine::parsers {

// n bytes from 1-based `offset` past the taken ones, contiguous (copied into
// `scratch` when they straddle blocks). Null when they do not arrive; the
// reader's last-read-complete flag then says so.
const std::uint8_t* need(IEx_DataCash* reader, std::size_t offset, std::size_t n,
                         std::vector<std::uint8_t>& scratch);

// The bytes past the taken ones as one growing view: the first look takes
// what is contiguous at once, later wants are served from it and only go
// back to the reader (waiting if need be) when they reach beyond it. A
// returned pointer is valid until the next call.
class View {
 public:
  View(IEx_DataCash* reader, std::vector<std::uint8_t>& scratch) : m_reader(reader), m_scratch(scratch) {
    m_got = reader->peekSpan(1, kFirstLook, &m_data);
  }
  const std::uint8_t* bytes(std::size_t n) {
    if (n <= m_got) return m_data;
    const std::uint8_t* p = need(m_reader, 1, n, m_scratch);
    if (p) {
      m_data = p;
      m_got = n;
    }
    return p;
  }
  // How many bytes the last returned pointer holds.
  std::size_t held() const { return m_got; }
  // n bytes from 1-based `offset`.
  const std::uint8_t* at(std::size_t offset, std::size_t n) {
    const std::uint8_t* p = bytes(offset + n - 1);
    return p ? p + offset - 1 : nullptr;
  }

 private:
  static constexpr std::size_t kFirstLook = 2048;
  IEx_DataCash* m_reader;
  std::vector<std::uint8_t>& m_scratch;
  const std::uint8_t* m_data = nullptr;
  std::size_t m_got = 0;
};

// True when `b` may begin one of the enabled patterns of `patterns`.
bool startsPattern(const std::vector<ParserPattern>& patterns, std::uint8_t b);

// Skips the run of leading-pattern bytes at the reader's position without a
// peek per byte when every enabled pattern is one byte that may match any
// number of times (the default CR, LF); true when it did. False when the run
// reaches the end of the buffered bytes (taken so far) or the patterns are of
// another kind: the caller then runs the general pattern matcher, which
// handles the end of the buffered bytes.
bool skipSingleByteRun(const std::vector<ParserPattern>& patterns, IEx_DataCash* reader);

// The default leading list of every format: any run of CR and LF before a message.
inline void setLineEndLeadingPatterns(CParserData& parser) {
  parser.setPatternCount(true, 0);
  parser.addPattern(true, "\\r", CParserData::kUnlimited, true);
  parser.addPattern(true, "\\n", CParserData::kUnlimited, true);
}

// The opening of every parse attempt: refuse at once (no status, no wait) when
// the first visible bytes cannot begin a message of the format, otherwise skip
// the leading patterns. False means the attempt is refused.
template <class Plausible, class SkipLeading>
bool openAttempt(const std::vector<ParserPattern>& leading, IEx_DataCash* reader, Plausible plausible,
                 SkipLeading skipLeading) {
  const std::uint8_t* first = nullptr;
  const std::size_t seen = reader->peekSpan(1, CParserData::kStartLook, &first);
  const bool lineEnd = seen > 0 && startsPattern(leading, *first);
  if (seen > 0 && !lineEnd && !plausible(first, seen)) return false;
  // Leading patterns cost a peek each; most attempts start on a message byte.
  if (seen > 0 && !lineEnd) return true;
  return skipSingleByteRun(leading, reader) || skipLeading();
}

}  // namespace engine::parsers
