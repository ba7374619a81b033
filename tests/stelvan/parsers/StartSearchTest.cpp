// The searches that pass over bytes no parser may start at, against the
// start tests they stand for: the RTCM 2 search at every position, and the
// analysis pass's scan (pair tables, own searches, what it remembers from run
// to run) over runs that end early, as the pass takes them. Inputs: noise,
// RTCM 2 words at every bit offset with foreign bytes between, frames of
// every format, and the recorded captures.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FrameBuilders.h"
#include "ParserHarness.h"
#include "TestPaths.h"
#include "decode/engine/UnknownScan.h"
#include "decode/parsers/C_ParserCMR.h"
#include "decode/parsers/C_ParserNMEA.h"
#include "decode/parsers/C_ParserRTCM.h"
#include "decode/parsers/C_ParserRTCM_3.h"
#include "decode/parsers/C_ParserZRX.h"
#include "decode/parsers/Rtcm2Bits.h"

using namespace engine;

namespace {

std::string noise(std::size_t n, unsigned lo, unsigned span, std::uint64_t seed) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) {
    seed ^= seed << 13;
    seed ^= seed >> 7;
    seed ^= seed << 17;
    s.push_back(static_cast<char>(lo + seed % span));
  }
  return s;
}

// RTCM 2 words at each bit offset, a byte of no meaning every seven bytes,
// noise between the pieces, frames of the other formats at the end.
std::string mixedStream() {
  std::string s = noise(300, 0x20, 95, 7);
  unsigned d29 = 0, d30 = 0;
  std::vector<std::uint32_t> raw;
  for (unsigned t : {1u, 3u, 9u, 18u}) {
    const auto w = ptest::rtcm2Words(t, 5, {0x123456, 0xFEDCBA, t}, d29, d30);
    raw.insert(raw.end(), w.begin(), w.end());
  }
  for (unsigned offset = 0; offset < 6; ++offset) {
    const std::string words = ptest::rtcm2Bytes(raw, offset);
    for (std::size_t i = 0; i < words.size(); ++i) {
      s.push_back(words[i]);
      if (i % 7 == 6) s.push_back(static_cast<char>(i % 2 ? 0x21 : 0xC3));
    }
    s += noise(40 + offset * 17, 0x40, 64, offset + 1);
  }
  s += ptest::zrx("cq", "payload", ptest::Seal::HexText) + noise(50, 0, 256, 3);
  s += ptest::nmea("GPGGA,1,2,3") + "$PUBX,00*33" + noise(50, 0x20, 95, 4);
  s += ptest::rtcm3(1005, 19) + ptest::cmr(0x93, ptest::cmrData(3)) + "\r\n";
  return s;
}

std::vector<std::string> inputs() {
  std::vector<std::string> in{noise(6000, 0x20, 95, 1), noise(6000, 0, 256, 2), noise(6000, 0x40, 64, 3),
                              mixedStream()};
  const std::string dir = TestPaths::capturesDir();
  if (!dir.empty())
    for (const char* f : {"sample.rtcm2", "naujoks-rtcm2.log", "rtcm3.log", "pygpsdata-nmea4.log"})
      in.push_back(ptest::readFile(dir + "/" + f).substr(0, 8000));
  return in;
}

bool rtcm2StartPasses(const std::uint8_t* p, std::size_t n) {
  return rtcm2::sixBits(p[0]) >= 0 && rtcm2::preambleOffsets(p, n) != 0;
}

}  // namespace

TEST(StartSearch, Rtcm2SearchStopsExactlyWhereTheStartTestPasses) {
  std::size_t starts = 0;
  for (const std::string& s : inputs()) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(s.data());
    const std::size_t n = s.size();
    // Positions past `to` settle the last ones before it; past `avail` nothing is known.
    for (const std::size_t avail : {n, n - 3}) {
      for (std::size_t to = 50; to <= avail; to = to + 61 > avail && to < avail ? avail : to + 61) {
        SCOPED_TRACE(std::to_string(n) + " bytes, to " + std::to_string(to) + ", avail " + std::to_string(avail));
        for (std::size_t from = to == avail ? 0 : to - 50; from < to;) {
          std::size_t want = from;
          while (want < to && !rtcm2StartPasses(p + want, avail - want)) ++want;
          const std::size_t got = rtcm2::nextPreambleStart(p, from, to, avail);
          ASSERT_EQ(got, want) << "searching from " << from;
          starts += want < to;
          from = want + 1;
        }
      }
    }
  }
  EXPECT_GT(starts, 100u);  // the messages' starts among them
}

TEST(StartSearch, PassSkipsNoPositionAParserMayStartAt) {
  Ref<C_ParserPool> pool(new TUnknown<C_ParserPool>());
  const Ref<IParserData> parsers[] = {new TUnknown<C_ParserZRX>(), new TUnknown<C_ParserNMEA>(),
                                      new TUnknown<C_ParserRTCM>(), new TUnknown<C_ParserRTCM_3>(),
                                      new TUnknown<C_ParserCMR>()};
  for (const auto& p : parsers) pool->add(p.get());
  const std::vector<C_ParserPool::Candidate> order = pool->enabledOrder();
  // Windows as the pass sees them: its whole run limit, and short ones that
  // end runs early, so that the next run starts inside what was searched.
  const std::size_t windows[] = {1025, 9, 300, 6, 40};
  std::size_t stops = 0;
  for (const std::string& s : inputs()) {
    UnknownScan scan;
    ASSERT_TRUE(scan.update(order));
    const auto* data = reinterpret_cast<const std::uint8_t*>(s.data());
    std::size_t round = 0;
    // The pass tries the parsers at `pos`, they refuse, and the run after it is taken.
    for (std::size_t pos = 0; pos < s.size(); ++round) {
      const std::uint8_t* p = data + pos;
      const std::size_t avail = std::min(windows[round % 5], s.size() - pos);
      const std::size_t fast = avail > UnknownScan::kLookAhead ? avail - UnknownScan::kLookAhead : 0;
      std::size_t run = 1;
      while (run < fast) {
        unsigned which = ~0u;
        const std::size_t next = scan.next(p, run, fast, avail, pos, which);
        for (; run < next; ++run)
          for (const auto& c : order)
            ASSERT_FALSE(c.mayStartAt(p + run, avail - run))
                << c.parser->name() << " may start at " << pos + run << " but was passed over";
        if (run == fast) break;
        for (const auto& c : order) {
          if (c.mayStartAt(p + run, avail - run)) {
            EXPECT_TRUE(which >> scan.bitOf(c.entry) & 1u) << c.parser->name() << " not named at " << pos + run;
          }
        }
        ++stops;
        if (round % 2) break;  // the run ends at the start found
        ++run;
      }
      pos += run;
    }
  }
  EXPECT_GT(stops, 100u);
}
