// Recorded public streams against the reference counts of a scanner written
// from the standards. Every difference must be one of the recognition rules
// of these parsers that is stricter than that scanner, and is checked as such:
// - RTCM 2: a message is found only when its words start on a byte and its
//   bytes are consecutive valid bytes (the reference scanner slides bit by bit
//   and skips bytes without the top bits 01);
// - NMEA: the address field is exactly five characters of [0-9A-Z] (so
//   "$PUBX," sentences, four-character addresses, are not sentences here).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "ParserHarness.h"
#include "TestPaths.h"
#include "decode/engine/C_DataAnalyser.h"
#include "decode/engine/C_Ex_StorageMsgMem.h"
#include "decode/parsers/Rtcm2Word.h"

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

// RTCM 2 messages found bit by bit over the valid bytes, split by whether this
// parser can see them (words on byte boundaries, bytes consecutive).
struct Rtcm2Scan {
  Counts onBytes, offBytes;
};
Rtcm2Scan scanRtcm2Bitwise(const std::string& data) {
  std::vector<std::uint8_t> bits;
  std::vector<std::size_t> src;
  for (std::size_t i = 0; i < data.size(); ++i) {
    const int v = engine::rtcm2::sixBits(static_cast<std::uint8_t>(data[i]));
    if (v < 0) continue;
    for (int k = 5; k >= 0; --k) {
      bits.push_back(static_cast<std::uint8_t>((v >> k) & 1));
      src.push_back(i);
    }
  }
  const auto wordAt = [&](std::size_t pos) {
    std::uint32_t w = 0;
    for (std::size_t i = 0; i < 30; ++i) w = (w << 1) | bits[pos + i];
    return w;
  };
  Rtcm2Scan scan;
  std::size_t pos = 0;
  while (pos + 60 <= bits.size()) {
    const std::uint32_t first = wordAt(pos);
    bool locked = false;
    for (unsigned d29 = 0; d29 < 2 && !locked; ++d29)
      for (unsigned d30 = 0; d30 < 2 && !locked; ++d30)
        locked =
            engine::rtcm2::parityOk(first, d29, d30) && (engine::rtcm2::decoded(first, d30) >> 22) == 0x66;
    std::size_t words = 2;
    std::uint32_t prev = first;
    bool ok = locked;
    for (std::size_t i = 1; ok && i < words; ++i) {
      if (pos + (i + 1) * 30 > bits.size()) {
        ok = false;
        break;
      }
      const std::uint32_t w = wordAt(pos + i * 30);
      ok = engine::rtcm2::parityOk(w, (prev >> 1) & 1, prev & 1);
      if (ok && i == 1) words += engine::rtcm2::dataWordCount(engine::rtcm2::decoded(w, prev & 1));
      prev = w;
    }
    if (!ok) {
      ++pos;
      continue;
    }
    const std::uint32_t d30 =
        engine::rtcm2::parityOk(first, 0, 1) || engine::rtcm2::parityOk(first, 1, 1) ? 1 : 0;
    const std::string key =
        "RTCM2:" + std::to_string(engine::rtcm2::messageType(engine::rtcm2::decoded(first, d30)));
    const std::size_t nbits = words * 30;
    const bool aligned = pos % 6 == 0 && src[pos + nbits - 1] - src[pos] == nbits / 6 - 1;
    ++(aligned ? scan.onBytes : scan.offBytes)[key];
    pos += nbits;
  }
  return scan;
}

int occurrences(const std::string& data, const std::string& needle) {
  int n = 0;
  for (std::size_t at = data.find(needle); at != std::string::npos; at = data.find(needle, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(CaptureRegression, CountsEqualReferenceOrDifferByStricterRules) {
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
    std::optional<Rtcm2Scan> rtcm2;
    for (const auto& key : keys) {
      const int want = ref.count(key) ? ref.at(key) : 0, got = mine.count(key) ? mine.at(key) : 0;
      if (want == got) continue;
      SCOPED_TRACE(key);
      differences.insert(file + " " + key);
      if (key.rfind("RTCM2:", 0) == 0) {
        if (!rtcm2) rtcm2 = scanRtcm2Bitwise(data);
        EXPECT_EQ(got, rtcm2->onBytes[key]);
        EXPECT_EQ(want - got, rtcm2->offBytes[key]) << "not explained by byte alignment";
      } else if (key.rfind("NMEA:", 0) == 0) {
        const std::string address = key.substr(5);
        EXPECT_NE(address.size(), 5u) << "not explained by the address rule";
        EXPECT_EQ(got, 0);
        EXPECT_EQ(want, occurrences(data, "$" + address + ","));
      } else {
        ADD_FAILURE() << "unexplained difference: reference " << want << ", found " << got;
      }
    }
  }
  // The known differences, so that a new or vanished one is noticed.
  EXPECT_EQ(differences, (std::set<std::string>{"pygpsdata-nmea4.log NMEA:PUBX", "rtcm2.log RTCM2:9",
                                                "sample.rtcm2 RTCM2:9"}));
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
