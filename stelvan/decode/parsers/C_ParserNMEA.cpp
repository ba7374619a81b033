#include "C_ParserNMEA.h"

#include <cstring>

#include "NmeaRules.h"
#include "ReadSupport.h"

namespace engine {

C_ParserNMEA::C_ParserNMEA() : CParserData("NMEA") {
  clearStartBytes();
  allowStart(nmea::kStart, nmea::kStart);
  resetDefaults();
}

IParserData* C_ParserNMEA::createInstance() {
  return new TUnknown<C_ParserNMEA>();
}

void C_ParserNMEA::resetDefaults() {
  CParserData::resetDefaults();
  parsers::setLineEndLeadingPatterns(*this);
}

namespace {

// Scans sentence characters from 1-based `offset` up to "*", at most `limit`
// of them ("*" counted). Returns the count before "*"; -1 refused, -2 more
// data must come. `xorAcc` collects the checksum of the scanned characters.
// Plain work over the sentence's bytes (see NoCoverage.h).
STELVAN_NO_COVERAGE long scanToStar(IEx_DataCash* reader, std::size_t offset, std::size_t limit, std::uint8_t& xorAcc) {
  std::size_t n = 0;
  while (n < limit) {
    const std::uint8_t* p = nullptr;
    const std::size_t got = reader->peekSpan(offset + n, limit - n, &p);
    if (got == 0) {
      std::uint8_t b = 0;
      if (reader->peek(b, offset + n)) continue;
      return -2;
    }
    const void* star = std::memchr(p, nmea::kChecksumMark, got);
    const std::size_t upto =
        star ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(star) - p) : got;
    if (!nmea::checkAndXor(p, upto, xorAcc)) return -1;
    n += upto;
    if (star) return static_cast<long>(n);
  }
  return -1;  // no "*" within the maximum
}

}  // namespace

namespace {
// What the first visible bytes already rule out (each refusal is one without
// status). Tried at every possible start, and parse repeats its tests.
STELVAN_NO_COVERAGE bool plausibleStart(const std::uint8_t* p, std::size_t n) {
  if (p[0] != nmea::kStart) return false;
  for (std::size_t i = 1; i < n && i <= nmea::kAddressSize; ++i) {
    if (nmea::isAddressChar(p[i])) continue;
    // A maker's address may end after four characters.
    return p[1] == nmea::kProprietaryMark && i > nmea::kMakerAddressMin &&
           (p[i] == ',' || p[i] == nmea::kChecksumMark);
  }
  return true;
}

bool secondThird(std::uint8_t b1, std::uint8_t b2) {
  return nmea::isAddressChar(b1) && nmea::isAddressChar(b2);
}
// Even a maker's address has its fourth character there ("$PUBX").
bool fourthFifth(std::uint8_t b1, std::uint8_t b2) {
  return nmea::isAddressChar(b1) && nmea::isAddressChar(b2);
}

// Length of a maker's proprietary address (1-based offsets 2 on), which is
// ended by "," or "*"; 0 when there is none, -1 when more data must come.
long makerAddressLength(parsers::View& view) {
  for (std::size_t n = 1; n <= nmea::kMakerAddressMax; ++n) {
    const std::uint8_t* c = view.at(2 + n, 1);
    if (!c) return -1;
    if (nmea::isAddressChar(*c)) continue;
    const bool ends = *c == ',' || *c == nmea::kChecksumMark;
    return ends && n >= nmea::kMakerAddressMin ? static_cast<long>(n) : 0;
  }
  return 0;
}
}  // namespace

bool C_ParserNMEA::parse(IEx_DataCash* reader, IMsgSetting* status) {
  if (!parsers::openAttempt(list(true), reader, plausibleStart, [&] { return skipLeading(reader); }))
    return false;
  const std::size_t start = reader->takenCount();
  parsers::View view(reader, m_work);

  const std::uint8_t* h = view.bytes(1 + nmea::kAddressSize);
  if (!h || h[0] != nmea::kStart) return false;
  const bool receiverOwn = std::memcmp(h + 1, nmea::kProprietary, nmea::kAddressSize) == 0;
  std::size_t addressSize = nmea::kAddressSize;
  if (h[1] == nmea::kProprietaryMark && !receiverOwn) {
    const long n = makerAddressLength(view);
    if (n <= 0) return false;
    addressSize = static_cast<std::size_t>(n);
  }
  h = view.bytes(1 + addressSize);
  if (!h) return false;
  for (std::size_t i = 1; i <= addressSize; ++i)
    if (!nmea::isAddressChar(h[i])) return false;
  std::uint8_t xorAcc = nmea::xorOf(h + 1, addressSize);
  const std::size_t body = 1 + addressSize + 1;  // offset of the first character after the address

  std::string talker, id;
  if (receiverOwn) {
    const std::uint8_t* c = view.at(body, 1);
    if (!c || *c != ',') return false;
    // The identifier is the first field; it ends at "," (or at "*" when it is the only one).
    std::size_t k = body + 1;
    for (;; ++k) {
      const std::uint8_t* q = view.at(k, 1);
      if (!q || !nmea::isSentenceChar(*q) || k - body >= typicalLength()) return false;
      if (*q == ',' || *q == nmea::kChecksumMark) break;
      id.push_back(static_cast<char>(*q));
    }
  } else if (h[1] == nmea::kProprietaryMark) {
    id.assign(reinterpret_cast<const char*>(h + 1), addressSize);
  } else {
    talker.assign(reinterpret_cast<const char*>(h + 1), 2);
    id.assign(reinterpret_cast<const char*>(h + 3), 3);
  }
  status->setDescription(talker);
  status->setId(id);
  status->setFormat(m_name);

  int maxLength = 0, expected = 0;
  if (!lookupName(id, maxLength, expected))
    maxLength = m_acceptUnknown ? static_cast<int>(typicalLength()) : 0;
  if (maxLength <= 0) {
    status->addStatus(kUnknownId);
    return false;
  }
  const std::size_t limit = maxLength > 2 ? static_cast<std::size_t>(maxLength) - 2 : 0;
  const long chars = scanToStar(reader, body, limit, xorAcc);
  if (chars < 0) return false;
  const std::size_t starAt = body + static_cast<std::size_t>(chars);
  const std::uint8_t* cs = view.at(starAt + 1, 2);
  if (!cs) return false;
  const int hi = nmea::upperHex(cs[0]), lo = nmea::upperHex(cs[1]);
  if (hi < 0 || lo < 0) return false;
  if (((hi << 4) | lo) != xorAcc) {
    status->addStatus(kBadChecksum);
    return false;
  }
  reader->take(starAt + 2);
  reader->markMessage(start, reader->takenCount());
  return skipTrailing(reader);
}

CParserData::Plausible C_ParserNMEA::plausibleTest() const {
  return plausibleStart;
}

CParserData::PairTest C_ParserNMEA::secondThirdTest() const {
  return secondThird;
}

CParserData::PairTest C_ParserNMEA::fourthFifthTest() const {
  return fourthFifth;
}

}  // namespace engine
