// The main view's texts: formats, satellite tables and the round handling of the display state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "gridlink/Framing.h"
#include "plots/LiveSky.h"
#include "plots/PositionTrack.h"
#include "shell/DisplayFormat.h"
#include "shell/SatelliteTables.h"
#include "shell/SessionDisplay.h"

namespace {

// A data message as the receiver sends it: id, length, body, checksum byte.
std::string message(const char* id, const std::string& body) {
  char head[6];
  std::snprintf(head, sizeof head, "%c%c%03X", id[0], id[1], static_cast<unsigned>(body.size() + 1));
  std::string m = head + body;
  m.push_back(static_cast<char>(Zrx::checksum8(m.data(), m.size())));
  return m;
}

std::string bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

template <class T>
std::string raw(T v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

TEST(DisplayFormat, CellsAndClock) {
  using namespace DisplayFormat;
  EXPECT_EQ(lockTimeCell(60), "1");
  EXPECT_EQ(lockTimeCell(59), ":59");
  EXPECT_EQ(lockTimeCell(std::nullopt), "inf");
  EXPECT_EQ(navStatusCell(52), "52+");
  EXPECT_EQ(navStatusCell(4), "04-");
  EXPECT_EQ(byteCell(std::nullopt), "??");
  EXPECT_EQ(elevationCell(std::nullopt), "??");
  EXPECT_EQ(azimuthCell(100), "200");
  EXPECT_EQ(elapsed(25 * 3600), "1d 01:00:00");
  EXPECT_EQ(elapsed(24 * 3600), "24:00:00");
  EXPECT_EQ(trackingTime(90061), "Tracking time:1d 01:01:01");
  EXPECT_EQ(clockOffset(1e-7f), "Clock offset: +0.1000 ppm");
  EXPECT_EQ(rmsPosition(3, 4), "RMS Pos: 5.0000 m");
  EXPECT_EQ(rmsVelocity(0, 0), "RMS Vel:  0.0000 m/s");
}

TEST(DisplayFormat, PositionAndTarget) {
  using namespace DisplayFormat;
  const double lat = 47.3769 / kRadToDeg, lon = -8.5417 / kRadToDeg;
  EXPECT_EQ(geodetic(lat, lon, 430.25),
            "Lat: 47\26022' 36.8400\" N\nLon: 8\26032' 30.1200\" W\nAlt:  430.2500 m");
  EXPECT_EQ(targetLat(-lat), "Lat:    47\26022'36.8400\" S");
  const TargetOffsets south = targetOffsets(0.5, 0.1, 0.49, 0.1);
  EXPECT_DOUBLE_EQ(south.course, 180.0);
  EXPECT_NEAR(south.north, -63710.0, 1e-6);
  EXPECT_EQ(offsets(south).substr(offsets(south).find("CTT")), "CTT:    180\26000'0  0.00\"");
}

TEST(SatelliteTables, GlonassChannelSlotAndGpsAlmanac) {
  SatelliteTables t;
  t.setAlmanac(false, 5);
  const std::string si = message("SI", bytes({5, 7, 38, 75, 255}));
  ASSERT_TRUE(t.handle(si, 0));
  ASSERT_EQ(t.rows(kGps).size(), 2u);
  ASSERT_EQ(t.rows(kGlonass).size(), 1u);
  ASSERT_EQ(t.rows(kGalileo).size(), 1u);
  EXPECT_EQ(t.rows(kGps)[0][0], "05");
  EXPECT_EQ(t.rows(kGps)[1][0], "07*");
  EXPECT_EQ(t.rows(kGlonass)[0][1], "-7");
  EXPECT_EQ(t.rows(kGalileo)[0][0], "05");
  EXPECT_EQ(t.countsText(), "Satellites  2 : 1 : 1 : 0");
  const std::string nn = message("NN", bytes({0, 0, 3, 0, 0}));
  t.handle(nn, 0);
  EXPECT_EQ(t.rows(kGlonass)[0][0], "03*");
  const std::string el = message("EL", bytes({10, 20, 30, 40, 50}));
  t.handle(el, 0);
  EXPECT_EQ(t.rows(kGlonass)[0][2], "30");  // shifted one column right of GPS
  // Doppler of a satellite moving away: falling mark.
  std::string dc;
  for (int v : {0, 0, 50000000, 0, 0}) dc += raw<std::int32_t>(v);
  t.handle(message("DC", dc), 0);
  EXPECT_EQ(t.rows(kGlonass)[0][2], "30--");
  // Lock time with the receiver's "no value", and the navigation status before the solution byte.
  std::string tc;
  for (int v : {0, 0, 0xFFFF, 0, 0}) tc += raw<std::uint16_t>(static_cast<std::uint16_t>(v));
  t.handle(message("TC", tc), 0);
  EXPECT_EQ(t.rows(kGlonass)[0][9], "inf");
  t.handle(message("SS", bytes({0, 0, 52, 0, 0, 1})), 0);
  EXPECT_EQ(t.rows(kGlonass)[0][10], "52+");
  EXPECT_EQ(t.rows(kGps)[1][9], "00+");
  // A shorter "SI" drops the surplus rows.
  t.handle(message("SI", bytes({7})), 0);
  EXPECT_EQ(t.rows(kGps).size(), 1u);
  EXPECT_TRUE(t.rows(kGlonass).empty());
}

// A round of all six systems: each satellite in its system's table, numbered by its PRN, its
// values in its own row; indices of no system are left out without shifting the others.
TEST(SatelliteTables, BeidouAndQzssHaveTablesOfTheirOwn) {
  SatelliteTables t;
  // GPS 5, GLONASS channel -7, Galileo 5, SBAS 120, BeiDou 14, none, QZSS 193, BeiDou 1, none, QZSS 202.
  t.handle(message("SI", bytes({5, 38, 75, 120, 224, 110, 193, 211, 205, 202})), 0);
  t.handle(message("EL", bytes({10, 11, 12, 13, 14, 15, 16, 17, 18, 19})), 0);
  t.handle(message("AZ", bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 10})), 0);
  t.handle(message("EC", bytes({40, 41, 42, 43, 44, 45, 46, 47, 48, 255})), 0);
  using Rows = std::vector<SatelliteTables::Row>;
  const auto row = [](const char* n, const char* el, const char* az, const char* ca) {
    return SatelliteTables::Row{n, el, az, ca, "", "", "", "", "", ""};
  };
  EXPECT_EQ(t.rows(kBeidou), (Rows{row("14", "14", "10", "44"), row("01", "17", "16", "47")}));
  EXPECT_EQ(t.rows(kQzss), (Rows{row("193", "16", "14", "46"), row("202", "19", "20", "??")}));
  EXPECT_EQ(t.rows(kSbas), (Rows{row("120", "13", "8", "43")}));
  EXPECT_EQ(t.rows(kGalileo), (Rows{row("05", "12", "6", "42")}));
  EXPECT_EQ(t.rows(kGps).size(), 1u);
  EXPECT_EQ(t.rows(kGlonass).size(), 1u);
  EXPECT_EQ(t.countsText(), "Satellites  1 : 1 : 1 : 1 : BeiDou 2 : QZSS 2");
  EXPECT_EQ(satColumns(kBeidou).size(), satColumns(kGalileo).size());
  EXPECT_STREQ(satColumns(kQzss)[7].header, "L5");
  // The next round without them empties their tables.
  t.handle(message("SI", bytes({5, 38})), 0);
  EXPECT_TRUE(t.rows(kBeidou).empty());
  EXPECT_TRUE(t.rows(kQzss).empty());
  EXPECT_EQ(t.countsText(), "Satellites  1 : 1 : 0 : 0");
}

