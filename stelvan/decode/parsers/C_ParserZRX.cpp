#include "C_ParserZRX.h"

#include "ReadSupport.h"
#include "gridlink/Framing.h"

namespace engine {

using zrx::CheckClass;

C_ParserZRX::C_ParserZRX() : CParserData("ZRX") {
  clearStartBytes();
  allowStart(0x30, 0x7E);
  resetDefaults();
}

IParserData* C_ParserZRX::createInstance() {
  return new TUnknown<C_ParserZRX>();
}

IParserData* C_ParserZRX::clone() {
  auto* c = new TUnknown<C_ParserZRX>();
  copyBaseTo(*c);
  c->m_ids = m_ids;
  return c;
}

void C_ParserZRX::resetDefaults() {
  CParserData::resetDefaults();
  parsers::setLineEndLeadingPatterns(*this);
  m_ids.setDefaults();
}

void C_ParserZRX::configure(IMsgSettings* settings) {
  CParserData::configure(settings);
  if (!settings) return;
  const std::size_t n = settings->descriptionCount(m_name);
  if (n == 0) return;
  m_ids.clear();
  for (std::size_t i = 0; i < n; ++i) {
    const MsgDescription* d = settings->description(m_name, i);
    if (!d) continue;
    const auto cs = d->fieldTypes.find("cs");
    const CheckClass cls = zrx::classForChecksumType(cs == d->fieldTypes.end() ? -1 : cs->second);
    const unsigned maxBody = d->maxLength > 0 ? static_cast<unsigned>(d->maxLength) : 0;
    m_ids.enter(zrx::streamIdOf(d->id), cls, maxBody,
                d->expectedLength > 0 ? d->expectedLength : zrx::kAnyLength);
  }
}

namespace {
// What the first visible bytes already rule out (each refusal is one without status).
bool isUpperHex(std::uint8_t c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}
bool plausibleStart(const std::uint8_t* p, std::size_t n) {
  for (std::size_t i = 0; i < n && i < 2; ++i)
    if (!zrx::isIdChar(p[i])) return false;
  for (std::size_t i = 2; i < n && i < 5; ++i)
    if (!isUpperHex(p[i])) return false;
  return true;
}
bool secondThird(std::uint8_t b1, std::uint8_t b2) {
  return zrx::isIdChar(b1) && isUpperHex(b2);
}
// The last two digits of the length.
bool fourthFifth(std::uint8_t b1, std::uint8_t b2) {
  return isUpperHex(b1) && isUpperHex(b2);
}
}  // namespace

bool C_ParserZRX::accept(IEx_DataCash* reader, IMsgSetting* status, std::size_t start,
                         std::size_t frameBytes) {
  reader->take(frameBytes);
  reader->markMessage(start, reader->takenCount());
  status->setFormat(m_name);
  return skipTrailing(reader);
}

long C_ParserZRX::textBodyLength(IEx_DataCash* reader, std::size_t length) {
  std::size_t n = 0;
  while (n < length) {
    const std::uint8_t* p = nullptr;
    const std::size_t got = reader->peekSpan(Zrx::kHeaderSize + n + 1, length - n, &p);
    if (got == 0) {
      std::uint8_t b = 0;
      if (reader->peek(b, Zrx::kHeaderSize + n + 1)) continue;  // arrived while waiting
      if (reader->isEndOfInput()) return static_cast<long>(n);
      return -1;
    }
    for (std::size_t i = 0; i < got; ++i, ++n)
      if (p[i] < 0x20 || p[i] > 0x7E) return static_cast<long>(n);
  }
  return static_cast<long>(n);
}

bool C_ParserZRX::parse(IEx_DataCash* reader, IMsgSetting* status) {
  if (!parsers::openAttempt(list(true), reader, plausibleStart, [&] { return skipLeading(reader); }))
    return false;
  const std::size_t start = reader->takenCount();
  parsers::View view(reader, m_work);

  const std::uint8_t* h = view.bytes(2);
  if (!h || !zrx::isIdChar(h[0]) || !zrx::isIdChar(h[1])) return false;
  h = view.bytes(Zrx::kHeaderSize);
  if (!h) return false;
  const int lengthValue = zrx::lengthField(h + 2);
  if (lengthValue < 0) return false;
  const auto length = static_cast<std::size_t>(lengthValue);
  const std::uint8_t a = h[0], b = h[1];
  const char id[2] = {static_cast<char>(a), static_cast<char>(b)};
  status->setId(std::string(id, 2));

  const zrx::IdEntry* e = m_ids.find(a, b);
  const std::size_t frameBytes = length + Zrx::kHeaderSize;
  const auto expectMismatch = [&](std::size_t total) {
    if (e->expected != zrx::kAnyLength && static_cast<std::size_t>(e->expected) != total)
      status->addStatus(kLengthDiffers);
  };

  if (length == 0) {
    if (!e || e->cls != CheckClass::Text) return false;
    expectMismatch(Zrx::kHeaderSize);
    return accept(reader, status, start, Zrx::kHeaderSize);
  }
  if (!e) {
    if (!m_acceptUnknown) {
      status->addStatus(kUnknownId);
      return false;
    }
    if (a >= '0' && a <= '9' && b >= '0' && b <= '9') return false;
    if (length > zrx::kUnknownMaxBody) {
      status->addStatus(kBadLength);
      return false;
    }
    const std::uint8_t* f = view.bytes(frameBytes);
    if (!f) return false;
    const int verdict = zrx::checkByTrial(f, length);
    if (verdict == 0) return accept(reader, status, start, frameBytes);
    if (verdict > 0) status->addStatus(verdict);
    return false;
  }

  const bool needsTwo = e->cls == CheckClass::Crc || e->cls == CheckClass::HexText;
  if (length > e->maxBody || (needsTwo && length < 2)) {
    status->addStatus(kBadLength);
    return false;
  }
  if (e->cls == CheckClass::Text) {
    expectMismatch(frameBytes);
    const long body = textBodyLength(reader, length);
    if (body < 0) return false;
    if (static_cast<std::size_t>(body) < length) status->addStatus(kLengthDiffers);
    return accept(reader, status, start, Zrx::kHeaderSize + static_cast<std::size_t>(body));
  }
  const std::uint8_t* f = view.bytes(frameBytes);
  if (!f) return false;
  const int verdict = e->cls == CheckClass::Binary ? zrx::checkBinary(f, length)
                      : e->cls == CheckClass::Crc  ? zrx::checkCrc(f, length)
                                                   : zrx::checkHexText(f, length);
  if (verdict != 0) {
    status->addStatus(verdict);
    return false;
  }
  expectMismatch(frameBytes);
  return accept(reader, status, start, frameBytes);
}

CParserData::Plausible C_ParserZRX::plausibleTest() const {
  return plausibleStart;
}

CParserData::PairTest C_ParserZRX::secondThirdTest() const {
  return secondThird;
}

CParserData::PairTest C_ParserZRX::fourthFifthTest() const {
  return fourthFifth;
}

}  // namespace engine
