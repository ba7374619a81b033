#pragma once
// Parser of the receiver's native ZRX frames: identifier, three uppercase
// hexadecimal length digits, body, checked by the class of the identifier's
// table entry (text, hex text, CRC, binary), or by trial for identifiers in no
// table when accept-unknown is on. Runs on the analysis worker under the
// parser's lock (the pool takes it).
#include "../parser/CParserData.h"
#include "ZrxIdTable.h"

namespace engine {

class C_ParserZRX : public CParserData {
 public:
  // Status codes.
  static constexpr int kLengthDiffers = 2;
  static constexpr int kBadChecksum = 5002;
  static constexpr int kBadLength = 5003;
  static constexpr int kUnknownId = 5004;

  C_ParserZRX();
  IParserData* clone() override;
  void configure(IMsgSettings* settings) override;
  bool parse(IEx_DataCash* reader, IMsgSetting* status) override;
  void resetDefaults() override;
  IParserData* createInstance() override;
  Plausible plausibleTest() const override;
  PairTest secondThirdTest() const override;
  PairTest fourthFifthTest() const override;

  const zrx::IdTable& ids() const { return m_ids; }

 private:
  // Text body from frame offset 5: printable bytes up to L, or fewer at the
  // first control byte or at the end of input. -1 when more data must come.
  long textBodyLength(IEx_DataCash* reader, std::size_t length);
  bool accept(IEx_DataCash* reader, IMsgSetting* status, std::size_t start, std::size_t frameBytes);

  zrx::IdTable m_ids;
};

}  // namespace engine