// The tables and the sky plot read an index the same way: every index lands in the table of the
// sky's system, under the number the sky's label carries.
TEST(SatelliteTables, NumbersAgreeWithTheSkyPlot) {
  std::string indices;
  for (int i = 0; i < 255; ++i) indices.push_back(static_cast<char>(i));  // 255 is "none"
  SatelliteTables t;
  t.handle(message("SI", indices), 0);
  const plots::SatSystem systems[kSatTables] = {plots::SatSystem::Gps,     plots::SatSystem::Glonass,
                                                plots::SatSystem::Galileo, plots::SatSystem::Sbas,
                                                plots::SatSystem::Beidou,  plots::SatSystem::Qzss};
  std::size_t next[kSatTables] = {};
  for (int i = 0; i < 255; ++i) {
    const auto sky = plots::LiveSky::fromIndex(i, 0);
    if (!sky) continue;
    const int table = static_cast<int>(std::find(systems, systems + kSatTables, sky->system) - systems);
    ASSERT_LT(table, kSatTables) << "index " << i;
    ASSERT_LT(next[table], t.rows(table).size()) << "index " << i;
    const auto& r = t.rows(table)[next[table]++];
    if (table == kGlonass) continue;  // the sky numbers it by slot, the table by channel and slot
    const std::string number = r[0].substr(0, r[0].find('*'));
    EXPECT_EQ(std::stoi(number), sky->number) << "index " << i << ", sky " << plots::LiveSky::label(*sky);
  }
  const std::size_t counts[kSatTables] = {37, 33, 33, 19, 44, 10};
  for (int table = 0; table < kSatTables; ++table) EXPECT_EQ(t.rows(table).size(), counts[table]) << table;
  EXPECT_EQ(plots::LiveSky::label(*plots::LiveSky::fromIndex(224, 0)), "C14");
  EXPECT_EQ(plots::LiveSky::label(*plots::LiveSky::fromIndex(193, 0)), "J1");
}

