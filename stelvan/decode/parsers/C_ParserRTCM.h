#pragma once
// Parser of RTCM SC-104 version 2 messages: 30-bit words with GPS parity,
// six data bits per byte, each word starting on a byte. Normal ("f") and
// inverted ("Y") polarity. Contents are not decoded. Runs under the parser's lock.
#include "../parser/CParserData.h"

namespace engine {

class C_ParserRTCM : public CParserData {
 public:
  static constexpr int kLengthDiffers = 2;
  static constexpr int kBadLength = 5003;
  static constexpr int kParity = 5005;

  C_ParserRTCM();
  bool parse(IEx_DataCash* reader, IMsgSetting* status) override;
  void resetDefaults() override;
  IParserData* createInstance() override;
  Plausible plausibleTest() const override;
};

}  // namespace engine
