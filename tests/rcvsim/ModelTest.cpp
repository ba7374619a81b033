// The simulator's pieces without a link: command parsing, output lists, reply
// splitting, the block halves against each other, and the sky model.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "rcvsim/BlockTransfer.h"
#include "rcvsim/CommandParser.h"
#include "rcvsim/Geodesy.h"
#include "rcvsim/OutputList.h"
#include "rcvsim/ReplyFramer.h"
#include "rcvsim/SkyModel.h"

namespace rcvsim {
namespace {

TEST(CommandParserTest, LinesBecomeCommands) {
  struct Case {
    const char* line;
    std::vector<std::string> texts;  // "id|text" or "text"
  } cases[] = {
      {"print,/par/rcvid", {"print,/par/rcvid"}},
      {"%5%print,/par/rcvid", {"5|print,/par/rcvid"}},
      {"%%set,/par/pos/elm,5", {"|set,/par/pos/elm,5"}},
      {"%Loop%", {"Loop|"}},
      {"dm||dm", {"dm", "dm"}},
      {"||####", {}},
      {"#OFF#", {}},
      {"   ", {}},
      {"dm&&%1%em,,/msg/def", {"dm", "1|em,,/msg/def"}},
  };
  for (const Case& c : cases) {
    const auto cmds = parseLine(c.line);
    ASSERT_EQ(cmds.size(), c.texts.size()) << c.line;
    for (std::size_t i = 0; i < cmds.size(); ++i) {
      const std::string got = cmds[i].hasId ? cmds[i].id + "|" + cmds[i].text : cmds[i].text;
      EXPECT_EQ(got, c.texts[i]) << c.line;
      EXPECT_FALSE(cmds[i].badSeal);
    }
  }
  std::vector<std::string> lines;
  LineAssembler a;
  const std::string first = "dm\r\nprint,x\npa", second = "rt\r";
  a.feed(first.data(), first.size(), lines);
  a.feed(second.data(), second.size(), lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"dm", "print,x", "part"}));
}

TEST(OutputListTest, EmListsAsTheClientsSendThem) {
  struct Case {
    const char* list;
    bool ok;
    std::size_t items;
  } cases[] = {
      {"zrx/PV:{0.50,0,-116},zrx/DP:{1.00,0,-117},", true, 2},
      {"/msg/def:{1,0}", true, 20},
      {"rtcm{/1:1,/31:1,/3:10}", true, 3},
      {"rtcm3{/1004:1,/1006:10,/1008:10}", true, 3},
      {"cmr{/10:1,/0:1,/1:10}", true, 3},  // numbers it cannot build are taken and stay silent
      {"/msg/rtk/zrx/min:1", true, 3},
      {"nmea/GGA:0.2,nmea/ZDA", true, 2},
      {"PG:1", true, 1},
      {"zrx/XX:1", false, 0},
      {"zrx/PG:-1", false, 0},
  };
  for (const Case& c : cases) {
    OutputList l;
    std::string error;
    EXPECT_EQ(l.add(c.list, error), c.ok) << c.list << " " << error;
    EXPECT_EQ(l.items().size(), c.items) << c.list;
  }
  OutputList l;
  std::string error;
  ASSERT_TRUE(l.add("zrx/EE:0.1,zrx/PG:{0.50,0,-3},zrx/RT:0.1,nmea/GGA:0.1", error));
  EXPECT_EQ(l.items()[1].wrapTag, 2);
  EXPECT_EQ(l.items()[1].periodTenths, 5);
  const auto due = l.due(10);
  ASSERT_EQ(due.size(), 4u);
  EXPECT_EQ(due[0]->name, "RT");
  EXPECT_EQ(due[2]->name, "EE");
  EXPECT_EQ(due[3]->name, "GGA");
  EXPECT_EQ(l.due(11).size(), 3u) << "PG only every fifth epoch";
}

TEST(ReplyFramerTest, TextWithoutCutPointsStillFitsTheFrames) {
  const std::string text(1000, 'x');
  const auto frames = replyFrames(true, "%1%", text, 200);
  std::string joined;
  for (const auto& f : frames) {
    EXPECT_LE(f.size(), 205u);
    joined += f.substr(8);
  }
  EXPECT_EQ(joined, text);
  EXPECT_EQ(replyFrames(false, "", "", 100), std::vector<std::string>{"ER000"});
}

