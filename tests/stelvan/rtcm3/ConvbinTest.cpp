// stelvan-decode --rtcm against an independent RTCM 3 reader, Debian's rtklib
// convbin, on every recorded capture: the station position, antenna height,
// receiver and antenna names of its RINEX header, and the satellite count of
// every epoch it writes, and the signals of its observation types, must be
// what our contents say.
//
// Differences accounted for: convbin misses frames behind a false preamble
// (see framesConvbinReads); it takes no observations from MSM1-MSM3 and from
// 1001, 1003, 1009 and 1011 (it reads only their headers), so these only end
// epochs; without a station message it writes a position of its own solution.
// Epochs end, for both, at a message without the multiple-message flag.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "TempDir.h"
#include "TestPaths.h"
#include "decode/parsers/Crc24q.h"
#include "decode/rtcm3/MsmSignals.h"

namespace {

std::string runText(const std::string& cmd, int* status = nullptr) {
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return out;
  char buf[4096];
  std::size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  const int st = pclose(p);
  if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return out;
}

bool haveConvbin() {
  return std::system("command -v convbin >/dev/null 2>&1") == 0;
}

// The value text of "key" in one of our flat JSON lines: a number, true/false, [list] or "text".
std::optional<std::string> value(const std::string& line, const std::string& key) {
  const std::string k = "\"" + key + "\": ";
  const std::size_t at = line.find(k);
  if (at == std::string::npos) return std::nullopt;
  std::size_t from = at + k.size(), to = from;
  if (line[from] == '"') {
    to = line.find('"', from + 1);
    return line.substr(from + 1, to - from - 1);
  }
  if (line[from] == '[') return line.substr(from + 1, line.find(']', from) - from - 1);
  while (to < line.size() && line[to] != ',' && line[to] != '}') ++to;
  return line.substr(from, to - from);
}

struct Observation {
  int type = 0;
  std::string system;
  long long epochMs = 0;
  bool multiple = false;
  std::vector<int> satellites;
  std::vector<int> signalIds;  // MSM only
};

struct Ours {
  std::vector<Observation> obs;
  std::optional<std::array<double, 3>> position;
  std::optional<double> antennaHeight;
  std::optional<std::string> receiver, antenna;
};

Ours readOurs(const std::string& text) {
  Ours o;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const int type = std::stoi(*value(line, "type"));
    if ((type == 1005 || type == 1006) && !o.position && value(line, "x"))
      o.position = {std::stod(*value(line, "x")), std::stod(*value(line, "y")), std::stod(*value(line, "z"))};
    if (type == 1006 && !o.antennaHeight && value(line, "antenna_height"))
      o.antennaHeight = std::stod(*value(line, "antenna_height"));
    if (type == 1033 && !o.receiver) o.receiver = value(line, "receiver");
    if ((type == 1007 || type == 1008 || type == 1033) && !o.antenna) o.antenna = value(line, "antenna");
    if (!value(line, "satellites") || !value(line, "system")) continue;
    Observation ob;
    ob.type = type;
    ob.system = *value(line, "system");
    ob.epochMs = std::stoll(*value(line, "epoch_ms"));
    ob.multiple = *value(line, "multiple") == "true";
    std::istringstream sats(*value(line, "satellites"));
    for (std::string s; std::getline(sats, s, ',');) ob.satellites.push_back(std::stoi(s));
    if (auto sig = value(line, "signals")) {
      std::istringstream ids(*sig);
      for (std::string s; std::getline(ids, s, ',');) ob.signalIds.push_back(std::stoi(s));
    }
    o.obs.push_back(ob);
  }
  return o;
}

bool convbinReadsObservations(int type) {
  return !(type == 1001 || type == 1003 || type == 1009 || type == 1011 || (type > 1070 && type % 10 <= 3));
}

// Satellites of each epoch that a message without the multiple flag closes.
std::vector<int> ourEpochCounts(const Ours& o) {
  std::vector<int> counts;
  std::set<std::pair<std::string, int>> epoch;
  for (const Observation& ob : o.obs) {
    if (convbinReadsObservations(ob.type))
      for (int s : ob.satellites) epoch.insert({ob.system, s});
    if (ob.multiple) continue;
    if (!epoch.empty()) counts.push_back(static_cast<int>(epoch.size()));
    epoch.clear();
  }
  return counts;
}

