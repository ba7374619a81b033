#include <gtest/gtest.h>

#include "FrameBuilders.h"
#include "ParserHarness.h"
#include "decode/engine/C_MsgSettings.h"
#include "decode/parsers/C_ParserNMEA.h"

using namespace ptest;
using engine::C_ParserNMEA;

namespace {
const std::string kGga = nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");

std::string withChars(std::size_t n) {  // a sentence with n characters between the address and "*"
  return nmea("GPTXT," + std::string(n - 1, 'a'));
}
}  // namespace

TEST(NmeaParser, SentenceCases) {
  std::string lower = kGga;
  for (auto i = lower.size() - 2; i < lower.size(); ++i) lower[i] = static_cast<char>(std::tolower(lower[i]));
  std::string badCs = kGga;
  badCs[10] = badCs[10] == '1' ? '2' : '1';
  struct Case {
    const char* legend;
    std::string input;
    bool acceptUnknown;
    bool accepted;
    std::string talker, id;
    std::vector<int> codes;
  } cases[] = {
      {"GGA, accept-unknown on", "\r\n" + kGga + "\r\n", true, true, "GP", "GGA", {}},
      {"GGA, accept-unknown off", kGga, false, false, "GP", "GGA", {5004}},
      {"proprietary PVPSR", nmea("PVPSR,ATT,1.0,2.0"), true, true, "", "ATT", {}},
      {"proprietary without comma", nmea("PVPSRATT"), true, false, "", "", {}},
      {"maker's four-character address", nmea("PUBX,00,103607.00"), true, true, "", "PUBX", {}},
      {"maker's five-character address", nmea("PGRME,15.0,M"), true, true, "", "PGRME", {}},
      {"maker's address alone", nmea("PMTK314"), true, true, "", "PMTK314", {}},
      {"maker's address too short", nmea("PUB,1"), true, false, "", "", {}},
      {"maker's address too long", nmea("PABCDEFGHIJ,1"), true, false, "", "", {}},
      {"maker's sentence, checksum mismatch", "$PUBX,00*00", true, false, "", "PUBX", {5002}},
      {"lowercase checksum digits", lower, true, lower == kGga, "GP", "GGA", {}},
      {"checksum mismatch", badCs, true, false, "GP", "GGA", {5002}},
      {"tilde inside", nmea("GPTXT,a~b"), true, false, "GP", "TXT", {}},
      {"lowercase address", nmea("gpGGA,1"), true, false, "", "", {}},
      {"line end before the checksum", "$GPGGA,1,2\r\n", true, false, "GP", "GGA", {}},
      {"253 characters fit the default maximum", withChars(253), true, true, "GP", "TXT", {}},
      {"254 characters do not", withChars(254), true, false, "GP", "TXT", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    engine::Ref<engine::IParserData> p(new engine::TUnknown<C_ParserNMEA>());
    p->setAcceptUnknown(c.acceptUnknown);
    const Attempt a = parseOnce(p.get(), c.input);
    EXPECT_EQ(a.accepted, c.accepted);
    EXPECT_EQ(a.codes, c.codes);
    if (!c.id.empty()) {
      EXPECT_EQ(a.id, c.id);
      EXPECT_EQ(a.talker, c.talker);
    }
    if (c.accepted) {
      EXPECT_EQ(a.format, "NMEA");
    }
  }
}

TEST(NmeaParser, EveryOutOfRangeByteRefusesAtAnyPosition) {
  engine::Ref<engine::IParserData> p(new engine::TUnknown<C_ParserNMEA>());
  p->setAcceptUnknown(true);
  const std::string base = "GPTXT,abcdefghijklmnopqrstuvwxyz0123456789";
  for (int b : {0x00, 0x0A, 0x1F, 0x20, 0x7D, 0x7E, 0x7F, 0x80, 0xFF}) {
    for (std::size_t at = 6; at < base.size(); at += 5) {
      SCOPED_TRACE(std::to_string(b) + " at " + std::to_string(at));
      std::string inner = base;
      inner[at] = static_cast<char>(b);
      const Attempt a = parseOnce(p.get(), nmea(inner));
      EXPECT_EQ(a.accepted, b == 0x20 || b == 0x7D);
      EXPECT_TRUE(a.codes.empty());
    }
  }
}

TEST(NmeaParser, ConfiguredMaximumAndCutSentence) {
  engine::Ref<engine::C_MsgSettings> s(new engine::TUnknown<engine::C_MsgSettings>());
  s->setEnabled("NMEA", true);
  s->add("NMEA", engine::MsgDescription{"GGA", 40, 0, {}, {}});
  engine::Ref<engine::IParserData> p(new engine::TUnknown<C_ParserNMEA>());
  p->configure(s.get());
  EXPECT_FALSE(parseOnce(p.get(), kGga).accepted);  // longer than 40
  EXPECT_TRUE(parseOnce(p.get(), nmea("GPGGA,1,2,3")).accepted);
  EXPECT_EQ(parseOnce(p.get(), nmea("GPGSV,1")).codes, std::vector<int>{5004});

  const Attempt cut = parseOnce(p.get(), nmea("GPGGA,1,2,3").substr(0, 12), false);
  EXPECT_FALSE(cut.accepted);
  EXPECT_FALSE(cut.readComplete);
}

TEST(NmeaParser, DollarInsideLosesNothing) {
  // A sentence cut short by the next "$" fails its checksum; the next one is still found.
  auto parsers = defaultParsers(true);
  const StreamRun r = runStream("$GPGGA,12" + kGga + "\r\n", parsers);
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].bytes, kGga);
  EXPECT_EQ(r.unknown, 9u + 2u);  // the cut start and the final line end
}
