// Fuzz target for C_ParserCMR: see parsers_common/ParserFuzz.h for the property.
// The first input byte picks the accept-unknown flag.
#include "../parsers_common/ParserFuzz.h"
#include "decode/parsers/C_ParserCMR.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  return fuzzing::runParser<engine::C_ParserCMR>(data + 1, size - 1, (data[0] & 1) == 0);
}
