#pragma once
// Parser of RTCM SC-104 version 2 messages: 30-bit words with GPS parity,
// six data bits per byte, a word starting at any of the six bits of a byte.
// Normal and inverted polarity. Contents are not decoded. Runs under the
// parser's lock.
//
// Bytes of a message: from the byte that holds its first bit up to the
// byte that holds its last one. When that last byte also holds bits after
// the message (the message did not start on a byte), it is left in the
// stream: the next message of a continuous stream begins inside it, and
// the next attempt must see that byte. So in a continuous stream every
// message is five bytes per word, whatever its bit offset. Bytes without
// the top bits 01 between a message's first and last byte are skipped for
// the bits and belong to the message.
#include "../parser/CParserData.h"
#include "Rtcm2Bits.h"

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
  StartScan startScan() const override;

 private:
  // What a try at one bit offset of the first byte came to.
  struct Try {
    enum Outcome { NotHere, Accept, Refuse, More } outcome = NotHere;
    unsigned type = 0;      // Accept, Refuse: the message type
    int code = 0;           // Refuse: the status, or 0 for a refusal without one
    std::size_t bytes = 0;  // Accept: bytes of the message; Refuse: bytes of the frame read
    bool lengthDiffers = false;
  };
  Try tryAt(unsigned offset);

  rtcm2::BitStream m_bits;
};

}  // namespace engine
