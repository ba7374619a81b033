#include "C_ParserCMR.h"

#include "CmrFrame.h"
#include "ReadSupport.h"

namespace engine {

C_ParserCMR::C_ParserCMR() : CParserData("CMR") {
  clearStartBytes();
  allowStart(cmr::kStx, cmr::kStx);
  resetDefaults();
}

IParserData* C_ParserCMR::createInstance() {
  return new TUnknown<C_ParserCMR>();
}

IParserData* C_ParserCMR::clone() {
  auto* c = new TUnknown<C_ParserCMR>();
  copyBaseTo(*c);
  c->m_types = m_types;
  return c;
}

void C_ParserCMR::resetDefaults() {
  CParserData::resetDefaults();
  parsers::setLineEndLeadingPatterns(*this);
  m_types.clear();
  for (const char* t : {"3", "4", "5", "6", "7"}) m_types[t] = "GO";
}

namespace {
// What the first visible bytes already rule out (each refusal is one without status).
bool plausibleStart(const std::uint8_t* p, std::size_t n) {
  using namespace cmr;
  if (p[0] != kStx) return false;
  if (n > 1 && p[1] != kStatus) return false;
  return n < 3 || p[2] == kTypeObservables || p[2] == kTypeSsi;
}
bool secondThird(std::uint8_t b1, std::uint8_t b2) {
  using namespace cmr;
  return b1 == kStatus && (b2 == kTypeObservables || b2 == kTypeSsi);
}
}  // namespace

bool C_ParserCMR::mapMessageType(const std::string& key, const std::string& typeText, const std::string& id) {
  if (key != "map_msg_type") return false;
  m_types[typeText] = id;
  return true;
}

bool C_ParserCMR::parse(IEx_DataCash* reader, IMsgSetting* status) {
  using namespace cmr;
  if (!parsers::openAttempt(list(true), reader, plausibleStart, [&] { return skipLeading(reader); }))
    return false;
  const std::size_t start = reader->takenCount();
  parsers::View view(reader, m_work);

  const std::uint8_t* h = view.bytes(kHeaderSize);
  if (!h || !headerOk(h)) return false;
  const std::uint8_t frameType = h[2];
  const std::size_t length = h[3];
  const std::uint8_t* f = view.bytes(kHeaderSize + length);
  if (!f) return false;

  std::string id;
  if (frameType == kTypeSsi) {
    id = "SSI";
  } else if (const int type = messageType(f + kHeaderSize, length); type >= 0) {
    const std::string number = std::to_string(type);
    const auto it = m_types.find(number);
    id = it == m_types.end() ? number : it->second;
  }
  status->setId(id);

  const std::size_t frame = length + kFrameOverhead;
  int maxLength = 0, expected = 0;
  if (!lookupName(id, maxLength, expected))
    maxLength = m_acceptUnknown ? static_cast<int>(typicalLength()) : 0;
  if (maxLength <= 0) {
    status->addStatus(kUnknownId);
    return false;
  }
  if (frame > static_cast<std::size_t>(maxLength)) {
    status->addStatus(kBadLength);
    return false;
  }
  if (expected > 0 && static_cast<std::size_t>(expected) != frame) status->addStatus(kLengthDiffers);

  f = view.bytes(frame);
  if (!f) return false;
  if (checksum(f, f + kHeaderSize, length) != f[kHeaderSize + length]) {
    status->addStatus(kBadChecksum);
    return false;
  }
  if (f[kHeaderSize + length + 1] != kEtx) {
    status->addStatus(kBadEnd);
    return false;
  }
  reader->take(frame);
  reader->markMessage(start, reader->takenCount());
  status->setFormat(m_name);
  return skipTrailing(reader);
}

CParserData::Plausible C_ParserCMR::plausibleTest() const {
  return plausibleStart;
}

CParserData::PairTest C_ParserCMR::secondThirdTest() const {
  return secondThird;
}

}  // namespace engine
