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
const std::uint8_t* need(IEx_DataCash* reader, std::size_t offset, std::size_t n, std::vector<std::uint8_t>& scratch);

// True when `b` may begin one of the enabled patterns of `patterns`.
bool startsPattern(const std::vector<ParserPattern>& patterns, std::uint8_t b);

// Skips the run of leading-pattern bytes at the reader's position without a
// peek per byte when every enabled pattern is one byte that may match any
// number of times (the default CR, LF); true when it did. False leaves the
// reader untouched: the caller then runs the general pattern matcher (which
// also handles a run that reaches the end of the buffered bytes).
bool skipSingleByteRun(const std::vector<ParserPattern>& patterns, IEx_DataCash* reader);

}  // namespace engine::parsers
