#include "C_ParserRTCM.h"

#include <string>

#include "ReadSupport.h"
#include "Rtcm2Word.h"

namespace engine {

C_ParserRTCM::C_ParserRTCM() : CParserData("RTCM") {
  clearStartBytes();
  allowStart(rtcm2::kPreambleNormal, rtcm2::kPreambleNormal);
  allowStart(rtcm2::kPreambleInverted, rtcm2::kPreambleInverted);
  resetDefaults();
}

IParserData* C_ParserRTCM::createInstance() {
  return new TUnknown<C_ParserRTCM>();
}

void C_ParserRTCM::resetDefaults() {
  CParserData::resetDefaults();
  parsers::setLineEndLeadingPatterns(*this);
}

namespace {
// What the first visible bytes already rule out (each refusal is one without status).
bool plausibleStart(const std::uint8_t* p, std::size_t n) {
  using namespace rtcm2;
  if (p[0] != kPreambleNormal && p[0] != kPreambleInverted) return false;
  if (n > 1 && (p[1] & 0xC3) != (p[0] == kPreambleInverted ? 0x42 : 0x41)) return false;
  for (std::size_t i = 2; i < n && i < kBytesPerWord; ++i)
    if (sixBits(p[i]) < 0) return false;
  return true;
}
}  // namespace

bool C_ParserRTCM::parse(IEx_DataCash* reader, IMsgSetting* status) {
  using namespace rtcm2;
  if (!parsers::openAttempt(list(true), reader, plausibleStart, [&] { return skipLeading(reader); }))
    return false;
  const std::size_t start = reader->takenCount();
  parsers::View view(reader, m_work);

  const std::uint8_t* w = view.bytes(kBytesPerWord);
  if (!w) return false;
  const bool inverted = w[0] == kPreambleInverted;
  if (!inverted && w[0] != kPreambleNormal) return false;
  if ((w[1] & 0xC3) != (inverted ? 0x42 : 0x41)) return false;
  std::uint32_t raw = 0;
  if (!assembleWord(w, raw)) return false;
  const unsigned polarity = inverted ? 1 : 0;
  if (!parityOk(raw, 0, polarity) && !parityOk(raw, 1, polarity)) {
    status->addStatus(kParity);
    return false;
  }
  const unsigned number = messageType(decoded(raw, polarity));
  const std::string id = std::to_string(number);
  status->setId(id);
  int maxLength = 0, expected = 0;
  if (!lookupName(id, maxLength, expected))
    maxLength = m_acceptUnknown ? static_cast<int>(typicalLength()) : 0;
  if (maxLength <= 0) return false;

  // Header word 2 gives the count of data words; every word continues the parity chain.
  std::size_t words = 2;
  for (std::size_t i = 1; i < words; ++i) {
    w = view.at(i * kBytesPerWord + 1, kBytesPerWord);
    if (!w) return false;
    std::uint32_t next = 0;
    if (!assembleWord(w, next)) return false;
    const unsigned d29 = (raw >> 1) & 1u, d30 = raw & 1u;
    if (!parityOk(next, d29, d30)) {
      status->addStatus(kParity);
      return false;
    }
    if (i == 1) words += dataWordCount(decoded(next, d30));
    raw = next;
  }
  const std::size_t bytes = words * kBytesPerWord;
  if (bytes > static_cast<std::size_t>(maxLength)) {
    status->addStatus(kBadLength);
    return false;
  }
  if (expected > 0 && static_cast<std::size_t>(expected) != bytes) status->addStatus(kLengthDiffers);
  reader->take(bytes);
  reader->markMessage(start, reader->takenCount());
  status->setFormat(m_name);
  return skipTrailing(reader);
}

CParserData::Plausible C_ParserRTCM::plausibleTest() const {
  return plausibleStart;
}

}  // namespace engine
