// Epochs from decoded streams: the composer's markers, and the epoch record
// field by field from NMEA and ZRX messages.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "TestPaths.h"
#include "decode/engine/C_DataAnalyser.h"
#include "decode/engine/GnssMsgStorage.h"
#include "epoch/EpochComposer.h"
#include "stelvan/parsers/FrameBuilders.h"

namespace {

using namespace Tellus;
using engine::Ref;

struct Epochs : IEpochListener {
  std::vector<Ref<IGnssEpoch>> got;
  void onEpoch(IGnssEpoch* e) override { got.emplace_back(e); }
  std::vector<std::string> ids(std::size_t i) {
    std::vector<std::string> out;
    for (std::size_t k = 0; k < got[i]->messageCount(); ++k) out.push_back(got[i]->message(k)->identifier());
    return out;
  }
};

struct Compose : ::testing::Test {
  Ref<GnssMsgStorage> storage{new engine::TUnknown<GnssMsgStorage>()};
  EpochComposer composer;
  Epochs epochs;
  Ref<engine::C_DataAnalyser> da{new engine::TUnknown<engine::C_DataAnalyser>()};
  void SetUp() override {
    storage->setEpochSink(&composer);
    composer.addListener(&epochs);
    ASSERT_TRUE(da->init(storage.get(), nullptr));
    auto* pm = da->getParserManager();
    for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
  }
  void TearDown() override {
    da->stop();
    storage->setEpochSink(nullptr);
  }
  void decode(const std::string& s) {
    da->write(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
    da->flush();
    ASSERT_TRUE(da->waitProcessed());
  }
  static std::string zrx(const std::string& id, const std::string& body = "") {
    return ptest::zrx(id, body, ptest::Seal::Binary);
  }
};

std::string floats(std::initializer_list<double> d8, std::initializer_list<float> f4) {
  std::string b;
  for (double d : d8) b.append(reinterpret_cast<const char*>(&d), 8);
  for (float f : f4) b.append(reinterpret_cast<const char*>(&f), 4);
  return b + std::string(1, '\x02');  // solution type
}

TEST_F(Compose, MarkersCutTheStreamIntoEpochs) {
  composer.setEndMarker("", "||");
  decode(zrx("AA", "1") + zrx("BB", "2") + zrx("||") + zrx("CC", "3") + zrx("DD", "4") + zrx("||"));
  ASSERT_EQ(epochs.got.size(), 2u);
  EXPECT_EQ(epochs.ids(0), (std::vector<std::string>{"AA", "BB"}));
  EXPECT_EQ(epochs.ids(1), (std::vector<std::string>{"CC", "DD"}));

  epochs.got.clear();
  composer.setBeginMarker("", "~~");
  decode(zrx("AA", "1") + zrx("~~", "1234") + zrx("BB", "2") + zrx("||"));
  ASSERT_EQ(epochs.got.size(), 1u);
  EXPECT_EQ(epochs.ids(0), (std::vector<std::string>{"~~", "BB"}));

  epochs.got.clear();
  composer.setEndMarker("", "");
  decode(zrx("~~", "1234") + zrx("AA", "1") + zrx("~~", "5678") + zrx("BB", "2"));
  ASSERT_EQ(epochs.got.size(), 1u);
  EXPECT_EQ(epochs.ids(0), (std::vector<std::string>{"~~", "AA"}));
  EXPECT_EQ(composer.lastFinished().get(), epochs.got[0].get());
}

TEST_F(Compose, NmeaRecordFieldByField) {
  composer.setBeginMarker("NMEA", "GGA");  // a talker-free marker matches "GPGGA"
  const auto n = [](const std::string& s) { return ptest::nmea(s) + "\r\n"; };
  decode(n("GPGGA,123519.25,4807.038,S,01131.000,W,2,08,0.9,545.4,M,46.9,M,3.5,0120") +
         n("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1") +
         n("GPGSV,3,1,10,70,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45") +
         n("GPGSV,3,2,10,33,10,300,30,05,60,010,,09,80,270,44,24,30,359,40") +
         n("GPGSV,3,3,10,65,05,100,20,88,12,200,25") +
         n("GPRMC,123519.25,A,4807.038,S,01131.000,W,22.4,084.4,230394,003.1,W") +
         n("GPVTG,054.7,T,034.4,M,005.5,N,010.2,K") + n("GPZDA,123519.25,08,12,2026,00,00") +
         n("GPGGA,123520.00,,,,,0,00,,,M,,M,,") + n("GPZDA,123520.00,08,12,2026,00,00") +
         n("GPGGA,123521.00,,,,,0,00,,,M,,M,,"));
  ASSERT_EQ(epochs.got.size(), 2u);
  const TLEpochStructure& r = epochs.got[0]->record();
  EXPECT_EQ(r.flags, 0x01u | 0x02 | 0x04 | 0x10 | 0x20 | 0x40 | 0x80 | 0x400);
  EXPECT_EQ(r.time[0].hour, 12);
  EXPECT_EQ(r.time[0].minute, 35);
  EXPECT_EQ(r.time[0].second, 19);
  EXPECT_EQ(r.time[0].millisecond, 250);
  EXPECT_EQ(r.time[0].year, 2026);
  EXPECT_EQ(r.time[0].month, 12);
  EXPECT_EQ(r.time[0].day, 8);
  EXPECT_NEAR(*r.position.latitude, -(48 + 7.038 / 60), 1e-9);
  EXPECT_NEAR(*r.position.longitude, -(11 + 31.0 / 60), 1e-9);
  EXPECT_NEAR(*r.position.height, 545.4 + 46.9, 1e-9);
  EXPECT_EQ(*r.fixQuality, 2u);
  EXPECT_EQ(*r.satellitesUsed, 8u);
  EXPECT_EQ(*r.stationNumber, 120u);
  EXPECT_DOUBLE_EQ(*r.differentialAge, 3.5);
  EXPECT_DOUBLE_EQ(*r.dilution.pdop, 2.5);
  EXPECT_DOUBLE_EQ(*r.dilution.hdop, 1.3);  // GSA's, not GGA's
  EXPECT_DOUBLE_EQ(*r.dilution.vdop, 2.1);
  EXPECT_NEAR(*r.course.speedKmh, 22.4 * 1.852, 1e-9);
  EXPECT_DOUBLE_EQ(*r.course.course, 84.4);
  EXPECT_DOUBLE_EQ(*r.course.magneticVariation, -3.1);
  EXPECT_DOUBLE_EQ(*r.course.courseOverGround, 54.7);
  EXPECT_EQ(*r.satellitesInView, 10u);
  std::vector<std::string> sats;
  for (const auto& s : r.satellites)
    sats.push_back(std::to_string(s.system) + "/" + std::to_string(s.number) + "/" +
                   std::to_string(s.elevation.value_or(-1)) + "/" + std::to_string(s.azimuth.value_or(-1)) +
                   "/" + std::to_string(s.snr.value_or(-1)));
  EXPECT_EQ(sats, (std::vector<std::string>{"1/2/17/308/41", "1/5/60/10/-1", "1/9/80/270/44", "1/12/7/344/39",
                                            "1/14/22/228/45", "1/24/30/359/40", "4/33/10/300/30",
                                            "2/1/5/100/20", "2/6/40/83/46", "2/24/12/200/25"}));
  ASSERT_NE(r.satelliteByNumber(70), nullptr);
  EXPECT_EQ(r.satelliteByNumber(70)->number, 6);

  // A GGA without a fix: time and quality, no position.
  const TLEpochStructure& nofix = epochs.got[1]->record();
  EXPECT_TRUE(nofix.has(0x01 | 0x20 | 0x40));
  EXPECT_FALSE(nofix.has(0x02));
  EXPECT_FALSE(nofix.position.latitude.has_value());
  EXPECT_EQ(*nofix.fixQuality, 0u);
  EXPECT_FALSE(nofix.dilution.hdop.has_value());
}

TEST_F(Compose, ZrxRecordWithAccuracyDopAndRmsErrors) {
  composer.setEndMarker("ZRX", "||");
  decode(zrx("PV", floats({1.0, 2.0, 3.0}, {0.25f, 0.1f, 0.2f, 0.3f, 0.05f})) +
         zrx("DP", floats({}, {1.5f, 2.5f, 3.5f})) + zrx("SG", floats({}, {0.5f, 0.75f, 0.125f, 0.0f})) +
         zrx("||") + ptest::nmea("GPZDA,000000.00,01,02,2027,00,00") + "\r\n" + zrx("||"));
  ASSERT_EQ(epochs.got.size(), 2u);
  const TLEpochStructure& r = epochs.got[0]->record();
  EXPECT_EQ(r.flags, 0x04u | 0x08);
  EXPECT_DOUBLE_EQ(*r.position.accuracy, 0.25);
  EXPECT_FLOAT_EQ(static_cast<float>(*r.velocity.accuracy), 0.05f);
  EXPECT_DOUBLE_EQ(*r.dilution.tdop, 3.5);
  EXPECT_FALSE(r.dilution.hdop.has_value());
  EXPECT_DOUBLE_EQ(*r.rmsPosition[0], 0.5);
  EXPECT_DOUBLE_EQ(*r.rmsVelocity[1], 0.0);         // 0 is a value
  EXPECT_EQ(epochs.got[1]->record().flags, 0x40u);  // only ZDA
}

}  // namespace

namespace {
std::string satText(const TLSatellite& s) {
  std::string t = std::to_string(s.system) + "/" + std::to_string(s.number) + "/" +
                  std::to_string(s.elevation.value_or(-1)) + "/" + std::to_string(s.azimuth.value_or(-1)) +
                  "/" + std::to_string(s.snr.value_or(-1));
  for (const auto& [id, snr] : s.signals) t += " " + id + ":" + std::to_string(snr);
  return t;
}
const TLSatellite* find(const TLEpochStructure& r, int system, int number) {
  for (const auto& s : r.satellites)
    if (s.system == system && s.number == number) return &s;
  return nullptr;
}
}  // namespace

TEST_F(Compose, MultiConstellationEpochOfARecordedReceiver) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  composer.setBeginMarker("NMEA", "RMC");
  std::ifstream in(dir + "/ublox-zed-f9p-nmea.log", std::ios::binary);
  std::ostringstream capture;
  capture << in.rdbuf();
  decode(capture.str());
  ASSERT_GE(epochs.got.size(), 2u);
  const TLEpochStructure& r = epochs.got[0]->record();
  // The first epoch's GSV sentences, read by hand: totals GP 12, GL 10, GA 9,
  // GB 10, each given twice (two signals per system).
  EXPECT_EQ(*r.satellitesInView, 41u);
  std::map<int, int> perSystem;
  for (const auto& s : r.satellites) ++perSystem[s.system];
  EXPECT_EQ(perSystem, (std::map<int, int>{{1, 12}, {2, 10}, {3, 9}, {6, 10}}));
  // Number 13 in view in two systems: "GPGSV,...,13,37,124,29" and "GBGSV,...,13,23,233,17".
  ASSERT_NE(find(r, 1, 13), nullptr);
  ASSERT_NE(find(r, 6, 13), nullptr);
  EXPECT_EQ(satText(*find(r, 1, 13)), "1/13/37/124/29");
  EXPECT_EQ(satText(*find(r, 6, 13)), "6/13/23/233/17");
  // Signal 1 then signal 6: "27,15,218,31,...,1*69" and "27,15,218,29,...,6*65".
  EXPECT_EQ(satText(*find(r, 1, 27)), "1/27/15/218/31 6:29");
  // "05,06,110,19" for signal 1, no SNR for signal 6.
  EXPECT_EQ(satText(*find(r, 1, 5)), "1/5/6/110/19");
  // GLONASS 82 is slot 18: 33 on signal 1, 34 on signal 3.
  EXPECT_EQ(satText(*find(r, 2, 18)), "2/18/13/214/33 3:34");
  // Galileo's first sentences are of signal 7: "12,61,237,31", then signal 2 "12,61,237,35".
  EXPECT_EQ(satText(*find(r, 3, 12)), "3/12/61/237/31 2:35");
  EXPECT_EQ(satText(*find(r, 3, 33)), "3/33/62/34/8");
  // BeiDou's second sentences give an empty signal field and no SNR.
  EXPECT_EQ(satText(*find(r, 6, 8)), "6/8/49/229/27");
}

