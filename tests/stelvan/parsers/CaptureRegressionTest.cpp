// Recorded public streams against the reference counts of a scanner written
// from the standards. The counts must be equal, except where the one rule of
// these parsers that is stricter than that scanner applies, checked as such:
// NMEA sentences longer than the default maximum (254 characters between the
// address and "*") are refused, where the scanner takes up to 1024.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>

#include "FrameBuilders.h"
#include "ParserHarness.h"
#include "TestPaths.h"
#include "decode/engine/C_DataAnalyser.h"
#include "decode/engine/C_Ex_StorageMsgMem.h"

namespace {

using Counts = std::map<std::string, int>;

// reference_counts.json is two levels of string keys with integer leaves.
std::map<std::string, Counts> readReference(const std::string& path) {
  std::map<std::string, Counts> out;
  std::ifstream in(path);
  const std::regex fileLine(R"re(^\s*"([^"]+)":\s*\{)re"), countLine(R"re(^\s*"([^"]+)":\s*(\d+))re");
  std::string line, current;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, fileLine))
      current = m[1];
    else if (std::regex_search(line, m, countLine) && !current.empty())
      out[current][m[1]] = std::stoi(m[2]);
  }
  return out;
}

// Our keys in the reference's spelling.
Counts referenceKeys(const Counts& mine) {
  Counts out;
  for (const auto& [k, v] : mine) {
    std::string key = k;
    if (key.rfind("RTCM_3:", 0) == 0)
      key = "RTCM3:" + key.substr(7);
    else if (key.rfind("RTCM:", 0) == 0)
      key = "RTCM2:" + key.substr(5);
    out[key] += v;
  }
  return out;
}

// Sentences of an address whose characters between the address and "*" are
// more than the default maximum allows.
int overlongSentences(const std::string& data, const std::string& address) {
  int n = 0;
  const std::string head = "$" + address + ",";
  for (std::size_t at = data.find(head); at != std::string::npos; at = data.find(head, at + 1)) {
    const std::size_t star = data.find('*', at);
    if (star != std::string::npos && star - (at + head.size() - 1) > 254) ++n;
  }
  return n;
}

}  // namespace

TEST(CaptureRegression, CountsEqualReference) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty())
    GTEST_SKIP() << "recorded captures not present (" << TestPaths::sharedDir() << "/data/captures)";
  const auto reference = readReference(dir + "/reference_counts.json");
  ASSERT_FALSE(reference.empty());
  std::set<std::string> differences;
  for (const auto& [file, ref] : reference) {
    SCOPED_TRACE(file);
    const std::string data = ptest::readFile(dir + "/" + file);
    ASSERT_FALSE(data.empty());
    auto parsers = ptest::defaultParsers(true);
    const ptest::StreamRun run = ptest::runStream(data, parsers);
    const Counts mine = referenceKeys(run.counts());
    std::set<std::string> keys;
    for (const auto& kv : ref) keys.insert(kv.first);
    for (const auto& kv : mine) keys.insert(kv.first);
    for (const auto& key : keys) {
      const int want = ref.count(key) ? ref.at(key) : 0, got = mine.count(key) ? mine.at(key) : 0;
      if (want == got) continue;
      SCOPED_TRACE(key);
      differences.insert(file + " " + key);
      if (key.rfind("NMEA:", 0) == 0)
        EXPECT_EQ(want - got, overlongSentences(data, key.substr(5))) << "not explained by the length rule";
      else
        ADD_FAILURE() << "unexplained difference: reference " << want << ", found " << got;
    }
  }
  // The known difference, so that a new or vanished one is noticed.
  EXPECT_EQ(differences, (std::set<std::string>{"pygpsdata-nmea4.log NMEA:PUBX"}));
}

TEST(CaptureRegression, CleanStreamsLeaveNoUnknownBytes) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  for (const char* file : {"pygpsdata-NTRIP-USCL00CHL0.log", "pygpsdata-NTRIP-1300-1302.log",
                           "pygpsdata-NTRIP-4076.log", "pygpsdata-RTCMMSM3.log"}) {
    SCOPED_TRACE(file);
    auto parsers = ptest::defaultParsers(true);
    const auto run = ptest::runStream(ptest::readFile(dir + "/" + file), parsers);
    EXPECT_EQ(run.unknown, 0u);
    EXPECT_FALSE(run.messages.empty());
  }
}