TEST(BlockTransferTest, SenderAndReceiverAgreeOnEveryEdge) {
  for (std::size_t size : {0u, 1u, 511u, 512u, 1024u, 1025u, 9000u}) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 7 + 3);
    DownloadSender tx(data, 512, 1);
    UploadReceiver rx(512, 1 << 20);
    std::string answer(1, static_cast<char>(kNak));
    int rounds = 0;
    while (!rx.done() && rounds++ < 100) {
      bool done = false, consumed = true;
      const std::string block = tx.onByte(static_cast<std::uint8_t>(answer.back()), done, consumed);
      ASSERT_TRUE(consumed);
      if (block.empty()) break;
      answer = rx.feed(reinterpret_cast<const std::uint8_t*>(block.data()), block.size());
      ASSERT_EQ(answer.size(), 1u);
    }
    ASSERT_TRUE(rx.done()) << size;
    EXPECT_EQ(rx.data(), data) << size;
    EXPECT_EQ(tx.blocks(), blockCount(size, 512));
  }
}

TEST(SkyModelTest, SatellitesMoveSmoothlyAndTheSolutionFitsThem) {
  const Geodetic site{47.0 * kDeg, 8.0 * kDeg, 500.0};
  SkyModel sky(site, 42);
  const std::int64_t t0 = 1765000000000;
  std::map<int, SatView> before;
  double largestMove = 0;
  for (int step = 0; step <= 3600; step += 10) {
    const SkyEpoch ep = sky.at(t0 + step * 1000ll, 5.0, 1);
    ASSERT_GE(ep.sats.size(), 8u);
    EXPECT_EQ(ep.sol.type, 1);
    EXPECT_GT(ep.sol.hdop, 0.3f);
    EXPECT_LT(ep.sol.hdop, 5.0f);
    const Ecef site0 = toEcef(site);
    EXPECT_LT(std::hypot(std::hypot(ep.sol.xyz.x - site0.x, ep.sol.xyz.y - site0.y), ep.sol.xyz.z - site0.z),
              30.0);
    const Ecef back = toEcef(ep.sol.geo);
    EXPECT_NEAR(back.x, ep.sol.xyz.x, 1e-4);
    EXPECT_NEAR(back.z, ep.sol.xyz.z, 1e-4);
    std::map<int, SatView> now;
    for (const SatView& s : ep.sats) {
      EXPECT_GE(s.elDeg, 5.0);
      EXPECT_GE(s.azDeg, 0.0);
      EXPECT_LT(s.azDeg, 360.0);
      auto p = before.find(s.index);
      if (p != before.end()) {
        EXPECT_LT(std::fabs(s.elDeg - p->second.elDeg), 0.2) << s.index;  // 10 s apart
        EXPECT_GE(s.lockSec, p->second.lockSec + 9) << "lock time grows while tracked";
        largestMove = std::max(largestMove, std::fabs(s.elDeg - p->second.elDeg));
      }
      now[s.index] = s;
    }
    before = now;
  }
  EXPECT_GT(largestMove, 0.01) << "the sky does move";
  // SBAS stands still; GLONASS carries its frequency channel.
  const SkyEpoch a = sky.at(t0, 0.0, 1), b = sky.at(t0 + 600000, 0.0, 1);
  for (const SatView& s : a.sats)
    for (const SatView& u : b.sats)
      if (s.index == u.index && s.sys == Gnss::Sbas) {
        EXPECT_NEAR(s.elDeg, u.elDeg, 1e-9);
      }
}

// The crowded sky of --all-systems: 30 and more in view over a day, six systems, each
// satellite with an index of its own system's range and none twice.
TEST(SkyModelTest, AllSystemsFillTheSkyWithSixSystems) {
  const Geodetic site{47.0 * kDeg, 8.0 * kDeg, 500.0};
  SkyModel sky(site, 7, true);
  const std::int64_t t0 = 1765000000000;
  for (int hour = 0; hour < 24; hour += 3) {
    const SkyEpoch ep = sky.at(t0 + hour * 3600000ll, 5.0, 1);
    EXPECT_GE(ep.sats.size(), 30u) << "hour " << hour;
    std::map<Gnss, int> per;
    std::map<int, int> indices;
    for (const SatView& s : ep.sats) {
      ++per[s.sys];
      ++indices[s.index];
      const bool inRange = s.sys == Gnss::Beidou ? s.index == 210 + s.number && s.index <= 255
                           : s.sys == Gnss::Qzss ? s.index >= 193 && s.index <= 202
                                                 : s.index <= 138;
      EXPECT_TRUE(inRange) << s.index;
    }
    EXPECT_EQ(per.size(), 6u) << "hour " << hour;
    for (const auto& [index, n] : indices) EXPECT_EQ(n, 1) << index;
  }
  // Without the option the sky is the one it always was.
  EXPECT_EQ(SkyModel(site, 7).at(t0, 5.0, 1).sats.size(), SkyModel(site, 7, false).at(t0, 5.0, 1).sats.size());
}

}  // namespace
}  // namespace rcvsim
