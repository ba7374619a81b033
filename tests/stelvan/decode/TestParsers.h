#pragma once
// Two tiny formats for exercising the framework without the real parsers:
// "T" + one digit n + n lowercase letters, and "U" + three digits. Both
// refuse early on a wrong byte and report running out of bytes (the reader's
// last-read-complete flag) like the real parsers do.
#include <chrono>
#include <string>
#include <thread>

#include "decode/parser/CParserData.h"

namespace ftest {

class TParser : public engine::CParserData {
 public:
  TParser() : CParserData("T") {
    clearStartBytes();
    allowStart('T', 'T');
  }
  engine::IParserData* createInstance() override { return new engine::TUnknown<TParser>(); }
  bool parse(engine::IEx_DataCash* r, engine::IMsgSetting* st) override {
    if (!skipLeading(r)) return false;
    const std::size_t start = r->takenCount();
    std::uint8_t b = 0;
    if (!r->peek(b, 1) || b != 'T') return false;
    std::uint8_t d = 0;
    if (!r->peek(d, 2) || d < '0' || d > '9') return false;
    const std::size_t n = d - '0';
    for (std::size_t i = 0; i < n; ++i)
      if (!r->peek(b, 3 + i) || b < 'a' || b > 'z') return false;
    r->take(2 + n);
    r->markMessage(start, r->takenCount());
    st->setFormat("T");
    st->setId(std::string(1, static_cast<char>(d)));
    return skipTrailing(r);
  }
};

class UParser : public engine::CParserData {
 public:
  UParser() : CParserData("U") {
    clearStartBytes();
    allowStart('U', 'U');
  }
  engine::IParserData* createInstance() override { return new engine::TUnknown<UParser>(); }
  bool parse(engine::IEx_DataCash* r, engine::IMsgSetting* st) override {
    std::uint8_t b = 0;
    if (!r->peek(b, 1) || b != 'U') return false;
    for (std::size_t i = 2; i <= 4; ++i)
      if (!r->peek(b, i) || b < '0' || b > '9') return false;
    r->take(4);
    st->setFormat("U");
    st->setId("U");
    return true;
  }
};

// Refuses everything, slowly: keeps a worker busy.
class SlowParser : public engine::CParserData {
 public:
  SlowParser() : CParserData("S") {}
  engine::IParserData* createInstance() override { return new engine::TUnknown<SlowParser>(); }
  bool parse(engine::IEx_DataCash*, engine::IMsgSetting*) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return false;
  }
};

inline const std::uint8_t* u8(const std::string& s) {
  return reinterpret_cast<const std::uint8_t*>(s.data());
}

}  // namespace ftest
