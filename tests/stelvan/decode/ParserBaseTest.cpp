#include <gtest/gtest.h>

#include "TestParsers.h"
#include "decode/engine/C_Ex_DataCash.h"
#include "decode/engine/C_MsgSetting.h"
#include "decode/engine/C_MsgSettings.h"

namespace {

using namespace engine;
using ftest::TParser;
using ftest::u8;
using Bytes = std::vector<std::uint8_t>;

TEST(PatternText, Unescape) {
  const struct {
    const char* legend;
    std::string text;
    Bytes bytes;
  } cases[] = {
      {"plain", "ab", {'a', 'b'}},
      {"cr lf", "\\r\\n", {13, 10}},
      {"zero", "\\0", {0}},
      {"quote and backslash", "\\\"\\\\", {'"', '\\'}},
      {"hex both cases", "\\x41\\X4a", {'A', 'J'}},
      {"hex takes all digits, keeps the low byte", "\\x1FFz", {0xFF, 'z'}},
      {"hex without digits gives nothing", "\\xq", {'q'}},
      {"unknown escape drops both", "a\\qb", {'a', 'b'}},
      {"lone backslash ends the text", "ab\\", {'a', 'b'}},
  };
  for (const auto& c : cases) EXPECT_EQ(CParserData::unescape(c.text), c.bytes) << c.legend;
}

TEST(PatternText, EscapeAndRoundTrip) {
  const Bytes b{0, '\t', '\n', '\r', '!', '~', ' ', 0x7F, 0xFF, 0x0B};
  const std::string text = CParserData::escape(b);
  EXPECT_EQ(text, "\\0\\t\\n\\r!~\\x20\\x7F\\xFF\\xB");
  Bytes withoutTab = b;
  withoutTab.erase(withoutTab.begin() + 1);  // "\t" is no input escape: it reads back as nothing
  EXPECT_EQ(CParserData::unescape(text), withoutTab);
}

struct Run {
  bool accepted;
  std::size_t taken;
};

Run parseOnce(IParserData* p, const std::string& data) {
  Ref<C_Ex_DataCash> cash(new TUnknown<C_Ex_DataCash>());
  Ref<IMsgSetting> st(new TUnknown<C_MsgSetting>());
  cash->write(u8(data), data.size());
  cash->setNoWait(true);
  const bool ok = p->parse(cash.get(), st.get());
  return {ok, cash->takenCount()};
}

TEST(PatternLists, LimitsCountPerRun) {
  Ref<IParserData> p(new TUnknown<TParser>());
  p->addPattern(true, "\\r\\n", CParserData::kUnlimited, true);
  EXPECT_EQ(parseOnce(p.get(), "\r\n\r\n\r\nT1a").taken, 9u);
  p->setPatternLimit(true, 0, 0);  // limit 0: one match
  EXPECT_FALSE(parseOnce(p.get(), "\r\n\r\nT1a").accepted);
  EXPECT_TRUE(parseOnce(p.get(), "\r\nT1a").accepted);
  p->setPatternLimit(true, 0, 1);
  EXPECT_TRUE(parseOnce(p.get(), "\r\n\r\nT1a").accepted);
  p->setPatternEnabled(true, 0, false);
  EXPECT_FALSE(parseOnce(p.get(), "\r\nT1a").accepted);
  EXPECT_EQ(p->patternText(true, 0), "\\r\\n");
  EXPECT_EQ(p->patternText(true, 9), "");
  p->addPattern(false, "!", CParserData::kUnlimited, true);  // trailing: the answer is the parse result
  EXPECT_EQ(parseOnce(p.get(), "T1a!!x").taken, 5u);
  // Out of bytes while matching answers the end-of-input flag (here: ended).
  EXPECT_TRUE(parseOnce(p.get(), "T1a!").accepted);
}

TEST(ParserBase, CloneAndConfigure) {
  Ref<TParser> p(new TUnknown<TParser>());
  p->setAcceptUnknown(true);
  p->addPattern(true, "\\n", 5, true);
  MsgDescription d;
  d.id = "M1";
  d.maxLength = 80;
  d.hooks = {{"map_msg_type", "3"}};
  Ref<C_MsgSettings> s(new TUnknown<C_MsgSettings>());
  s->add("T", d);
  p->configure(s.get());  // not enabled for "T": nothing changes
  Ref<IParserData> c1(p->clone());
  EXPECT_TRUE(c1->acceptsUnknown());
  EXPECT_EQ(c1->patternCount(true), 1u);
  EXPECT_EQ(c1->patternLimit(true, 0), 5u);
  EXPECT_EQ(c1->name(), "T");
  EXPECT_NE(c1.get(), static_cast<IParserData*>(p.get()));
  const auto gen = p->generation();
  s->setEnabled("T", true);
  p->configure(s.get());
  EXPECT_GT(p->generation(), gen);
  p->configure(nullptr);  // defaults
  EXPECT_FALSE(p->acceptsUnknown());
  EXPECT_TRUE(p->mayStart('T'));
  EXPECT_TRUE(p->mayStart('\n'));  // a leading pattern's first byte
  EXPECT_FALSE(p->mayStart('x'));
}

}  // namespace

// Every attempt starts from a reset record: whatever one attempt set, by
// any setter, must be gone for the next, however many empty resets pass.
TEST(MsgSetting, ResetClearsWhatAnyAttemptSet) {
  Ref<C_MsgSetting> s(new TUnknown<C_MsgSetting>());
  using Setter = void (*)(IMsgSetting&);
  const Setter setters[] = {
      [](IMsgSetting& m) { m.setSource("COM1"); }, [](IMsgSetting& m) { m.setFormat("NMEA"); },
      [](IMsgSetting& m) { m.setId("GGA"); },      [](IMsgSetting& m) { m.setDescription("GP"); },
      [](IMsgSetting& m) { m.addStatus(5002); },   [](IMsgSetting& m) { m.setValid(false); },
  };
  for (const Setter set : setters) {
    s->reset();
    s->reset();
    set(*s.get());
    s->reset();
    EXPECT_TRUE(s->isValid());
    EXPECT_EQ(s->source(), "");
    EXPECT_EQ(s->format(), "");
    EXPECT_EQ(s->id(), "");
    EXPECT_EQ(s->description(), "");
    EXPECT_EQ(s->statusCount(), 0u);
  }
}
