#pragma once
// Parser of RTCM SC-104 version 3 frames: 0xD3, 10-bit payload length,
// payload, CRC-24Q. Contents are not decoded. Runs under the parser's lock.
#include "../parser/CParserData.h"

namespace engine {

class C_ParserRTCM_3 : public CParserData {
 public:
  static constexpr int kLengthDiffers = 2;
  static constexpr int kBadCrc = 5002;
  static constexpr int kBadLength = 5003;
  static constexpr int kUnknownId = 5004;

  C_ParserRTCM_3();
  bool parse(IEx_DataCash* reader, IMsgSetting* status) override;
  void resetDefaults() override;
  IParserData* createInstance() override;
  Plausible plausibleTest() const override;
};

}  // namespace engine
