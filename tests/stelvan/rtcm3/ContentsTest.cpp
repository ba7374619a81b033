// RTCM 3 contents: positions, descriptors, MSM and legacy observation headers,
// ephemeris times and the station field, each from bodies built field by field
// or from the standard's own example.
#include <gtest/gtest.h>

#include <cmath>

#include "BodyWriter.h"
#include "decode/rtcm3/BitReader.h"
#include "decode/rtcm3/MessageContents.h"
#include "decode/rtcm3/MsmHeader.h"
#include "decode/rtcm3/Wgs84.h"

using engine::rtcm3::ContentKind;
using engine::rtcm3::decodeContents;
using engine::rtcm3::GnssSystem;
using engine::rtcm3::MessageContents;
using rtcm3test::BodyWriter;

namespace {

MessageContents decode(const BodyWriter& w) {
  return decodeContents(w.bytes().data(), w.bytes().size());
}

BodyWriter arp(unsigned type, std::int64_t x, std::int64_t y, std::int64_t z) {
  BodyWriter w;
  w.put(type, 12).put(4095, 12).put(63, 6).put(0xF, 4);
  w.putSigned(x, 38).put(3, 2).putSigned(y, 38).put(3, 2).putSigned(z, 38);
  return w;
}

// MSM header up to and with the cell mask; `cells` as sent (one bit per satellite-signal pair).
BodyWriter msm(unsigned type, std::uint32_t epoch, bool multiple, std::uint64_t satMask,
               std::uint32_t sigMask, std::uint64_t cells, int cellBits) {
  BodyWriter w;
  w.put(type, 12).put(2003, 12).put(epoch, 30).put(multiple, 1).put(7, 3).put(0x7F, 7).put(3, 2).put(3, 2);
  w.put(1, 1).put(7, 3).put(satMask, 64).put(sigMask, 32).put(cells, cellBits);
  return w;
}

// Forward conversion, the textbook closed form, to check the inverse against.
void toEcef(double latDeg, double lonDeg, double h, double out[3]) {
  const double a = 6378137.0, f = 1 / 298.257223563, e2 = f * (2 - f);
  const double lat = latDeg * M_PI / 180, lon = lonDeg * M_PI / 180;
  const double n = a / std::sqrt(1 - e2 * std::sin(lat) * std::sin(lat));
  out[0] = (n + h) * std::cos(lat) * std::cos(lon);
  out[1] = (n + h) * std::cos(lat) * std::sin(lon);
  out[2] = (n * (1 - e2) + h) * std::sin(lat);
}

}  // namespace

TEST(Rtcm3Contents, BitReaderSignsAndShortReads) {
  BodyWriter w;
  w.putSigned(-1, 38).putSigned(-(1ll << 37), 38).put(0x5A, 8);
  engine::rtcm3::BitReader r(w.bytes().data(), w.bytes().size());
  EXPECT_EQ(r.s(38), -1);
  EXPECT_EQ(r.s(38), -(1ll << 37));
  EXPECT_EQ(r.u(8), 0x5Au);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(r.u(r.remaining() + 1), 0u);  // one bit too many: nothing read, and it stays short
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.u(1), 0u);
}

TEST(Rtcm3Contents, StandardExample1005) {
  // The 1005 example of the RTCM 3 standard: station 2003 at 1114104.5999, -4850729.7108, 3975521.4643.
  const std::vector<std::uint8_t> body = {0x3E, 0xD7, 0xD3, 0x02, 0x02, 0x98, 0x0E, 0xDE, 0xEF, 0x34,
                                          0xB4, 0xBD, 0x62, 0xAC, 0x09, 0x41, 0x98, 0x6F, 0x33};
  const MessageContents c = decodeContents(body.data(), body.size());
  ASSERT_EQ(c.kind, ContentKind::StationArp);
  EXPECT_EQ(c.type, 1005u);
  EXPECT_EQ(c.station, 2003u);
  EXPECT_DOUBLE_EQ(c.arp.x, 1114104.5999);
  EXPECT_DOUBLE_EQ(c.arp.y, -4850729.7108);
  EXPECT_DOUBLE_EQ(c.arp.z, 3975521.4643);
  EXPECT_FALSE(c.arp.hasHeight);
}

