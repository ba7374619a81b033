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

}  // namespace engine::parsers
