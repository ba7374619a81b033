#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "FrameBuilders.h"
#include "decode/parsers/Crc24q.h"
#include "decode/parsers/Rtcm2Word.h"
#include "decode/parsers/ZrxBodies.h"
#include "decode/parsers/ZrxIdTable.h"

using namespace engine;

TEST(FormatRules, Crc24qCheckValue) {
  const char* s = "123456789";
  EXPECT_EQ(rtcm3::crc24q(reinterpret_cast<const std::uint8_t*>(s), 9), 0xCDE703u);
  EXPECT_EQ(rtcm3::crc24q(nullptr, 0), 0u);
  // Against a bit-by-bit CRC over every length and a split computation.
  std::vector<std::uint8_t> data(70);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 37 + 11);
  for (std::size_t n = 0; n <= data.size(); ++n) {
    std::uint32_t bitwise = 0;
    for (std::size_t i = 0; i < n; ++i) {
      bitwise ^= static_cast<std::uint32_t>(data[i]) << 16;
      for (int b = 0; b < 8; ++b)
        bitwise = (bitwise & 0x800000) ? ((bitwise << 1) ^ 0x1864CFB) & 0xFFFFFF : bitwise << 1;
    }
    EXPECT_EQ(rtcm3::crc24q(data.data(), n), bitwise) << n;
    EXPECT_EQ(rtcm3::crc24q(data.data() + n / 3, n - n / 3, rtcm3::crc24q(data.data(), n / 3)), bitwise) << n;
  }
}

TEST(FormatRules, Rtcm2SixBitsAndParity) {
  EXPECT_EQ(rtcm2::sixBits(0x40), 0);
  EXPECT_EQ(rtcm2::sixBits(0x41), 0x20);  // bit 0 is the most significant of the six
  EXPECT_EQ(rtcm2::sixBits(0x7F), 0x3F);
  EXPECT_EQ(rtcm2::sixBits(0x3F), -1);
  EXPECT_EQ(rtcm2::sixBits(0xC1), -1);
  // A word whose data bits are complemented after D30* = 1 still checks, and
  // any single flipped bit breaks it.
  const std::string msg = ptest::rtcm2(9, 1, {0x5A5A5A}, true);
  std::uint32_t raw = 0;
  ASSERT_TRUE(rtcm2::assembleWord(reinterpret_cast<const std::uint8_t*>(msg.data()), raw));
  ASSERT_TRUE(rtcm2::parityOk(raw, 0, 1) || rtcm2::parityOk(raw, 1, 1));
  EXPECT_EQ(rtcm2::messageType(rtcm2::decoded(raw, 1)), 9u);
  for (int bit = 0; bit < 30; ++bit) {
    SCOPED_TRACE(bit);
    EXPECT_FALSE(rtcm2::parityOk(raw ^ (1u << bit), 0, 1) && rtcm2::parityOk(raw ^ (1u << bit), 1, 1));
  }
}

TEST(FormatRules, ZrxTablesAndAliases) {
  zrx::IdTable t;
  t.setDefaults();
  EXPECT_EQ(t.count(zrx::CheckClass::Text), 3u);
  EXPECT_EQ(t.count(zrx::CheckClass::HexText), 3u);
  EXPECT_EQ(t.find('R', 'E')->cls, zrx::CheckClass::Text);
  EXPECT_EQ(t.find('D', 'L')->cls, zrx::CheckClass::HexText);
  EXPECT_EQ(t.find('P', 'V'), nullptr);
  EXPECT_EQ(t.find(0x7F, 'E'), nullptr);
  // The class looked up first wins when an identifier is entered twice.
  EXPECT_TRUE(t.enter("DL", zrx::CheckClass::Binary, 10));
  EXPECT_TRUE(t.enter("DL", zrx::CheckClass::Crc, 20));
  EXPECT_EQ(t.find('D', 'L')->cls, zrx::CheckClass::Binary);
  EXPECT_EQ(t.find('D', 'L')->maxBody, 10);
  EXPECT_FALSE(t.enter("D", zrx::CheckClass::Text, 1));
  EXPECT_EQ(zrx::classForChecksumType(9), zrx::CheckClass::Binary);
  EXPECT_EQ(zrx::classForChecksumType(10), zrx::CheckClass::Crc);
  EXPECT_EQ(zrx::classForChecksumType(16), zrx::CheckClass::HexText);
  EXPECT_EQ(zrx::classForChecksumType(3), zrx::CheckClass::Text);
  for (auto [name, id] : {std::pair{"RT", "~~"}, {"ET", "::"}, {"EV", "=="}, {"EE", "||"}, {"PV", "PV"}}) {
    EXPECT_EQ(zrx::streamIdOf(name), id);
    EXPECT_EQ(zrx::nameOfStreamId(id), name);
  }
}

namespace {
template <class T>
void put(std::string& s, std::size_t at, T v) {
  if (s.size() < at + sizeof v) s.resize(at + sizeof v);
  std::memcpy(s.data() + at, &v, sizeof v);
}
std::optional<zrx::SatValues> sats(const std::string& frame) {
  return zrx::readSatelliteArray(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size());
}
}  // namespace

