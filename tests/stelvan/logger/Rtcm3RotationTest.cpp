// An RTCM 3 stream changes files on the epoch time of its MSM, with the computer's date.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "TempDir.h"
#include "ZrxEpochs.h"
#include "logger/GnssLogSession.h"
#include "parsers/Crc24q.h"

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kDay = 86400000, kWeek = 7 * kDay, kGpsEpoch = 315964800000;  // 1980-01-06

struct Bits {
  // Fields wider than 64 bits (runs of zeros) have nothing above bit 63.
  void put(std::uint64_t v, unsigned n) {
    for (unsigned i = n; i-- > 0;) bits.push_back(i < 64 && (v >> i & 1u) != 0);
  }
  std::string frame() const {
    std::string body((bits.size() + 7) / 8, '\0');
    for (std::size_t i = 0; i < bits.size(); ++i)
      if (bits[i]) body[i / 8] = static_cast<char>(body[i / 8] | 0x80 >> (i % 8));
    std::string f =
        std::string("\xD3", 1) + static_cast<char>(body.size() >> 8) + static_cast<char>(body.size() & 0xFF);
    f += body;
    const std::uint32_t crc =
        engine::rtcm3::crc24q(reinterpret_cast<const std::uint8_t*>(f.data()), f.size());
    return f + static_cast<char>(crc >> 16) + static_cast<char>(crc >> 8 & 0xFF) +
           static_cast<char>(crc & 0xFF);
  }
  std::vector<bool> bits;
};

// An MSM4 header of one satellite and one signal at UTC instant `utcMs`, as each system
// counts its time.
std::string msm(unsigned type, std::int64_t utcMs, bool more) {
  Bits b;
  b.put(type, 12);
  b.put(7, 12);  // station
  const std::int64_t gps = utcMs - kGpsEpoch + 18000;
  if (type / 10 == 108) {  // GLONASS: day of week and ms of the day, Moscow time
    const std::int64_t moscow = utcMs + 3 * 3600000;
    b.put(static_cast<std::uint64_t>((moscow / kDay + 4) % 7), 3);
    b.put(static_cast<std::uint64_t>(moscow % kDay), 27);
  } else if (type / 10 == 112) {  // BeiDou time: 14 s behind GPS time
    b.put(static_cast<std::uint64_t>((gps - 14000) % kWeek), 30);
  } else {
    b.put(static_cast<std::uint64_t>(gps % kWeek), 30);
  }
  b.put(more ? 1 : 0, 1);
  b.put(0, 3 + 7 + 2 + 2 + 1 + 3);
  b.put(1ull << 60, 64);  // satellite 4
  b.put(1u << 30, 32);    // signal 2
  b.put(1, 1);            // its cell
  b.put(0x5A5A, 16);      // some of the cell data
  return b.frame();
}

std::string station() {
  Bits b;
  b.put(1005, 12);
  b.put(0xD3D3D3D3, 32);  // preamble bytes inside a frame begin nothing
  b.put(0, 108);
  return b.frame();
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(Rtcm3Rotation, FilesChangeExactlyAtTheBoundaryOfTheStreamsTimeWithTheComputersDate) {
  TempDir dir;
  const std::int64_t start = (Gnss::daysFromCivil(2026, 12, 31) * 86400 + 23 * 3600 + 59 * 60) * 1000;
  // The epochs are read when the computer is already in the new day: the ones before
  // midnight keep theirs.
  const std::int64_t computer = start + 90000;
  Gnss::LogOptions o;
  o.rtcm3Time = true;
  o.utcNow = [computer] { return computer; };
  o.periodSec = 60;
  o.enableCommands = {"em,,rtcm3/1074:1,rtcm3/1084:1,rtcm3/1124:1,rtcm3/1005:10"};
  zrxtest::FakeReceiver rcv;
  Gnss::LogFileNamer namer;
  namer.directory = dir.path().string();
  namer.mode = 1;
  namer.prefix = "Site";
  namer.suffix = ".rtcm";
  Gnss::GnssLogSession session(rcv, namer, o);

  std::string data = station();  // before the first epoch: not logged
  const std::size_t lead = data.size();
  std::vector<std::string> firstOfEpoch;
  for (int i = 0; i < 130; ++i) {
    const std::int64_t t = start + i * 1000;
    firstOfEpoch.push_back(msm(1074, t, true));
    data += firstOfEpoch.back() + msm(1084, t, true) + msm(1124, t, false) + station();
  }
  ASSERT_TRUE(session.Start());
  std::mt19937 rng(5);
  rcv.feed(data, rng);
  session.Stop();

  std::vector<std::string> files;
  for (const auto& e : fs::directory_iterator(dir.path())) files.push_back(e.path().filename().string());
  std::sort(files.begin(), files.end());
  ASSERT_EQ(files, (std::vector<std::string>{"Site_2026_12_31_23.59.00.rtcm", "Site_2027_01_01_00.00.00.rtcm",
                                             "Site_2027_01_01_00.01.00.rtcm"}));
  // Each file begins with the first frame of the epoch on the boundary; together they
  // hold the stream from its first epoch on, nothing lost or repeated.
  const std::string a = readAll(dir.path() / files[0]), b = readAll(dir.path() / files[1]),
                    c = readAll(dir.path() / files[2]);
  EXPECT_EQ(a.substr(0, firstOfEpoch[0].size()), firstOfEpoch[0]);
  EXPECT_EQ(b.substr(0, firstOfEpoch[60].size()), firstOfEpoch[60]);
  EXPECT_EQ(c.substr(0, firstOfEpoch[120].size()), firstOfEpoch[120]);
  EXPECT_TRUE(a + b + c == data.substr(lead));
}