// The RINEX codes of the signals our MSM contents name, by RINEX system letter; the systems
// that also send legacy observations (which bring codes of their own) are marked.
std::map<char, std::set<std::string>> ourCodes(const Ours& o, std::set<char>& legacy) {
  static const std::map<std::string, std::pair<char, engine::rtcm3::GnssSystem>> kSystems = {
      {"GPS", {'G', engine::rtcm3::GnssSystem::Gps}},
      {"GLONASS", {'R', engine::rtcm3::GnssSystem::Glonass}},
      {"Galileo", {'E', engine::rtcm3::GnssSystem::Galileo}},
      {"SBAS", {'S', engine::rtcm3::GnssSystem::Sbas}},
      {"QZSS", {'J', engine::rtcm3::GnssSystem::Qzss}},
      {"BeiDou", {'C', engine::rtcm3::GnssSystem::Beidou}},
      {"NavIC", {'I', engine::rtcm3::GnssSystem::Navic}}};
  std::map<char, std::set<std::string>> codes;
  for (const Observation& ob : o.obs) {
    const auto& [letter, system] = kSystems.at(ob.system);
    if (ob.type < 1071) legacy.insert(letter);
    if (!convbinReadsObservations(ob.type) || ob.satellites.empty()) continue;
    for (int id : ob.signalIds)
      // rtklib 2.4.3 predates the BeiDou-3 signals (ids 22 on), and leaves them out.
      if (system != engine::rtcm3::GnssSystem::Beidou || id < 22)
        codes[letter].insert(engine::rtcm3::msmSignalName(system, id));
  }
  return codes;
}

// convbin places week-less epoch times (GLONASS time of day, GPS time of week) around an
// approximate time and takes UTC leap seconds by date: give it a date of the stream's own leap
// second count and weekday, the count read from the first epoch that has both GPS and GLONASS.
std::string approximateTime(const Ours& o) {
  std::optional<long long> firstTow, towMs, gloMs;
  int leap = 18;
  for (const Observation& ob : o.obs) {
    if (ob.system == "GPS") {
      if (!firstTow) firstTow = ob.epochMs;
      towMs = ob.epochMs;
    }
    if (ob.system == "GLONASS") gloMs = ob.epochMs;
    if (ob.multiple) continue;
    if (towMs && gloMs) {
      leap = static_cast<int>(((*towMs / 1000 - (*gloMs / 1000 - 10800)) % 86400 + 86400) % 86400);
      break;
    }
    towMs.reset();
    gloMs.reset();
  }
  // A GPS week inside each leap-second era.
  const int week = leap <= 14 ? 1450 : leap == 15 ? 1600 : leap == 16 ? 1750 : leap == 17 ? 1880 : 2000;
  const std::time_t t =
      315964800 + static_cast<std::time_t>(week) * 604800 + (firstTow ? *firstTow / 1000 : 0);
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[64];
  std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &tm);
  return text;
}

