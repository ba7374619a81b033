#include "C_ParserRTCM_3.h"

#include <string>

#include "Crc24q.h"
#include "ReadSupport.h"

namespace engine {

C_ParserRTCM_3::C_ParserRTCM_3() : CParserData("RTCM_3") {
  clearStartBytes();
  allowStart(rtcm3::kPreamble, rtcm3::kPreamble);
  resetDefaults();
}

IParserData* C_ParserRTCM_3::createInstance() {
  return new TUnknown<C_ParserRTCM_3>();
}

void C_ParserRTCM_3::resetDefaults() {
  CParserData::resetDefaults();
  parsers::setLineEndLeadingPatterns(*this);
}

namespace {
// What the first visible byte already rules out (a refusal without status).
bool plausibleStart(const std::uint8_t* p, std::size_t) {
  return p[0] == rtcm3::kPreamble;
}
}  // namespace

bool C_ParserRTCM_3::parse(IEx_DataCash* reader, IMsgSetting* status) {
  using namespace rtcm3;
  if (!parsers::openAttempt(list(true), reader, plausibleStart, [&] { return skipLeading(reader); }))
    return false;
  const std::size_t start = reader->takenCount();
  parsers::View view(reader, m_work);

  const std::uint8_t* h = view.bytes(1);
  if (!h || *h != kPreamble) return false;
  h = view.bytes(kHeaderSize);
  if (!h) return false;
  const std::size_t length = payloadLength(h);
  if (length < 2) {
    status->addStatus(kBadLength);
    return false;
  }
  h = view.bytes(kHeaderSize + 2);
  if (!h) return false;
  const std::string id = std::to_string(messageNumber(h + kHeaderSize));
  status->setId(id);
  int maxLength = 0, expected = 0;
  if (!lookupName(id, maxLength, expected))
    maxLength = m_acceptUnknown ? static_cast<int>(typicalLength()) : 0;
  if (maxLength <= 0) {
    status->addStatus(kUnknownId);
    return false;
  }
  if (length > static_cast<std::size_t>(maxLength)) {
    status->addStatus(kBadLength);
    return false;
  }
  const std::size_t frame = kHeaderSize + length + kCrcSize;
  if (expected > 0 && static_cast<std::size_t>(expected) != frame) status->addStatus(kLengthDiffers);

  const std::uint8_t* f = view.bytes(frame);
  if (!f) return false;
  const std::uint32_t crc = crc24q(f, kHeaderSize + length);
  const std::uint8_t* c = f + kHeaderSize + length;
  if (crc != ((static_cast<std::uint32_t>(c[0]) << 16) | (static_cast<std::uint32_t>(c[1]) << 8) | c[2])) {
    status->addStatus(kBadCrc);
    reader->markMessage(start, start + frame);  // the refused frame's extent
    return false;
  }
  reader->take(frame);
  reader->markMessage(start, reader->takenCount());
  status->setFormat(m_name);
  return skipTrailing(reader);
}

CParserData::Plausible C_ParserRTCM_3::plausibleTest() const {
  return plausibleStart;
}

}  // namespace engine