TEST(SatelliteTables, SortingByNumberAndText) {
  const SatelliteTables::Row a = {"03", "9", "100"}, b = {"10", "45", "20"};
  EXPECT_LT(SatelliteTables::compare(kGps, 1, -1, a, b), 0);  // 9 before 45 ascending
  EXPECT_GT(SatelliteTables::compare(kGps, 1, 1, a, b), 0);
  EXPECT_LT(SatelliteTables::compare(kGps, 0, -1, a, b), 0);
  EXPECT_GT(SatelliteTables::compare(kGlonass, 2, -1, a, b), 0);  // GLONASS "EL" is column 2
}

struct FixedTarget : TargetSource {
  double targetLat() const override { return 0.5; }
  double targetLon() const override { return 0.1; }
};

TEST(SessionDisplay, PositionRedrawsTargetOnlyWhenChanged) {
  FixedTarget target;
  std::atomic<bool> changed{true};
  SessionDisplay d(target, changed);
  std::string pg = raw(0.49) + raw(0.1) + raw(12.5) + raw(1.0f) + bytes({1});
  d.handle(message("PG", pg));
  ViewTexts t = d.snapshot();
  EXPECT_FALSE(changed);
  EXPECT_EQ(t.solution, "(standalone)");
  EXPECT_NE(t.targetLat.find("28\26038'52.4031\" N"), std::string::npos);
  EXPECT_NE(t.targetOffsets.find("DTT:      63710.000 m"), std::string::npos);
  EXPECT_TRUE(t.hasPosition);
  d.clear();
  EXPECT_EQ(d.snapshot().geo, "Lon:\nLat:\nAlt:");
  EXPECT_FALSE(d.snapshot().hasPosition);
}

// The counts line: the four classic systems as ever, BeiDou and QZSS named after them when the
// receiver tracks any.
TEST(SessionDisplay, CountsLineNamesBeidouAndQzssOnlyWhenPresent) {
  using DisplayFormat::satelliteCounts;
  EXPECT_EQ(satelliteCounts(9, 7, 8, 2), "Satellites  9 : 7 : 8 : 2");
  EXPECT_EQ(satelliteCounts(9, 7, 8, 2, 0, 0), "Satellites  9 : 7 : 8 : 2");
  EXPECT_EQ(satelliteCounts(9, 7, 8, 2, 11, 0), "Satellites  9 : 7 : 8 : 2 : BeiDou 11");
  EXPECT_EQ(satelliteCounts(0, 0, 0, 0, 0, 3), "Satellites  0 : 0 : 0 : 0 : QZSS 3");

  FixedTarget target;
  std::atomic<bool> changed{true};
  SessionDisplay d(target, changed);
  d.handle(message("SI", bytes({3, 17, 40})));
  ViewTexts t = d.snapshot();
  EXPECT_EQ(t.satCounts, "Satellites  2 : 1 : 0 : 0");
  EXPECT_TRUE(t.tables[kBeidou].empty());
  EXPECT_TRUE(t.tables[kQzss].empty());
  d.handle(message("SI", bytes({3, 17, 40, 71, 121, 196, 230, 240})));
  t = d.snapshot();
  EXPECT_EQ(t.satCounts, "Satellites  2 : 1 : 1 : 1 : BeiDou 2 : QZSS 1");
  ASSERT_EQ(t.tables[kBeidou].size(), 2u);
  EXPECT_EQ(t.tables[kBeidou][0][0], "20");
  EXPECT_EQ(t.tables[kBeidou][1][0], "30");
  ASSERT_EQ(t.tables[kQzss].size(), 1u);
  EXPECT_EQ(t.tables[kQzss][0][0], "196");
  d.clear();
  EXPECT_TRUE(d.snapshot().tables[kBeidou].empty());
}