TEST_F(Compose, TalkerNamesTheSystem) {
  composer.setBeginMarker("NMEA", "GGA");
  const auto n = [](const std::string& s) { return ptest::nmea(s) + "\r\n"; };
  decode(n("GNGGA,010203.5,,,,,0,00,,,M,,M,,") + n("GAGSV,1,1,02,301,10,20,30,05,11,21,31,7") +
         n("BDGSV,1,1,02,401,12,22,32,05,13,23,33") + n("GQGSV,1,1,01,193,14,24,34,1") +
         n("GLGSV,1,1,01,70,15,25,35,1") + n("GIGSV,1,1,01,05,16,26,36,1") + n("GNGSV,1,1,01,02,17,27,37") +
         n("GNGGA,010204.0,,,,,0,00,,,M,,M,,"));
  ASSERT_EQ(epochs.got.size(), 1u);
  const TLEpochStructure& r = epochs.got[0]->record();
  std::vector<std::string> sats;
  for (const auto& s : r.satellites) sats.push_back(satText(s));
  // The number rule where the talker names no system (GN).
  EXPECT_EQ(sats, (std::vector<std::string>{"1/2/17/27/37", "2/6/15/25/35", "3/1/10/20/30", "3/5/11/21/31",
                                            "6/1/12/22/32", "6/5/13/23/33", "7/1/14/24/34", "8/5/16/26/36"}));
  EXPECT_EQ(*r.satellitesInView, 2u + 2 + 1 + 1 + 1 + 1);  // GA, BD, GQ, GL, GI, GN
}
