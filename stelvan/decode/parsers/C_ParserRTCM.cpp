#include "C_ParserRTCM.h"

#include <array>
#include <string>

#include "../parser/NoCoverage.h"
#include "ReadSupport.h"
#include "Rtcm2Word.h"

namespace engine {

C_ParserRTCM::C_ParserRTCM() : CParserData("RTCM") {
  clearStartBytes();
  allowStart(0x40, 0x7F);  // any valid byte: the preamble may start at any of its bits
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
// The identifiers of the 64 message types, made once: an attempt names its
// type without building a string.
const std::string& typeId(unsigned type) {
  static const std::array<std::string, 64> ids = [] {
    std::array<std::string, 64> a;
    for (unsigned i = 0; i < a.size(); ++i) a[i] = std::to_string(i);
    return a;
  }();
  return ids[type % ids.size()];
}

// What the first visible bytes already rule out (each refusal is one without
// status). Tried at every possible start, and parse repeats its tests.
STELVAN_NO_COVERAGE bool plausibleStart(const std::uint8_t* p, std::size_t n) {
  return rtcm2::sixBits(p[0]) >= 0 && rtcm2::preambleOffsets(p, n) != 0;
}
}  // namespace

// A first word with the preamble and good parity, and a second word that
// continues its parity chain, make a frame; before that a failure is a
// chance bit pattern and refuses without status.
C_ParserRTCM::Try C_ParserRTCM::tryAt(unsigned k) {
  using namespace rtcm2;
  using Got = BitStream::Got;
  Try t;
  m_bits.setLimit(typicalLength() + 1);
  std::uint32_t first = 0, second = 0;
  Got got = m_bits.word(k, first);
  if (got != Got::Yes) {
    if (got == Got::More) t.outcome = Try::More;
    return t;
  }
  const std::uint32_t top = first >> 22;
  if (top != kPreambleWord && top != (kPreambleWord ^ 0xFF)) return t;
  const unsigned polarity = top == kPreambleWord ? 0 : 1;
  if (!parityOk(first, 0, polarity) && !parityOk(first, 1, polarity)) return t;
  t.type = messageType(decoded(first, polarity));
  int maxLength = 0, expected = 0;
  if (!lookupName(typeId(t.type), maxLength, expected))
    maxLength = m_acceptUnknown ? static_cast<int>(typicalLength()) : 0;
  if (maxLength <= 0) {
    t.outcome = Try::Refuse;
    return t;
  }
  got = m_bits.word(k + kWordBits, second);
  if (got != Got::Yes || !parityOk(second, (first >> 1) & 1u, first & 1u)) {
    if (got == Got::More) t.outcome = Try::More;
    return t;
  }
  const std::size_t words = 2 + dataWordCount(decoded(second, first & 1u));
  const auto limit = static_cast<std::size_t>(maxLength);
  t.outcome = Try::Refuse;
  t.bytes = m_bits.offsetOfBit(k + 2 * kWordBits - 1);
  if (words * kBytesPerWord > limit) {
    t.code = kBadLength;
    return t;
  }
  m_bits.setLimit(limit + 1);
  std::uint32_t prev = second;
  for (std::size_t i = 2; i < words; ++i) {
    std::uint32_t w = 0;
    got = m_bits.word(k + i * kWordBits, w);
    if (got == Got::More) {
      t.outcome = Try::More;
      return t;
    }
    if (got == Got::TooLong) {
      t.code = kBadLength;
      return t;
    }
    t.bytes = m_bits.offsetOfBit(k + (i + 1) * kWordBits - 1);
    if (!parityOk(w, (prev >> 1) & 1u, prev & 1u)) {
      t.code = kParity;
      return t;
    }
    prev = w;
  }
  // The byte holding the last bit stays in the stream when later bits share it.
  const std::size_t lastByte = m_bits.offsetOfBit(k + words * kWordBits - 1);
  t.bytes = k == 0 ? lastByte : lastByte - 1;
  if (t.bytes > limit) {
    t.code = kBadLength;
    return t;
  }
  t.lengthDiffers = expected > 0 && static_cast<std::size_t>(expected) != t.bytes;
  t.outcome = Try::Accept;
  return t;
}

bool C_ParserRTCM::parse(IEx_DataCash* reader, IMsgSetting* status) {
  if (!parsers::openAttempt(list(true), reader, plausibleStart, [&] { return skipLeading(reader); }))
    return false;
  const std::size_t start = reader->takenCount();
  parsers::View view(reader, m_work);
  const std::uint8_t* p = view.bytes(1);
  if (!p || rtcm2::sixBits(*p) < 0) return false;
  m_bits.clear(&view);
  // The first offset that gives a whole message wins; a refused frame is
  // reported only when no offset gives one. Offsets whose first word the
  // bytes at hand already rule out are not read again.
  const unsigned offsets = rtcm2::preambleOffsets(p, view.held());
  Try refused;
  for (unsigned k = 0; k < rtcm2::kBitsPerByte; ++k) {
    if (!(offsets & (1u << k))) continue;
    const Try t = tryAt(k);
    if (t.outcome == Try::More) return false;
    if (t.outcome == Try::Refuse && refused.outcome != Try::Refuse) refused = t;
    if (t.outcome != Try::Accept) continue;
    status->setId(typeId(t.type));
    if (t.lengthDiffers) status->addStatus(kLengthDiffers);
    reader->take(t.bytes);
    reader->markMessage(start, reader->takenCount());
    status->setFormat(m_name);
    return skipTrailing(reader);
  }
  if (refused.outcome == Try::Refuse) {
    status->setId(typeId(refused.type));
    if (refused.code) {
      status->addStatus(refused.code);
      reader->markMessage(start, start + refused.bytes);  // the refused frame's extent
    }
  }
  return false;
}

CParserData::Plausible C_ParserRTCM::plausibleTest() const {
  return plausibleStart;
}

CParserData::StartScan C_ParserRTCM::startScan() const {
  return rtcm2::nextPreambleStart;
}

}  // namespace engine