TEST(CaptureRegression, SplitAnywhereGivesTheSameMessages) {
  // The parsers see the bytes through the stream buffer's blocks; a capture
  // concatenated to more than one block must give the same messages per copy.
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  const std::string one = ptest::readFile(dir + "/ntrip_encode_none.bin");
  std::string many;
  while (many.size() < 3 * 65536) many += one;
  auto p1 = ptest::defaultParsers(true);
  auto p2 = ptest::defaultParsers(true);
  const auto single = ptest::runStream(one, p1).counts();
  const auto multi = ptest::runStream(many, p2).counts();
  const int copies = static_cast<int>(many.size() / one.size());
  for (const auto& [k, v] : single) {
    SCOPED_TRACE(k);
    // The partial frame at the front of the file is whole where two copies meet.
    EXPECT_GE(multi.at(k), v * copies);
    EXPECT_LE(multi.at(k), v * copies + copies);
  }
}

TEST(CaptureRegression, WholeAnalysisFindsWhatThePassFinds) {
  // The same captures through the real analysis (worker thread, nested
  // analyser for unknown bytes) as stelvan-decode runs it.
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  for (const auto& [file, ref] : readReference(dir + "/reference_counts.json")) {
    SCOPED_TRACE(file);
    const std::string data = ptest::readFile(dir + "/" + file);
    using namespace engine;
    Ref<C_Ex_StorageMsgMem> storage(new TUnknown<C_Ex_StorageMsgMem>());
    Ref<C_DataAnalyser> da(new TUnknown<C_DataAnalyser>());
    ASSERT_TRUE(da->init(storage.get(), nullptr));
    IParserManager* pm = da->getParserManager();
    for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
    da->write(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
    da->flush();
    ASSERT_TRUE(da->waitProcessed());
    Counts whole;
    for (const auto& [key, n] : storage->counts()) whole[key.first + ":" + key.second] += static_cast<int>(n);
    da->stop();
    auto parsers = ptest::defaultParsers(true);
    Counts pass;
    for (const auto& m : ptest::runStream(data, parsers).messages) ++pass[m.format + ":" + m.id];
    EXPECT_EQ(whole, pass);
  }
}

TEST(CaptureRegression, NoiseWithFramesGivesWhatThePassGives) {
  // The analysis passes over unknown bytes by tables of byte pairs; it must
  // stop wherever a parser's own start test would, in printable and binary noise.
  std::mt19937 rng(11);
  std::string data;
  for (int i = 0; i < 300; ++i) {
    const bool printable = i % 2 == 0;
    for (std::size_t n = rng() % 200; n > 0; --n)
      data.push_back(static_cast<char>(printable ? 0x20 + rng() % 95 : rng() % 256));
    switch (rng() % 5) {
      case 0:
        data += ptest::nmea(i % 3 ? "GPGGA,1,2,3" : "PUBX,00,1") + "\r\n";
        break;
      case 1:
        data += ptest::zrx("PM", "abc", ptest::Seal::HexText);
        break;
      case 2:
        data += ptest::rtcm3(1004 + static_cast<unsigned>(i % 50), 10 + static_cast<std::size_t>(i));
        break;
      case 3: {
        unsigned d29 = 0, d30 = 0;
        data +=
            ptest::rtcm2Bytes(ptest::rtcm2Words(9, 3, {0x123456, static_cast<std::uint32_t>(i)}, d29, d30),
                              static_cast<unsigned>(i % 6));
        break;
      }
      default:
        data += ptest::cmr(0x93, ptest::cmrData(static_cast<unsigned>(i % 5) + 3));
    }
  }
  using namespace engine;
  Ref<C_Ex_StorageMsgMem> storage(new TUnknown<C_Ex_StorageMsgMem>());
  Ref<C_DataAnalyser> da(new TUnknown<C_DataAnalyser>());
  ASSERT_TRUE(da->init(storage.get(), nullptr));
  IParserManager* pm = da->getParserManager();
  for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
  da->write(reinterpret_cast<const std::uint8_t*>(data.data()), data.size());
  da->flush();
  ASSERT_TRUE(da->waitProcessed());
  Counts whole;
  for (const auto& [key, n] : storage->counts()) whole[key.first + ":" + key.second] += static_cast<int>(n);
  da->stop();
  auto parsers = ptest::defaultParsers(true);
  Counts pass;
  for (const auto& m : ptest::runStream(data, parsers).messages) ++pass[m.format + ":" + m.id];
  EXPECT_EQ(whole, pass);
  EXPECT_GE(pass["RTCM:9"], 40);
}
