#pragma once
// Parser of NMEA 0183 sentences, "$" through the two checksum digits; the
// receiver's proprietary "PVPSR" sentences take their identifier from the
// first field, other makers' proprietary sentences ("$P" + maker, such as
// "$PUBX,") their whole address, with an empty talker. Fields are not
// interpreted. Runs under the parser's lock.
#include "../parser/CParserData.h"

namespace engine {

class C_ParserNMEA : public CParserData {
 public:
  static constexpr int kBadChecksum = 5002;
  static constexpr int kUnknownId = 5004;

  C_ParserNMEA();
  bool parse(IEx_DataCash* reader, IMsgSetting* status) override;
  void resetDefaults() override;
  IParserData* createInstance() override;
  Plausible plausibleTest() const override;
  PairTest secondThirdTest() const override;
  PairTest fourthFifthTest() const override;
  std::size_t typicalLength() override { return 256; }
};

}  // namespace engine