TEST(ZrxBodies, FixedLayouts) {
  std::string pv;
  put(pv, 0, 1.5);
  put(pv, 8, -2.5);
  put(pv, 16, 3.25);
  put(pv, 24, 0.5f);
  put(pv, 28, 1.0f);
  put(pv, 32, 2.0f);
  put(pv, 36, 3.0f);
  put(pv, 40, 0.25f);
  put(pv, 44, std::uint8_t{3});
  const std::string f = ptest::zrx("PV", pv, ptest::Seal::Binary);
  const auto* d = reinterpret_cast<const std::uint8_t*>(f.data());
  const auto v = zrx::readPositionVelocity(d, f.size());
  ASSERT_TRUE(v);
  EXPECT_EQ(v->x, 1.5);
  EXPECT_EQ(v->z, 3.25);
  EXPECT_EQ(v->positionDeviation, 0.5f);
  EXPECT_EQ(v->vz, 3.0f);
  EXPECT_EQ(v->velocityDeviation, 0.25f);
  EXPECT_EQ(v->solutionType, 3);
  // Wrong identifier, a frame cut short, a length field beyond the bytes, a short body.
  EXPECT_FALSE(zrx::readCartesianPosition(d, f.size()));
  EXPECT_FALSE(zrx::readPositionVelocity(d, f.size() - 1));
  const std::string shortPv = ptest::zrx("PV", pv.substr(0, 20), ptest::Seal::Binary);
  EXPECT_FALSE(
      zrx::readPositionVelocity(reinterpret_cast<const std::uint8_t*>(shortPv.data()), shortPv.size()));

  std::string rd;
  put(rd, 0, std::uint16_t{2026});
  put(rd, 2, std::uint8_t{12});
  put(rd, 3, std::uint8_t{8});
  const std::string rf = ptest::zrx("RD", rd, ptest::Seal::Binary);
  const auto date = zrx::readReceiverDate(reinterpret_cast<const std::uint8_t*>(rf.data()), rf.size());
  ASSERT_TRUE(date);
  EXPECT_EQ(date->year, 2026);
  EXPECT_EQ(date->month, 12);
  EXPECT_EQ(date->day, 8);

  std::string dp;
  put(dp, 0, 1.1f);
  put(dp, 4, 2.2f);
  put(dp, 8, 3.3f);
  const std::string df = ptest::zrx("DP", dp, ptest::Seal::Binary);
  EXPECT_EQ(zrx::readDops(reinterpret_cast<const std::uint8_t*>(df.data()), df.size())->tdop, 3.3f);
  const std::string tt = ptest::zrx("~~", std::string("\x10\x27\x00\x00", 4), ptest::Seal::Binary);
  EXPECT_EQ(zrx::readReceiverTime(reinterpret_cast<const std::uint8_t*>(tt.data()), tt.size())->msOfDay,
            10000u);
  const std::string ga = ptest::zrx("NA", "\x05", ptest::Seal::Binary);
  const std::string ms = "MS020,RTCMST,999,0000,0000,100.00,@1F\r\nXX";
  EXPECT_EQ(*zrx::readRtcmStatusText(reinterpret_cast<const std::uint8_t*>(ms.data()), ms.size()),
            "MS020,RTCMST,999,0000,0000,100.00,@1F");
  EXPECT_FALSE(zrx::readRtcmStatusText(reinterpret_cast<const std::uint8_t*>(ms.data()), 20));
  EXPECT_EQ(*zrx::readAlmanacSatellite(reinterpret_cast<const std::uint8_t*>(ga.data()), ga.size()), 5);
}

TEST(ZrxBodies, PerSatelliteArraysWithNoValue) {
  const auto el = sats(ptest::zrx("EL", std::string("\x1E\x7F\xF6", 3), ptest::Seal::Binary));
  ASSERT_TRUE(el);
  ASSERT_EQ(el->size(), 3u);
  EXPECT_EQ((*el)[0], 30);
  EXPECT_FALSE((*el)[1]);
  EXPECT_EQ((*el)[2], -10);
  const auto az = sats(ptest::zrx("AZ", std::string("\x2D\xFF", 2), ptest::Seal::Binary));
  ASSERT_TRUE(az);
  EXPECT_EQ((*az)[0], 45);
  EXPECT_FALSE((*az)[1]);
  const auto tc = sats(ptest::zrx("TC", std::string("\x0A\x00\xFF\xFF", 4), ptest::Seal::Binary));
  ASSERT_TRUE(tc);
  EXPECT_EQ((*tc)[0], 10);
  EXPECT_FALSE((*tc)[1]);
  const auto dc =
      sats(ptest::zrx("DC", std::string("\xFF\xFF\xFF\x7F\xFE\xFF\xFF\xFF", 8), ptest::Seal::Binary));
  ASSERT_TRUE(dc);
  EXPECT_FALSE((*dc)[0]);
  EXPECT_EQ((*dc)[1], -2);
  // A body that is not a whole number of entries plus the checksum is refused.
  EXPECT_FALSE(sats(ptest::zrx("TC", std::string("\x0A\x00\x01", 3), ptest::Seal::Binary)));
  EXPECT_FALSE(sats(ptest::zrx("PV", "abc", ptest::Seal::Binary)));
  const std::string ss = ptest::zrx("SS", std::string("\x01\x02\x03\x04", 4), ptest::Seal::Binary);
  const auto st = zrx::readSatelliteStatus(reinterpret_cast<const std::uint8_t*>(ss.data()), ss.size());
  ASSERT_TRUE(st);
  EXPECT_EQ(st->status, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(st->solutionType, 4);
}