TEST(Rtcm3Contents, Arp1006AndGeodeticRoundTrip) {
  BodyWriter w = arp(1006, -23847647077, -39210891738, 44159760690);
  w.put(65535, 16);
  const MessageContents c = decode(w);
  ASSERT_EQ(c.kind, ContentKind::StationArp);
  EXPECT_EQ(c.station, 4095u);
  EXPECT_EQ(c.arp.itrfYear, 63u);
  EXPECT_DOUBLE_EQ(c.arp.x, -2384764.7077);
  EXPECT_DOUBLE_EQ(c.arp.z, 4415976.0690);
  EXPECT_DOUBLE_EQ(c.arp.antennaHeight, 6.5535);
  // Equator, both poles, high and below-ellipsoid heights, every quadrant.
  const double points[][3] = {{0, 0, 0},       {89.9999999, 10, 100}, {-90, 0, -50},
                              {45, 135, 8848}, {-33.45, -70.68, 570}, {60, -170, -430}};
  for (const auto& p : points) {
    double xyz[3];
    toEcef(p[0], p[1], p[2], xyz);
    const auto g = engine::rtcm3::ecefToGeodetic(xyz[0], xyz[1], xyz[2]);
    EXPECT_NEAR(g.latDeg, p[0], 1e-9) << p[0] << "," << p[1];
    if (std::abs(p[0]) < 90) {
      EXPECT_NEAR(g.lonDeg, p[1], 1e-9) << p[0] << "," << p[1];
    }
    EXPECT_NEAR(g.h, p[2], 1e-4) << p[0] << "," << p[1];
  }
}

TEST(Rtcm3Contents, Descriptors) {
  BodyWriter w1033;
  w1033.put(1033, 12).put(25, 12).text("LEIAR10         NONE").put(3, 8).text("21204005");
  w1033.text("TRIMBLE ALLOY").text("Nav 6.23").text("5803R40146");
  MessageContents c = decode(w1033);
  ASSERT_EQ(c.kind, ContentKind::Descriptor);
  EXPECT_EQ(c.station, 25u);
  EXPECT_EQ(c.descriptor.antenna, "LEIAR10         NONE");
  EXPECT_EQ(c.descriptor.setup, 3u);
  EXPECT_EQ(c.descriptor.antennaSerial, "21204005");
  EXPECT_EQ(c.descriptor.receiver, "TRIMBLE ALLOY");
  EXPECT_EQ(c.descriptor.firmware, "Nav 6.23");
  EXPECT_EQ(c.descriptor.receiverSerial, "5803R40146");

  BodyWriter w1007;
  w1007.put(1007, 12).put(7, 12).text("ANT").put(0, 8);
  c = decode(w1007);
  ASSERT_EQ(c.kind, ContentKind::Descriptor);
  EXPECT_FALSE(c.descriptor.hasSerial);
  EXPECT_FALSE(c.descriptor.hasReceiver);

  // A count that runs past the body: the station still shows, the rest is refused.
  BodyWriter cut;
  cut.put(1008, 12).put(9, 12).put(200, 8).put('A', 8);
  c = decode(cut);
  EXPECT_EQ(c.kind, ContentKind::Other);
  EXPECT_TRUE(c.truncated);
  EXPECT_TRUE(c.hasStation);
  EXPECT_EQ(c.station, 9u);
}

TEST(Rtcm3Contents, MsmHeaders) {
  // GPS MSM7: satellites 1 and 32, signals 2 and 3 of 32, three cells of four.
  MessageContents c =
      decode(msm(1077, 604799999, true, (1ull << 63) | (1ull << 32), (1u << 30) | (1u << 29), 0xB, 4));
  ASSERT_EQ(c.kind, ContentKind::Observations);
  EXPECT_EQ(c.observations.system, GnssSystem::Gps);
  EXPECT_EQ(c.observations.msmKind, 7);
  EXPECT_EQ(c.station, 2003u);
  EXPECT_EQ(c.observations.epochMs, 604799999u);
  EXPECT_TRUE(c.observations.multiple);
  EXPECT_EQ(c.observations.satellites, (std::vector<int>{1, 32}));
  EXPECT_EQ(c.observations.signalIds, (std::vector<int>{2, 3}));
  EXPECT_EQ(c.observations.cells, 3);

  // GLONASS: day of week in the top three bits of the epoch field, milliseconds of the day below.
  c = decode(msm(1084, (5u << 27) | 86399999u, false, 1ull, 1u, 1, 1));
  ASSERT_EQ(c.kind, ContentKind::Observations);
  EXPECT_EQ(c.observations.system, GnssSystem::Glonass);
  EXPECT_EQ(c.observations.dayOfWeek, 5);
  EXPECT_EQ(c.observations.epochMs, 86399999u);
  EXPECT_FALSE(c.observations.multiple);
  EXPECT_EQ(c.observations.satellites, std::vector<int>{64});
  EXPECT_EQ(c.observations.signalIds, std::vector<int>{32});

  // Nine satellites and eight signals would need 72 cells: more than an MSM may carry.
  c = decode(msm(1127, 0, false, 0x1FF, 0xFF, 0, 8));
  EXPECT_EQ(c.kind, ContentKind::Other);
  EXPECT_TRUE(c.truncated);

  // Every MSM number of every system, and nothing beside them.
  const GnssSystem systems[] = {GnssSystem::Gps,  GnssSystem::Glonass, GnssSystem::Galileo, GnssSystem::Sbas,
                                GnssSystem::Qzss, GnssSystem::Beidou,  GnssSystem::Navic};
  for (unsigned s = 0; s < 7; ++s)
    for (unsigned kind = 0; kind <= 9; ++kind) {
      const unsigned type = 1070 + 10 * s + kind;
      c = decode(msm(type, 0, false, 0, 0, 0, 0));
      const bool isMsm = kind >= 1 && kind <= 7;
      ASSERT_EQ(c.kind == ContentKind::Observations, isMsm) << type;
      if (isMsm) {
        EXPECT_EQ(c.observations.system, systems[s]) << type;
        EXPECT_EQ(c.observations.msmKind, static_cast<int>(kind)) << type;
      }
    }
}

