#include <gtest/gtest.h>

#include "FrameBuilders.h"
#include "ParserHarness.h"
#include "decode/engine/C_MsgSettings.h"
#include "decode/parsers/C_ParserRTCM.h"
#include "decode/parsers/C_ParserRTCM_3.h"

using namespace ptest;

namespace {
// The 1005 example frame of the RTCM 3 standard.
const std::string k1005 = bytes({0xD3, 0x00, 0x13, 0x3E, 0xD7, 0xD3, 0x02, 0x02, 0x98, 0x0E, 0xDE, 0xEF, 0x34,
                                 0xB4, 0xBD, 0x62, 0xAC, 0x09, 0x41, 0x98, 0x6F, 0x33, 0x36, 0x0B, 0x98});
}  // namespace

TEST(Rtcm3Parser, FrameCases) {
  std::string corrupt = k1005;
  corrupt[8] ^= 0x10;
  const std::string len1 = bytes({0xD3, 0x00, 0x01, 0x3E, 0, 0, 0});
  std::string reserved = rtcm3(1004, 10);
  reserved[1] = static_cast<char>(reserved[1] | 0x7C);
  reserved = resealRtcm3(reserved);
  struct Case {
    const char* legend;
    std::string input;
    bool acceptUnknown;
    bool accepted;
    std::string id;
    std::vector<int> codes;
  } cases[] = {
      {"standard 1005 example", k1005, true, true, "1005", {}},
      {"one payload byte corrupted", corrupt, true, false, "1005", {5002}},
      {"payload length 1", len1, true, false, "", {5003}},
      {"accept-unknown off, not configured", k1005, false, false, "1005", {5004}},
      {"built 1077 of 300 bytes", rtcm3(1077, 300), true, true, "1077", {}},
      {"largest payload", rtcm3(4094, 1023), true, true, "4094", {}},
      {"reserved bits set are ignored", reserved, true, true, "1004", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    engine::Ref<engine::IParserData> p(new engine::TUnknown<engine::C_ParserRTCM_3>());
    p->setAcceptUnknown(c.acceptUnknown);
    const Attempt a = parseOnce(p.get(), c.input);
    EXPECT_EQ(a.accepted, c.accepted);
    EXPECT_EQ(a.codes, c.codes);
    EXPECT_EQ(a.id, c.id);
    if (c.accepted) {
      EXPECT_EQ(a.format, "RTCM_3");
      EXPECT_EQ(a.taken, c.input.size());
    }
  }
}

TEST(Rtcm3Parser, ConfiguredLimits) {
  engine::Ref<engine::C_MsgSettings> s(new engine::TUnknown<engine::C_MsgSettings>());
  s->setEnabled("RTCM_3", true);
  s->add("RTCM_3", engine::MsgDescription{"1005", 19, 30, {}, {}});
  s->add("RTCM_3", engine::MsgDescription{"1077", 100, 0, {}, {}});
  engine::Ref<engine::IParserData> p(new engine::TUnknown<engine::C_ParserRTCM_3>());
  p->configure(s.get());
  const Attempt a = parseOnce(p.get(), k1005);
  EXPECT_TRUE(a.accepted);
  EXPECT_EQ(a.codes, std::vector<int>{2});  // 25-byte frame, 30 expected
  EXPECT_EQ(parseOnce(p.get(), rtcm3(1077, 101)).codes, std::vector<int>{5003});
  EXPECT_EQ(parseOnce(p.get(), rtcm3(1004, 10)).codes, std::vector<int>{5004});
  const Attempt cut = parseOnce(p.get(), k1005.substr(0, 20), false);
  EXPECT_FALSE(cut.accepted);
  EXPECT_FALSE(cut.readComplete);
}

TEST(Rtcm2Parser, MessageCases) {
  const std::vector<std::uint32_t> data{0x123456, 0xABCDEF, 0x000001};
  const std::string normal = rtcm2(9, 100, data);
  const std::string inverted = rtcm2(18, 5, data, true);
  std::string flipped = normal;
  flipped[12] = static_cast<char>(flipped[12] ^ 0x04);
  std::string inserted = normal;
  inserted.insert(17, 1, '\xC1');
  std::string replaced = normal;
  replaced[17] = static_cast<char>(replaced[17] | 0x80);
  struct Case {
    const char* legend;
    std::string input;
    bool acceptUnknown;
    bool accepted;
    std::string id;
    std::vector<int> codes;
  } cases[] = {
      {"normal polarity", normal, true, true, "9", {}},
      {"inverted polarity", inverted, true, true, "18", {}},
      {"no data words", rtcm2(3, 1, {}), true, true, "3", {}},
      {"one flipped data bit", flipped, true, false, "9", {5005}},
      {"byte without the top bits 01 inserted inside", inserted, true, true, "9", {}},
      {"data byte replaced by one without the top bits 01", replaced, true, false, "9", {5005}},
      {"accept-unknown off", normal, false, false, "9", {}},
      {"not a preamble", "fz@@@", true, false, "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    engine::Ref<engine::IParserData> p(new engine::TUnknown<engine::C_ParserRTCM>());
    p->setAcceptUnknown(c.acceptUnknown);
    const Attempt a = parseOnce(p.get(), c.input);
    EXPECT_EQ(a.accepted, c.accepted);
    EXPECT_EQ(a.codes, c.codes);
    EXPECT_EQ(a.id, c.id);
    if (c.accepted) {
      EXPECT_EQ(a.format, "RTCM");
      EXPECT_EQ(a.taken, c.input.size());
    }
  }
  engine::Ref<engine::IParserData> p(new engine::TUnknown<engine::C_ParserRTCM>());
  p->setAcceptUnknown(true);
  const Attempt cut = parseOnce(p.get(), normal.substr(0, 17), false);
  EXPECT_FALSE(cut.accepted);
  EXPECT_FALSE(cut.readComplete);
}

TEST(Rtcm2Parser, BackToBackMessages) {
  auto parsers = defaultParsers(true);
  std::string stream;
  for (unsigned t : {1u, 3u, 9u, 16u, 31u})
    stream += rtcm2(t, 7, {0xFFFFFF, 0x000000, static_cast<std::uint32_t>(t)});
  const StreamRun r = runStream(stream, parsers);
  std::vector<std::string> ids;
  for (const auto& m : r.messages) ids.push_back(m.id);
  EXPECT_EQ(ids, (std::vector<std::string>{"1", "3", "9", "16", "31"}));
  EXPECT_EQ(r.unknown, 0u);
}

namespace {
// One list of messages as one continuous word stream (the parity chain runs
// on from message to message, so polarity changes along the way).
struct Rtcm2List {
  std::vector<std::uint32_t> raw;
  std::vector<std::string> ids;
  std::vector<std::size_t> wordCounts;
};
Rtcm2List rtcm2List() {
  Rtcm2List l;
  unsigned d29 = 0, d30 = 0;
  const struct {
    unsigned type;
    std::vector<std::uint32_t> data;
  } messages[] = {{1, {0xFFFFFF, 0x000001, 0xABCDEF}},
                  {3, {0x123456, 0x654321, 0x0F0F0F, 0xF0F0F0}},
                  {9, {0xFFFFFF}},
                  {16, {0x484F57, 0x204152, 0x452059}},
                  {31, {}},
                  {18, {0x000000, 0xFFFFFF, 0x555555, 0xAAAAAA, 0x333333}}};
  for (const auto& m : messages) {
    const auto w = rtcm2Words(m.type, 101, m.data, d29, d30);
    l.raw.insert(l.raw.end(), w.begin(), w.end());
    l.ids.push_back(std::to_string(m.type));
    l.wordCounts.push_back(w.size());
  }
  return l;
}
}  // namespace

TEST(Rtcm2Parser, AnyBitOffsetGivesTheSameMessages) {
  const Rtcm2List list = rtcm2List();
  for (unsigned offset = 0; offset < 6; ++offset) {
    SCOPED_TRACE("bit offset " + std::to_string(offset));
    const std::string stream = rtcm2Bytes(list.raw, offset);
    auto parsers = defaultParsers(true);
    const StreamRun r = runStream("# header\n" + stream, parsers);
    std::vector<std::string> ids;
    for (const auto& m : r.messages) ids.push_back(m.format + ":" + m.id);
    std::vector<std::string> want;
    for (const auto& id : list.ids) want.push_back("RTCM:" + id);
    EXPECT_EQ(ids, want);
    // Five bytes per word wherever the words start: a byte the next message
    // starts in is that message's; the last byte of a shifted stream, which
    // holds the end of the last message and the padding, is left over.
    std::size_t at = 9;
    for (std::size_t i = 0; i < r.messages.size() && i < list.wordCounts.size(); ++i) {
      EXPECT_EQ(r.messages[i].offset, at) << i;
      EXPECT_EQ(r.messages[i].bytes.size(), 5 * list.wordCounts[i]) << i;
      at += 5 * list.wordCounts[i];
    }
    EXPECT_EQ(r.unknown, 8u + (offset ? 1 : 0));  // the header's line end leads the first message

    // Bytes without the top bits 01 inserted every 13 bytes are skipped.
    std::string noisy;
    for (std::size_t i = 0; i < stream.size(); ++i) {
      noisy.push_back(stream[i]);
      if (i % 13 == 12) noisy += "\xC1\xF0";
    }
    auto p2 = defaultParsers(true);
    ids.clear();
    for (const auto& m : runStream(noisy, p2).messages) ids.push_back(m.format + ":" + m.id);
    EXPECT_EQ(ids, want);
  }
}

TEST(Rtcm2Parser, RefusedFramesAtAnOffset) {
  const Rtcm2List list = rtcm2List();
  std::vector<std::uint32_t> raw = list.raw;
  raw[3] ^= 1u << 20;  // a data bit of the first message's second data word
  engine::Ref<engine::IParserData> p(new engine::TUnknown<engine::C_ParserRTCM>());
  p->setAcceptUnknown(true);
  const Attempt a = parseOnce(p.get(), rtcm2Bytes(raw, 3));
  EXPECT_FALSE(a.accepted);
  EXPECT_EQ(a.id, "1");
  EXPECT_EQ(a.codes, std::vector<int>{5005});
  // A lone first word with the preamble is a chance pattern, not a frame.
  const Attempt lone = parseOnce(p.get(), rtcm2Bytes({list.raw[0], 0x15555555}, 2));
  EXPECT_FALSE(lone.accepted);
  EXPECT_TRUE(lone.codes.empty());
  // Cut inside the message: the parser waits for the rest.
  const Attempt cut = parseOnce(p.get(), rtcm2Bytes(list.raw, 4).substr(0, 22), false);
  EXPECT_FALSE(cut.accepted);
  EXPECT_FALSE(cut.readComplete);
}