// Offsets of the frames convbin reads: after a 0xD3 whose frame fails its CRC it goes on behind
// that whole frame instead of at the next byte, so it can miss frames that we find.
std::set<std::uint64_t> framesConvbinReads(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string d((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto* b = reinterpret_cast<const std::uint8_t*>(d.data());
  std::set<std::uint64_t> seen;
  for (std::size_t i = 0; i + 6 <= d.size();) {
    if (b[i] != 0xD3) {
      ++i;
      continue;
    }
    const std::size_t len = ((b[i + 1] & 3u) << 8) | b[i + 2];
    if (i + 6 + len > d.size()) break;
    const std::uint32_t crc = (std::uint32_t{b[i + 3 + len]} << 16) | (b[i + 4 + len] << 8) | b[i + 5 + len];
    if (engine::rtcm3::crc24q(b + i, 3 + len) == crc) seen.insert(i);
    i += 6 + len;
  }
  return seen;
}

// Our --rtcm lines of the frames convbin reads too, matched through the default output's offsets.
std::string linesConvbinReads(const std::string& path, const std::string& rtcmText) {
  const std::set<std::uint64_t> seen = framesConvbinReads(path);
  std::istringstream lines(runText(TestPaths::binDir() + "/stelvan-decode '" + path + "'"));
  std::istringstream rtcm(rtcmText);
  std::string kept, line, json;
  while (std::getline(lines, line)) {
    std::istringstream f(line);
    std::uint64_t offset = 0;
    std::string format;
    f >> offset >> format;
    if (format != "RTCM_3") continue;
    if (!std::getline(rtcm, json)) ADD_FAILURE() << "fewer --rtcm lines than RTCM 3 frames";
    // The parser's frame may begin with the line ends it skipped.
    const auto at = seen.lower_bound(offset);
    if (at != seen.end() && *at < offset + 3) kept += json + "\n";
  }
  EXPECT_FALSE(std::getline(rtcm, json)) << "more --rtcm lines than RTCM 3 frames";
  return kept;
}

struct Theirs {
  bool written = false;
  std::array<double, 3> position{};
  double antennaHeight = 0;
  std::string receiver, antenna;
  std::vector<int> epochCounts;
  std::map<char, std::set<std::string>> codes;  // system letter -> "1C", "2W", ... of its obs types
};

std::string field(const std::string& line, std::size_t from, std::size_t width) {
  std::string f = line.substr(from, width);
  while (!f.empty() && f.back() == ' ') f.pop_back();
  return f;
}

Theirs runConvbin(const std::string& capture, const std::string& approx, const TempDir& dir) {
  Theirs t;
  const std::string obs = dir.str() + "/out.obs";
  std::filesystem::remove(obs);
  runText("convbin -r rtcm3 -tr " + approx + " -d '" + dir.str() + "' -o '" + obs + "' '" + capture +
          "' >/dev/null 2>&1");
  std::ifstream in(obs);
  if (!in) return t;
  t.written = true;
  for (std::string line; std::getline(in, line);) {
    if (line.find("APPROX POSITION XYZ") != std::string::npos)
      std::istringstream(line.substr(0, 42)) >> t.position[0] >> t.position[1] >> t.position[2];
    if (line.find("ANTENNA: DELTA H/E/N") != std::string::npos)
      t.antennaHeight = std::stod(line.substr(0, 14));
    if (line.find("REC # / TYPE / VERS") != std::string::npos) t.receiver = field(line, 20, 20);
    if (line.find("ANT # / TYPE") != std::string::npos) t.antenna = field(line, 20, 20);
    if (line.find("SYS / # / OBS TYPES") != std::string::npos && line[0] != ' ') {
      std::istringstream f(line.substr(7, 53));
      for (std::string type; f >> type;)
        if (type[0] == 'C') t.codes[line[0]].insert(type.substr(1));
    }
    if (!line.empty() && line[0] == '>') t.epochCounts.push_back(std::stoi(line.substr(32, 3)));
  }
  return t;
}

}  // namespace

TEST(Rtcm3Convbin, EveryCaptureAgrees) {
  const std::string captures = TestPaths::capturesDir();
  if (captures.empty()) GTEST_SKIP() << "no recorded captures on this machine";
  if (!haveConvbin()) GTEST_SKIP() << "convbin (Debian package rtklib) is not installed";
  TempDir dir;
  int compared = 0, positions = 0, signalSets = 0;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(captures)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  for (const auto& path : files) {
    SCOPED_TRACE(path.filename().string());
    int status = -1;
    const std::string text =
        runText(TestPaths::binDir() + "/stelvan-decode --rtcm '" + path.string() + "'", &status);
    ASSERT_EQ(status, 0);
    const Ours ours = readOurs(linesConvbinReads(path.string(), text));
    const std::vector<int> counts = ourEpochCounts(ours);
    const Theirs theirs = runConvbin(path.string(), approximateTime(ours), dir);
    // convbin writes observation files only for streams with observations.
    ASSERT_EQ(theirs.written, !counts.empty());
    if (!theirs.written) continue;
    ++compared;
    EXPECT_EQ(counts, theirs.epochCounts);
    if (ours.position) {
      ++positions;
      for (int i = 0; i < 3; ++i)
        EXPECT_NEAR((*ours.position)[i], theirs.position[i], 0.00015) << "axis " << i;
      EXPECT_NEAR(ours.antennaHeight.value_or(0), theirs.antennaHeight, 0.00015);
    }
    // Every signal an MSM names is among convbin's observation types of its system, and
    // without legacy observations they are all of them.
    std::set<char> legacy;
    for (const auto& [letter, mine] : ourCodes(ours, legacy)) {
      const std::set<std::string>& peer =
          theirs.codes.count(letter) ? theirs.codes.at(letter) : std::set<std::string>{};
      if (legacy.count(letter)) {
        EXPECT_TRUE(std::includes(peer.begin(), peer.end(), mine.begin(), mine.end())) << letter;
      } else {
        EXPECT_EQ(mine, peer) << letter;
      }
      ++signalSets;
    }
    if (ours.receiver) {
      EXPECT_EQ(*ours.receiver, theirs.receiver);
    }
    if (ours.antenna) {
      EXPECT_EQ(*ours.antenna, theirs.antenna);
    }
  }
  // The captures hold five RTCM 3 streams with observations, four of them with a station position.
  EXPECT_GE(compared, 5);
  EXPECT_GE(positions, 4);
  EXPECT_GE(signalSets, 10);
}

TEST(Rtcm3Convbin, CliPrintsTheStandardsExamples) {
  const std::string captures = TestPaths::capturesDir();
  if (captures.empty()) GTEST_SKIP() << "no recorded captures on this machine";
  int status = -1;
  const std::string out =
      runText(TestPaths::binDir() + "/stelvan-decode --rtcm < " + captures + "/rtcm3.log", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(
      out,
      "{\"type\": 1029, \"station\": 23}\n"
      "{\"type\": 1005, \"station\": 2003, \"x\": 1114104.5999, \"y\": -4850729.7108, \"z\": 3975521.4643, "
      "\"lat\": 38.804759430, \"lon\": -77.064773600, \"h\": 114.5611}\n");
}