TEST(Rtcm3Contents, LegacyObservations) {
  BodyWriter w;
  w.put(1004, 12).put(17, 12).put(318945000, 30).put(1, 1).put(3, 5).put(0, 4);
  for (int prn : {2, 31, 7}) w.put(static_cast<unsigned>(prn), 6).put(0, 125 - 6);
  MessageContents c = decode(w);
  ASSERT_EQ(c.kind, ContentKind::Observations);
  EXPECT_EQ(c.observations.msmKind, 0);
  EXPECT_EQ(c.observations.epochMs, 318945000u);
  EXPECT_TRUE(c.observations.multiple);
  EXPECT_EQ(c.observations.satellites, (std::vector<int>{2, 31, 7}));

  BodyWriter g;  // GLONASS 1012 announcing two satellites but carrying one
  g.put(1012, 12).put(17, 12).put(70527000, 27).put(0, 1).put(2, 5).put(0, 4).put(24, 6).put(0, 130 - 6);
  c = decode(g);
  EXPECT_TRUE(c.truncated);
}

TEST(Rtcm3Contents, EphemerisTimes) {
  // GPS 1019: week after the satellite, toe 288 bits into the body, in units of 16 s.
  BodyWriter gps;
  gps.put(1019, 12).put(31, 6).put(1023, 10).put(0, 288 - 28).put(20249, 16).put(0, 488 - 304);
  MessageContents c = decode(gps);
  ASSERT_EQ(c.kind, ContentKind::Ephemeris);
  EXPECT_FALSE(c.hasStation);
  EXPECT_EQ(c.ephemeris.satellite, 31);
  EXPECT_EQ(c.ephemeris.week, 1023);
  EXPECT_EQ(c.ephemeris.toe, 20249u * 16);

  // QZSS 1044 sends its week after toe.
  BodyWriter qzss;
  qzss.put(1044, 12).put(3, 4).put(0, 246 - 16).put(21036, 16).put(0, 446 - 262).put(901, 10).put(0, 29);
  c = decode(qzss);
  ASSERT_EQ(c.kind, ContentKind::Ephemeris);
  EXPECT_EQ(c.ephemeris.system, GnssSystem::Qzss);
  EXPECT_EQ(c.ephemeris.satellite, 3);
  EXPECT_EQ(c.ephemeris.toe, 21036u * 16);
  EXPECT_EQ(c.ephemeris.week, 901);

  // GLONASS 1020: tb in 15-minute steps, no week.
  BodyWriter glo;
  glo.put(1020, 12).put(24, 6).put(0, 41 - 18).put(95, 7).put(0, 360 - 48);
  c = decode(glo);
  ASSERT_EQ(c.kind, ContentKind::Ephemeris);
  EXPECT_FALSE(c.ephemeris.hasWeek);
  EXPECT_EQ(c.ephemeris.satellite, 24);
  EXPECT_EQ(c.ephemeris.toe, 95u * 900);

  // Galileo I/NAV cut inside toe.
  BodyWriter gal;
  gal.put(1046, 12).put(5, 6).put(1281, 12).put(0, 294 - 30).put(1, 4);
  c = decode(gal);
  EXPECT_EQ(c.kind, ContentKind::Other);
  EXPECT_TRUE(c.truncated);
}

TEST(Rtcm3Contents, StationOfOtherTypes) {
  for (unsigned type : {1013u, 1029u, 1230u}) {
    BodyWriter w;
    w.put(type, 12).put(1234, 12).put(0, 40);
    const MessageContents c = decode(w);
    EXPECT_EQ(c.kind, ContentKind::Other) << type;
    EXPECT_TRUE(c.hasStation) << type;
    EXPECT_EQ(c.station, 1234u) << type;
    EXPECT_FALSE(c.truncated) << type;
  }
  for (unsigned type : {1057u, 1300u, 4094u}) {  // SSR, service and proprietary messages carry none
    BodyWriter w;
    w.put(type, 12).put(1234, 12).put(0, 40);
    EXPECT_FALSE(decode(w).hasStation) << type;
  }
  const std::uint8_t one = 0x3E;
  EXPECT_TRUE(decodeContents(&one, 1).truncated);
}