struct NoTarget : TargetSource {
  double targetLat() const override { return 0; }
  double targetLon() const override { return 0; }
};

TEST(SessionDisplay, TargetFieldsStayBlankWhileNoTargetIsSet) {
  NoTarget target;
  std::atomic<bool> changed{true};
  SessionDisplay d(target, changed);
  d.handle(message("PG", raw(0.49) + raw(0.1) + raw(12.5) + raw(1.0f) + bytes({1})));
  const ViewTexts t = d.snapshot();
  EXPECT_EQ(t.targetLat, "Lat:");
  EXPECT_EQ(t.targetLon, "Lon:");
  EXPECT_EQ(t.targetOffsets, "ETT:\nNTT:\nDTT:\nCTT:");
  EXPECT_NE(t.geo, ViewTexts{}.geo) << "the position itself is shown";

  d.setDecimalDegrees(true);
  d.handle(message("PG", raw(-0.49) + raw(0.1) + raw(12.5) + raw(1.0f) + bytes({1})));
  EXPECT_EQ(d.snapshot().geo, "Lat:  28.07493196\260 S\nLon:   5.72957795\260 E\nAlt:   12.5000 m");
}

// The main view and the position track read "PG" through the same rule: a message the track
// refuses leaves the view's last position standing, and one the track takes moves it.
TEST(SessionDisplay, PositionRuleIsTheTracksRule) {
  NoTarget target;
  std::atomic<bool> changed{true};
  SessionDisplay d(target, changed);
  const auto pg = [](double lat, double lon, double h, int type) {
    return message("PG", raw(lat) + raw(lon) + raw(h) + raw(1.0f) + bytes({type}));
  };
  const std::string good = pg(0.8, 0.15, 430, 4);
  d.handle(good);
  const ViewTexts before = d.snapshot();
  ASSERT_TRUE(before.hasPosition);
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* what;
    std::string message;
    bool position;
  };
  const Case cases[] = {
      {"no solution", pg(0, 0, 0, 0), false},
      {"NaN latitude", pg(nan, 0.15, 430, 1), false},
      {"infinite height", pg(0.8, 0.15, inf, 1), false},
      {"latitude past the pole", pg(1.6, 0.15, 430, 1), false},
      {"longitude past a turn", pg(0.8, 6.3, 430, 1), false},
      {"cut short", good.substr(0, 20), false},
      {"south-west", pg(-0.5, -3.0, -20, 2), true},
  };
  for (const Case& c : cases) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.message.data());
    const auto fix = plots::PositionTrack::decodePG(bytes, static_cast<int>(c.message.size()));
    EXPECT_EQ(fix.has_value(), c.position) << c.what;
    d.handle(good);
    d.handle(c.message);
    const ViewTexts t = d.snapshot();
    EXPECT_EQ(t.geo != before.geo, c.position) << c.what;
    EXPECT_EQ(t.lat != before.lat, c.position) << c.what;
    if (fix) {
      EXPECT_EQ(t.lat, fix->lat) << c.what;
    }
  }
  d.handle(pg(0, 0, 0, 0));
  EXPECT_EQ(d.snapshot().solution, "(no solution)") << "the solution type is shown all the same";
}

}  // namespace
