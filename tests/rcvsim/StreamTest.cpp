// Data outputs over a pseudo-terminal: "em" lists as the client builds them,
// checksum kinds per message, epoch order, a consistent solution and sky, the
// other formats, and "dm".
#include <map>

#include "SimFixture.h"
#include "ZrxDecode.h"

namespace simtest {
namespace {

constexpr double kPi = 3.14159265358979323846;

class StreamTest : public SimTest {
 protected:
  void SetUp() override { startSim(baseOptions(dir)); }

  // Frames of `epochs` whole epochs ("~~" ... "||"), skipping what came before the first "~~".
  std::vector<std::vector<Frame>> epochs(int count) {
    std::vector<std::vector<Frame>> out;
    std::vector<Frame> cur;
    bool started = false;
    Frame f;
    const std::int64_t end = nowMs() + 5000;
    while (static_cast<int>(out.size()) < count &&
           link.nextFrame(f, static_cast<int>(std::max<std::int64_t>(1, end - nowMs())))) {
      if (f.id == "RE" || f.id == "ER") continue;
      if (f.id == "~~") started = true;
      if (!started) continue;
      cur.push_back(f);
      if (f.id == "||") {
        out.push_back(cur);
        cur.clear();
      }
    }
    return out;
  }
};

std::string emList(const std::string& names, const char* period) {
  std::string list;
  int serial = 1;
  std::size_t start = 0;
  while (start < names.size()) {
    std::size_t comma = names.find(',', start);
    if (comma == std::string::npos) comma = names.size();
    list += "zrx/" + names.substr(start, comma - start) + ":{" + period + ",0,-" + std::to_string(++serial) +
            "},";
    start = comma + 1;
  }
  return list;
}

TEST_F(StreamTest, EveryMessageHasTheRightChecksumKindAndEpochsAreFramed) {
  ASSERT_EQ(
      link.exchange("%em%em,," + std::string("/msg/def:0.1,MS:0.1,E1:0.1,E2:0.1,E3:0.1,E5:0.1")).substr(0, 2),
      "RE");
  const auto eps = epochs(3);
  ASSERT_EQ(eps.size(), 3u);
  for (const auto& ep : eps) {
    EXPECT_EQ(ep.front().id, "~~");
    EXPECT_EQ(ep.back().id, "||");
    std::map<std::string, int> seen;
    for (const Frame& f : ep) {
      EXPECT_TRUE(checksumOk(f.bytes)) << f.id;
      ++seen[f.id];
    }
    for (const char* id : {"RD", "PG", "PO", "VE", "PV", "DP", "SG", "DO", "OO", "TT", "SI", "NN",
                           "EL", "AZ", "EC", "E1", "E2", "E3", "E5", "TC", "SS", "DC", "MS"})
      EXPECT_EQ(seen[id], 1) << id;
    // Receiver time advances by the period from epoch to epoch.
  }
  const auto t0 = field<std::uint32_t>(eps[0].front().bytes, 0),
             t1 = field<std::uint32_t>(eps[1].front().bytes, 0);
  EXPECT_EQ((t1 + 86400000 - t0) % 86400000, 100u);
  EXPECT_EQ(eps[0].front().bytes.size(), 10u);  // u4 time + checksum
}

TEST_F(StreamTest, PerSatelliteArraysFollowTheSatelliteIndices) {
  ASSERT_EQ(link.exchange("%em%em,," + emList("RT,SI,NN,EL,AZ,EC,TC,SS,DC,EE", "0.10")).substr(0, 2), "RE");
  Frame f;
  std::map<std::string, std::string> m;
  // Wrapped output: ">>" frames whose number is the serial the item asked for.
  while (m.size() < 10 && link.nextFrame(f, 3000)) {
    if (f.id != ">>") continue;
    ASSERT_TRUE(
        Zrx::wrapperChecksumOk(reinterpret_cast<const std::uint8_t*>(f.bytes.data()), f.bytes.size()));
    const std::string inner = f.bytes.substr(6, f.bytes.size() - 8);
    const int number = static_cast<unsigned char>(f.bytes[5]);
    m[inner.substr(0, 2)] = inner;
    if (inner.substr(0, 2) == "SI") {
      EXPECT_EQ(number, 2);  // "-3" in the list: serial 2
    }
    EXPECT_TRUE(checksumOk(inner)) << inner.substr(0, 2);
  }
  ASSERT_EQ(m.size(), 10u);
  const std::size_t n = payload(m["SI"]).size();
  ASSERT_GE(n, 4u);
  EXPECT_EQ(payload(m["NN"]).size(), n);
  EXPECT_EQ(payload(m["EL"]).size(), n);
  EXPECT_EQ(payload(m["AZ"]).size(), n);
  EXPECT_EQ(payload(m["EC"]).size(), n);
  EXPECT_EQ(payload(m["TC"]).size(), 2 * n);
  EXPECT_EQ(payload(m["SS"]).size(), n + 1);
  EXPECT_EQ(payload(m["DC"]).size(), 4 * n);
  const std::string si = payload(m["SI"]), nn = payload(m["NN"]), el = payload(m["EL"]);
  for (std::size_t i = 0; i < n; ++i) {
    const int idx = static_cast<unsigned char>(si[i]);
    const bool glonass = idx >= 38 && idx <= 70;
    EXPECT_TRUE((idx >= 1 && idx <= 103) || (idx >= 120 && idx <= 138)) << idx;
    EXPECT_EQ(static_cast<unsigned char>(nn[i]) != 255, glonass) << idx;
    EXPECT_GE(static_cast<signed char>(el[i]), 5) << "above the elevation mask";
  }
}

TEST_F(StreamTest, SolutionIsConsistentAndSatellitesMoveSmoothly) {
  ASSERT_EQ(link.exchange("%em%em,," + emList("RT,PG,PO,PV,DP,SI,EL,AZ,EE", "0.10")).substr(0, 2), "RE");
  std::vector<std::map<std::string, std::string>> eps;
  std::map<std::string, std::string> cur;
  Frame f;
  while (eps.size() < 10 && link.nextFrame(f, 3000)) {
    if (f.id != ">>") continue;
    const std::string inner = f.bytes.substr(6, f.bytes.size() - 8);
    cur[inner.substr(0, 2)] = inner;
    if (inner.substr(0, 2) == "||") {
      if (cur.count("~~")) eps.push_back(cur);
      cur.clear();
    }
  }
  ASSERT_EQ(eps.size(), 10u);
  const Xyz site = geodeticToEcef(47.3769 * kPi / 180, 8.5417 * kPi / 180, 430.0);
  std::map<int, std::pair<int, int>> last;  // index -> (el, az)
  for (auto& e : eps) {
    const std::string& pg = e["PG"];
    const std::string& po = e["PO"];
    const Xyz p = geodeticToEcef(field<double>(pg, 0), field<double>(pg, 8), field<double>(pg, 16));
    EXPECT_NEAR(p.x, field<double>(po, 0), 1e-3);
    EXPECT_NEAR(p.y, field<double>(po, 8), 1e-3);
    EXPECT_NEAR(p.z, field<double>(po, 16), 1e-3);
    EXPECT_EQ(field<double>(e["PV"], 0), field<double>(po, 0));
    EXPECT_EQ(field<std::uint8_t>(pg, 28), 1) << "standalone";
    EXPECT_LT(std::hypot(std::hypot(p.x - site.x, p.y - site.y), p.z - site.z), 30.0) << "near the site";
    const float hdop = field<float>(e["DP"], 0);
    EXPECT_GT(hdop, 0.3f);
    EXPECT_LT(hdop, 5.0f);
    const std::string si = payload(e["SI"]), el = payload(e["EL"]), az = payload(e["AZ"]);
    ASSERT_EQ(si.size(), el.size());
    for (std::size_t i = 0; i < si.size(); ++i) {
      const int idx = static_cast<unsigned char>(si[i]);
      const int elv = static_cast<signed char>(el[i]), azv = static_cast<unsigned char>(az[i]);
      EXPECT_LT(azv, 180);
      auto prev = last.find(idx);
      if (prev != last.end()) {
        EXPECT_LE(std::abs(elv - prev->second.first), 1) << idx;
        const int daz = std::abs(azv - prev->second.second);
        EXPECT_LE(std::min(daz, 180 - daz), 1) << idx;
      }
      last[idx] = {elv, azv};
    }
  }
}

TEST_F(StreamTest, DmStopsTheOutputsAndOnlyRepliesFollow) {
  ASSERT_EQ(link.exchange("em,,/msg/def:0.1").substr(0, 2), "RE");
  Frame f;
  ASSERT_TRUE(link.nextFrame(f, 2000));
  link.sendCommand("%%dm");
  // Everything after the reply to "dm" is a reply.
  bool replied = false;
  while (!replied && link.nextFrame(f, 2000)) replied = f.bytes == "RE002%%";
  ASSERT_TRUE(replied);
  link.drain(150);
  EXPECT_EQ(link.exchange("%1%print,/par/rcvid"), "RE00F%1%SIM0A1B2C3D4");
  EXPECT_TRUE(link.drain(250).empty());
}

TEST_F(StreamTest, UnknownMessagesAreRefusedAndTheListStaysAsItWas) {
  EXPECT_EQ(link.exchange("em,,zrx/PG:1,zrx/QQ:1").substr(0, 2), "ER");
  EXPECT_EQ(link.exchange("em,,nmea/XYZ:1").substr(0, 2), "ER");
  EXPECT_EQ(link.exchange("em,,zrx/PG:abc").substr(0, 2), "ER");
  EXPECT_EQ(replyText(link.exchange("print,/par/out/dev/ser/a:on")), "none={}");
  EXPECT_EQ(link.exchange("%%em,/dev/ser/b,rtcm{/1:1,/31:1,/3:10}").substr(0, 2), "RE");
  EXPECT_EQ(replyText(link.exchange("print,/par/out/dev/ser/b:on")), "rtcm={/1:1.00,/31:1.00,/3:10.00}");
}

TEST_F(StreamTest, NmeaSentencesCarryValidChecksums) {
  ASSERT_EQ(link.exchange("em,,nmea/GGA:0.1,nmea/GLL:0.1,nmea/GSA:0.1,nmea/GSV:0.1,nmea/RMC:0.1,nmea/"
                          "VTG:0.1,nmea/ZDA:0.1")
                .substr(0, 2),
            "RE");
  ASSERT_TRUE(link.readUntil(
      [](const std::string& b) {
        return b.find("ZDA") != std::string::npos && b.rfind("\r\n") > b.find("ZDA");
      },
      3000));
  std::map<std::string, int> kinds;
  std::string all = link.drain(200);
  std::size_t pos = 0;
  while ((pos = all.find('$', pos)) != std::string::npos) {
    const std::size_t star = all.find('*', pos), eol = all.find("\r\n", pos);
    if (star == std::string::npos || eol == std::string::npos) break;
    unsigned char cs = 0;
    for (std::size_t i = pos + 1; i < star; ++i) cs ^= static_cast<unsigned char>(all[i]);
    char want[3];
    std::snprintf(want, sizeof want, "%02X", cs);
    EXPECT_EQ(all.substr(star + 1, 2), want) << all.substr(pos, eol - pos);
    ++kinds[all.substr(pos + 3, 3)];
    pos = eol;
  }
  for (const char* k : {"GGA", "GLL", "GSA", "GSV", "RMC", "VTG", "ZDA"}) EXPECT_GE(kinds[k], 1) << k;
}

std::uint32_t crc24(const std::string& s, std::size_t n) {
  std::uint32_t crc = 0;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= static_cast<std::uint32_t>(static_cast<unsigned char>(s[i])) << 16;
    for (int b = 0; b < 8; ++b) {
      crc <<= 1;
      if (crc & 0x1000000) crc ^= 0x1864CFB;
    }
  }
  return crc & 0xFFFFFF;
}

TEST_F(StreamTest, Rtcm3AndCmrFramesCheckOut) {
  ASSERT_EQ(link.exchange("%%em,,rtcm3{/1005:0.1,/1004:0.1},cmr{/0:0.1,/1:0.1}").substr(0, 2), "RE");
  link.drain(250);
  const std::string all = link.drain(250);
  int rtcm = 0, cmr = 0;
  bool saw1005 = false, saw1004 = false;
  for (std::size_t i = 0; i + 6 < all.size(); ++i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(all[k]); };
    if (b(i) == 0xD3 && (b(i + 1) & 0xFC) == 0) {
      const std::size_t len = ((b(i + 1) & 3) << 8) | b(i + 2);
      if (i + 6 + len > all.size()) break;
      const std::uint32_t crc = (b(i + 3 + len) << 16) | (b(i + 4 + len) << 8) | b(i + 5 + len);
      if (crc != crc24(all.substr(i), len + 3)) continue;
      const unsigned type = (b(i + 3) << 4) | (b(i + 4) >> 4);
      saw1005 |= type == 1005;
      saw1004 |= type == 1004;
      ++rtcm;
      i += len + 5;
    } else if (b(i) == 0x02 && b(i + 1) == 0 && b(i + 2) == 0x93) {
      const std::size_t len = b(i + 3);
      if (i + 6 + len > all.size()) break;
      unsigned sum = 0;
      for (std::size_t k = i + 1; k < i + 4 + len; ++k) sum += b(k);
      if ((sum & 0xFF) != b(i + 4 + len) || b(i + 5 + len) != 3) continue;
      ++cmr;
      i += len + 5;
    }
  }
  EXPECT_TRUE(saw1005);
  EXPECT_TRUE(saw1004);
  EXPECT_GE(cmr, 2);
  EXPECT_GE(rtcm, 2);
}

}  // namespace
}  // namespace simtest
