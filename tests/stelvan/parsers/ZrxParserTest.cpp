#include <gtest/gtest.h>

#include <cstring>

#include "FrameBuilders.h"
#include "ParserHarness.h"
#include "decode/engine/C_Ex_DataCash.h"
#include "decode/engine/C_MessageGNSS.h"
#include "decode/engine/C_MsgSetting.h"
#include "decode/engine/C_MsgSettings.h"
#include "decode/parsers/C_ParserZRX.h"
#include "decode/parsers/ZrxBodies.h"

using namespace ptest;
using engine::C_ParserZRX;

namespace {

struct Case {
  const char* legend;
  std::string input;
  bool acceptUnknown;
  bool endOfInput;
  bool accepted;
  std::size_t taken;  // bytes taken when accepted
  std::vector<int> codes;
};

std::string longBody(std::size_t n) {
  return std::string(n, 'x');
}

}  // namespace

TEST(ZrxParser, FrameCases) {
  const std::string pmGood = zrx("PM", "abc", Seal::HexText);
  std::string pmLower = pmGood;
  pmLower[pmLower.size() - 2] = static_cast<char>(std::tolower(pmLower[pmLower.size() - 2]));
  pmLower[pmLower.size() - 1] = static_cast<char>(std::tolower(pmLower[pmLower.size() - 1]));
  const bool lowerDiffers = pmLower != pmGood;
  const std::string bin1 = zrx("Q7", "", Seal::Binary);  // length 001, checksum byte only
  std::string bin1Bad = bin1;
  bin1Bad.back() = static_cast<char>(bin1Bad.back() ^ 1);
  const std::string big = zrx("Q7", longBody(1024), Seal::Binary);  // L = 0x401
  const std::string crcUnknown = zrx("cc", "payload", Seal::Crc);
  const std::string textUnknown = zrx("cq", "payload", Seal::HexText);
  const std::string binCut = zrx("Q7", "abcdef", Seal::Binary).substr(0, 8);

  const Case cases[] = {
      {"empty reply", "RE000", false, true, true, 5, {}},
      {"empty error reply", "ER000", false, true, true, 5, {}},
      {"unlisted identifier with length 000", "QQ000", true, true, false, 0, {}},
      {"reply with printable body", "RE005hello\r\n", false, true, true, 10, {}},
      {"reply ending early at CR", "RE00Aab\r\nXX", false, true, true, 7, {2}},
      {"leading CR LF skipped", "\r\n\r\nRE002ok", false, true, true, 11, {}},
      {"lowercase length digit", "RE00a", true, true, false, 0, {}},
      {"identifier of digits", "12345", true, true, false, 0, {}},
      {"identifier below 0x30", "R 005hello", true, true, false, 0, {}},
      {"hex text sealed PM", pmGood, false, true, true, pmGood.size(), {}},
      {"binary unlisted, accept-unknown on", bin1, true, true, true, 6, {}},
      {"binary unlisted, accept-unknown off", bin1, false, true, false, 0, {5004}},
      {"unlisted length 1 wrong checksum", bin1Bad, true, true, false, 0, {}},
      {"unlisted length 0x401", big, true, true, false, 0, {5003}},
      {"unlisted CRC-sealed by trial", crcUnknown, true, true, true, crcUnknown.size(), {}},
      {"unlisted text-sealed by trial", textUnknown, true, true, true, textUnknown.size(), {}},
      {"unlisted with no matching seal", "cq007payload", true, true, false, 0, {5002}},
      {"hex text shorter than 2", "PM001A", false, true, false, 0, {5003}},
      {"text cut by end of input", "RE005ab", false, true, true, 7, {2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    engine::Ref<engine::IParserData> p(new engine::TUnknown<C_ParserZRX>());
    p->setAcceptUnknown(c.acceptUnknown);
    const Attempt a = parseOnce(p.get(), c.input, c.endOfInput);
    EXPECT_EQ(a.accepted, c.accepted);
    EXPECT_EQ(a.codes, c.codes);
    if (c.accepted) {
      EXPECT_EQ(a.format, "ZRX");
      EXPECT_EQ(a.taken, c.taken);
    }
  }
  if (lowerDiffers) {
    engine::Ref<engine::IParserData> p(new engine::TUnknown<C_ParserZRX>());
    const Attempt a = parseOnce(p.get(), pmLower);
    EXPECT_FALSE(a.accepted);
    EXPECT_EQ(a.codes, std::vector<int>{5002});
  }
}

TEST(ZrxParser, ShortFramesWaitUnlessInputEnded) {
  engine::Ref<engine::IParserData> p(new engine::TUnknown<C_ParserZRX>());
  p->setAcceptUnknown(true);
  const std::string frame = zrx("Q7", "abcdef", Seal::Binary);
  for (std::size_t cut : {1u, 3u, 5u, 8u}) {
    SCOPED_TRACE(cut);
    const Attempt live = parseOnce(p.get(), frame.substr(0, cut), false);
    EXPECT_FALSE(live.accepted);
    EXPECT_FALSE(live.readComplete);
    EXPECT_FALSE(parseOnce(p.get(), frame.substr(0, cut), true).accepted);
  }
  // A text reply cut while the input goes on is waited for, not delivered short.
  const Attempt text = parseOnce(p.get(), "RE005ab", false);
  EXPECT_FALSE(text.accepted);
  EXPECT_FALSE(text.readComplete);
}

TEST(ZrxParser, ConfiguredClassesAndExpectedLength) {
  engine::Ref<engine::C_MsgSettings> s(new engine::TUnknown<engine::C_MsgSettings>());
  s->setEnabled("ZRX", true);
  engine::MsgDescription crc{"PO", 100, 0, {{"cs", 10}}, {}};
  engine::MsgDescription bin{"RT", 8, 10, {{"cs", 9}}, {}};  // the "~~" stream identifier
  engine::MsgDescription text{"RE", 4095, 0, {}, {}};
  s->add("ZRX", crc);
  s->add("ZRX", bin);
  s->add("ZRX", text);
  engine::Ref<engine::IParserData> p(new engine::TUnknown<C_ParserZRX>());
  p->configure(s.get());
  const std::string po = zrx("PO", "0123456789", Seal::Crc);
  EXPECT_TRUE(parseOnce(p.get(), po).accepted);
  std::string poBad = po;
  poBad[6] ^= 1;
  EXPECT_EQ(parseOnce(p.get(), poBad).codes, std::vector<int>{5002});

  // "~~" with expected length 10: a 11-byte frame is delivered with status 2.
  const Attempt rt = parseOnce(p.get(), zrx("~~", "12345", Seal::Binary));
  EXPECT_TRUE(rt.accepted);
  EXPECT_EQ(rt.id, "~~");
  EXPECT_EQ(rt.codes, std::vector<int>{2});
  EXPECT_EQ(parseOnce(p.get(), zrx("~~", "123456789", Seal::Binary)).codes, std::vector<int>{5003});

  // The defaults are gone after configure ("PM" is in no table now, accept-unknown off).
  EXPECT_EQ(parseOnce(p.get(), zrx("PM", "abc", Seal::HexText)).codes, std::vector<int>{5004});

  // A clone keeps the configured tables; null settings restore the defaults.
  engine::Ref<engine::IParserData> c(p->clone());
  EXPECT_TRUE(parseOnce(c.get(), po).accepted);
  p->configure(nullptr);
  EXPECT_TRUE(parseOnce(p.get(), zrx("PM", "abc", Seal::HexText)).accepted);
  EXPECT_EQ(parseOnce(p.get(), po).codes, std::vector<int>{5004});
}

TEST(ZrxParser, StreamOfRepliesKeepsLineEndsOutOfMessages) {
  auto parsers = defaultParsers(true);
  const StreamRun r = runStream("RE005hello\r\nRE000\r\n" + zrx("PM", "abc", Seal::HexText), parsers);
  ASSERT_EQ(r.messages.size(), 3u);
  EXPECT_EQ(r.messages[0].bytes, "RE005hello");
  EXPECT_EQ(r.messages[1].bytes, "RE000");
  EXPECT_EQ(r.messages[1].offset, 12u);
  EXPECT_EQ(r.messages[2].id, "PM");
  EXPECT_EQ(r.unknown, 0u);
}

TEST(ZrxParser, DeliveredMessageFeedsTheBodyReaders) {
  using namespace engine;
  std::string body(45, '\0');
  const double x = 4.5e6;
  std::memcpy(body.data(), &x, sizeof x);
  body[44] = 2;
  const std::string input = "\r\n" + ptest::zrx("PV", body, Seal::Binary);
  Ref<C_Ex_DataCash> buf(new TUnknown<C_Ex_DataCash>());
  buf->setNoWait(true);
  buf->write(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
  Ref<C_MsgSetting> status(new TUnknown<C_MsgSetting>());
  status->reset();
  Ref<IParserData> p(new TUnknown<C_ParserZRX>());
  p->setAcceptUnknown(true);
  ASSERT_TRUE(p->parse(buf.get(), status.get()));
  Ref<C_MessageGNSS> msg(new TUnknown<C_MessageGNSS>(status.get()));
  ASSERT_TRUE(buf->commit(msg.get()));
  msg->lock();
  const zrx::Bytes b = zrx::messageBytes(msg.get());
  const auto pv = zrx::readPositionVelocity(b.data, b.size);
  msg->unlock();
  ASSERT_EQ(b.size, input.size() - 2);  // the line end is not part of the message
  ASSERT_TRUE(pv);
  EXPECT_EQ(pv->x, x);
  EXPECT_EQ(pv->solutionType, 2);
  EXPECT_EQ(zrx::messageBytes(nullptr).size, 0u);
}
