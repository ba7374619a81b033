#include <gtest/gtest.h>

#include "FrameBuilders.h"
#include "ParserHarness.h"
#include "decode/engine/C_Ex_DataCash.h"
#include "decode/engine/C_MsgSetting.h"
#include "decode/engine/C_MsgSettings.h"
#include "decode/engine/TuningValues.h"
#include "decode/parsers/C_ParserCMR.h"

using namespace ptest;
using engine::C_ParserCMR;

TEST(CmrParser, FrameCases) {
  struct Case {
    const char* legend;
    std::string input;
    bool acceptUnknown;
    bool accepted;
    std::string id;
    std::vector<int> codes;
  } cases[] = {
      {"type 0 observables", cmr(0x93, cmrData(0)), true, true, "0", {}},
      {"type 3 is GO", cmr(0x93, cmrData(3)), true, true, "GO", {}},
      {"type 7 is GO", cmr(0x93, cmrData(7)), true, true, "GO", {}},
      {"type 2", cmr(0x93, cmrData(2)), true, true, "2", {}},
      {"0x94 frame", cmr(0x94, "\x01\x02\x03"), true, true, "SSI", {}},
      {"one data byte: no type", cmr(0x93, "\x7F"), true, true, "", {}},
      {"empty data", cmr(0x93, ""), true, true, "", {}},
      {"wrong end byte", cmr(0x93, cmrData(0), 0, 0x04), true, false, "0", {4}},
      {"wrong checksum", cmr(0x93, cmrData(0), 1), true, false, "0", {5002}},
      {"frame type 0x95", cmr(0x95, cmrData(0)), true, false, "", {}},
      {"status byte not 0",
       [] {
         auto f = cmr(0x93, cmrData(0));
         f[1] = 1;
         return f;
       }(),
       true,
       false,
       "",
       {}},
      {"accept-unknown off", cmr(0x93, cmrData(3)), false, false, "GO", {5004}},
      {"largest frame", cmr(0x93, cmrData(1, 255)), true, true, "1", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    engine::Ref<engine::IParserData> p(new engine::TUnknown<C_ParserCMR>());
    p->setAcceptUnknown(c.acceptUnknown);
    const Attempt a = parseOnce(p.get(), c.input);
    EXPECT_EQ(a.accepted, c.accepted);
    EXPECT_EQ(a.codes, c.codes);
    EXPECT_EQ(a.id, c.id);
    if (c.accepted) {
      EXPECT_EQ(a.format, "CMR");
      EXPECT_EQ(a.taken, c.input.size());
    }
  }
}

TEST(CmrParser, TypeMapSurvivesAttemptsAndConfigureExtendsIt) {
  engine::Ref<engine::IParserData> p(new engine::TUnknown<C_ParserCMR>());
  p->setAcceptUnknown(true);
  // Every attempt is followed by resetState; the default mapping must stay.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(parseOnce(p.get(), cmr(0x93, cmrData(4))).id, "GO");

  engine::Ref<engine::C_MsgSettings> s(new engine::TUnknown<engine::C_MsgSettings>());
  s->setEnabled("CMR", true);
  s->add("CMR", engine::MsgDescription{"REF", 100, 0, {}, {{"map_msg_type", "1"}}});
  s->add("CMR", engine::MsgDescription{"GO", 300, 0, {}, {}});
  p->configure(s.get());
  EXPECT_EQ(parseOnce(p.get(), cmr(0x93, cmrData(1))).id, "REF");
  EXPECT_EQ(parseOnce(p.get(), cmr(0x93, cmrData(1, 200))).codes, std::vector<int>{5003});
  p->setAcceptUnknown(false);
  EXPECT_EQ(parseOnce(p.get(), cmr(0x93, cmrData(0))).codes, std::vector<int>{5004});  // "0" has no maximum
  p->setAcceptUnknown(true);
  engine::Ref<engine::IParserData> c(p->clone());
  EXPECT_EQ(parseOnce(c.get(), cmr(0x93, cmrData(1))).id, "REF");
  EXPECT_FALSE(p->mapMessageType("other_key", "2", "X"));

  const Attempt cut = parseOnce(p.get(), cmr(0x93, cmrData(3)).substr(0, 9), false);
  EXPECT_FALSE(cut.accepted);
  EXPECT_FALSE(cut.readComplete);
}

TEST(CmrParser, StreamMixingAllFiveFormats) {
  const std::string gga = nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
  const std::string pieces[] = {
      cmr(0x93, cmrData(3)),
      "garbage\xFF\xFE",
      zrx("RE", "ok", Seal::None),
      "\r\n" + gga + "\r\n",
      cmr(0x94, "\x10\x20"),
      rtcm3(1004, 40),
      rtcm2(9, 1, {0x010203}),
      zrx("PM", "x", Seal::HexText),
      cmr(0x93, cmrData(0)),
      std::string("\x02\x00\x93", 3),  // a CMR start that goes nowhere
      rtcm3(1005, 19),
  };
  std::string stream;
  for (const auto& p : pieces) stream += p;
  auto parsers = defaultParsers(true);
  const StreamRun r = runStream(stream, parsers);
  std::vector<std::string> seen;
  for (const auto& m : r.messages) seen.push_back(m.format + ":" + m.talker + m.id);
  EXPECT_EQ(seen, (std::vector<std::string>{"CMR:GO", "ZRX:RE", "NMEA:GPGGA", "CMR:SSI", "RTCM_3:1004",
                                            "RTCM:9", "ZRX:PM", "CMR:0", "RTCM_3:1005"}));
  EXPECT_EQ(r.unknown, 9u + 3u);
}

TEST(AllParsers, MessageSplitOverTwoWritesIsFoundOnceComplete) {
  using namespace engine;
  const std::string frames[] = {ptest::zrx("PM", "abc", Seal::HexText), ptest::nmea("GPGGA,1,2,3"),
                                ptest::rtcm2(9, 3, {1, 2, 3}), ptest::rtcm3(1077, 60),
                                ptest::cmr(0x93, cmrData(3))};
  const std::uint32_t wait = tuning::readWaitMs.exchange(1);
  auto parsers = defaultParsers(true);
  for (std::size_t k = 0; k < 5; ++k) {
    const std::string& f = frames[k];
    for (std::size_t cut = 1; cut < f.size(); cut += 3) {
      SCOPED_TRACE(f.substr(0, 2) + " cut at " + std::to_string(cut));
      Ref<C_Ex_DataCash> buf(new TUnknown<C_Ex_DataCash>());
      Ref<C_MsgSetting> status(new TUnknown<C_MsgSetting>());
      buf->write(reinterpret_cast<const std::uint8_t*>(f.data()), cut);
      status->reset();
      EXPECT_FALSE(parsers[k]->parse(buf.get(), status.get()));
      EXPECT_FALSE(buf->lastReadComplete());
      buf->rewind();
      buf->write(reinterpret_cast<const std::uint8_t*>(f.data()) + cut, f.size() - cut);
      status->reset();
      EXPECT_TRUE(parsers[k]->parse(buf.get(), status.get()));
      EXPECT_EQ(buf->takenCount(), f.size());
    }
  }
  tuning::readWaitMs.store(wait);
}
