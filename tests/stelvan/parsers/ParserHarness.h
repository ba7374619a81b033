#pragma once
// Drives the parsers over a byte string the way a recognition pass does (try
// order with move-to-front, one unknown byte dropped when all refuse), on the
// real stream buffer with the input already ended, and records what each
// accepted message looked like.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "decode/interfaces/IParserData.h"
#include "decode/interfaces/ITUnknown.h"

namespace ptest {

struct Found {
  std::string format, id, talker;
  std::vector<int> codes;
  std::size_t offset = 0;  // of the message's first byte in the input
  std::string bytes;       // the message proper (leading CR/LF stripped)
};

struct StreamRun {
  std::vector<Found> messages;
  std::size_t unknown = 0;
  // "FORMAT:ID" (NMEA: talker + identifier) -> count.
  std::map<std::string, int> counts() const;
};

using Parsers = std::vector<engine::Ref<engine::IParserData>>;
// ZRX, NMEA, RTCM, RTCM_3, CMR, each with the given accept-unknown flag.
Parsers defaultParsers(bool acceptUnknown = true);

StreamRun runStream(const std::string& data, Parsers& parsers);

// One attempt of one parser at the start of `data`.
struct Attempt {
  bool accepted = false;
  bool readComplete = true;  // false: the parser ran out of bytes
  std::vector<int> codes;
  std::string format, id, talker;
  std::size_t taken = 0;
};
Attempt parseOnce(engine::IParserData* parser, const std::string& data, bool endOfInput = true);

std::string bytes(std::initializer_list<int> b);
std::string readFile(const std::string& path);

}  // namespace ptest
