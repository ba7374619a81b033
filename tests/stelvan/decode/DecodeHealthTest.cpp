// Decode health: frames corrupted on purpose leave one refusal each, by
// reason, and the runs of unknown bytes between messages are counted; the
// engine's counts and stelvan-decode --stats agree, however the stream is
// cut into writes. The recorded RTCM 2 captures decode whole.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "TempDir.h"
#include "TestPaths.h"
#include "decode/engine/C_DataAnalyser.h"
#include "decode/engine/C_Ex_StorageMsgMem.h"
#include "stelvan/parsers/FrameBuilders.h"

namespace {

using namespace engine;

// Good frames of three formats with four corrupted ones among them.
struct Corrupted {
  std::string bytes;
  std::size_t good = 0;
};
Corrupted corruptedStream() {
  Corrupted c;
  const auto add = [&](const std::string& f, bool good = true) {
    c.bytes += f;
    c.good += good;
  };
  // A payload full of preamble bytes: its inner 0xD3 are no frames of their own.
  std::string crc1 = ptest::rtcm3(1077, 120, 0xD3);
  crc1[40] ^= 0x01;
  std::string crc2 = ptest::rtcm3(1005, 19);
  crc2[crc2.size() - 1] ^= 0x80;  // the CRC itself
  std::string checksum = ptest::nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,");
  checksum[checksum.size() - 1] = checksum.back() == '0' ? '1' : '0';
  unsigned d29 = 0, d30 = 0;
  std::vector<std::uint32_t> words = ptest::rtcm2Words(9, 5, {0x123456, 0x654321, 0xABCDEF}, d29, d30);
  words[3] ^= 1u << 12;
  const std::string parity = ptest::rtcm2Bytes(words);
  for (int round = 0; round < 3; ++round) {
    add(ptest::rtcm3(1004, 30 + round));
    add(ptest::nmea("GPRMC,1,2,3") + "\r\n");
    add(ptest::rtcm2(1, 7, {0x111111, 0x222222}));
  }
  add(crc1, false);
  add(ptest::rtcm3(1006, 21));
  add(checksum + "\r\n", false);
  add(ptest::nmea("GPZDA,1,2") + "\r\n");
  add(parity, false);
  add(ptest::rtcm2(3, 7, {0x333333}));
  add(crc2, false);
  add(ptest::rtcm3(1033, 40));
  // Enough behind the corrupted frames for the false frames inside them to be whole.
  for (int round = 0; round < 20; ++round) {
    add(ptest::rtcm3(1004, 30 + round));
    add(ptest::nmea("GPRMC,1,2,3") + "\r\n");
    add(ptest::rtcm2(1, 7, {0x111111, 0x222222}));
  }
  return c;
}

const DecodeHealth::Refusals kExpected{{{"NMEA", 5002}, 1}, {{"RTCM", 5005}, 1}, {{"RTCM_3", 5002}, 2}};

TEST(DecodeHealth, OneRefusalPerCorruptedFrameInAnyWrites) {
  const Corrupted c = corruptedStream();
  for (std::size_t slice : {c.bytes.size(), std::size_t{7}, std::size_t{1}}) {
    SCOPED_TRACE("writes of " + std::to_string(slice));
    Ref<C_Ex_StorageMsgMem> storage(new TUnknown<C_Ex_StorageMsgMem>());
    Ref<C_DataAnalyser> da(new TUnknown<C_DataAnalyser>());
    ASSERT_TRUE(da->init(storage.get(), nullptr));
    IParserManager* pm = da->getParserManager();
    for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
    for (std::size_t at = 0; at < c.bytes.size(); at += slice)
      da->write(reinterpret_cast<const std::uint8_t*>(c.bytes.data() + at),
                std::min(slice, c.bytes.size() - at));
    da->flush();
    ASSERT_TRUE(da->waitProcessed());
    EXPECT_EQ(storage->messageCount(), c.good);
    EXPECT_EQ(da->refusals(), kExpected);
    EXPECT_EQ(da->gaps(), 4u);  // each corrupted frame lies between two messages
    da->stop();
  }
}

std::string runDecoder(const std::string& args) {
  const std::string cmd = TestPaths::binDir() + "/stelvan-decode " + args + " 2>/dev/null";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

TEST(DecodeHealth, StatsNameTheReasons) {
  TempDir dir;
  const Corrupted c = corruptedStream();
  const std::string path = dir.str() + "/corrupted.bin";
  std::ofstream(path, std::ios::binary) << c.bytes;
  const std::string out = runDecoder("--stats " + path);
  EXPECT_NE(out.find(", \"refused\": {\"NMEA:checksum\": 1, \"RTCM:parity\": 1, \"RTCM_3:crc\": 2}, "
                     "\"gaps\": 4}"),
            std::string::npos)
      << out;
  // With the parsers' defaults no length is known: sentences are refused for their identifiers.
  TempDir dir2;
  const std::string nmeaPath = dir2.str() + "/nmea.txt";
  std::ofstream(nmeaPath) << ptest::nmea("GPRMC,1,2,3") + "\r\n" + ptest::nmea("GPZDA,1,2") + "\r\n";
  const std::string strict = runDecoder("--stats --strict " + nmeaPath);
  EXPECT_NE(strict.find("\"messages\": {}, \"refused\": {\"NMEA:unknown_id\": 2}"), std::string::npos)
      << strict;
}

TEST(DecodeHealth, RecordedRtcm2CapturesDecodeWhole) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  // Messages at bit offset 5 of their first byte, with bytes of other top bits among them.
  EXPECT_NE(
      runDecoder("--stats " + dir + "/sample.rtcm2").find("\"messages\": {\"RTCM:9\": 131}, \"refused\": {}"),
      std::string::npos);
  EXPECT_NE(
      runDecoder("--stats " + dir + "/rtcm2.log").find("\"messages\": {\"RTCM:9\": 7}, \"refused\": {}"),
      std::string::npos);
}

}  // namespace
