// The logging session on its own: names by the receiver's date across midnight and month
// ends, the grid at midnight, restarts that never overwrite, refusals that reach the caller,
// the logger's own replies kept out of files, leftovers of a killed run, and a full disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "ReceiverModel.h"
#include "TempDir.h"
#include "ZrxEpochs.h"
#include "logger/GnssLogSession.h"
#include "logger/GnssLogger_NS3.h"
#include "logger/ReplyFilter.h"

namespace fs = std::filesystem;
using namespace zrxtest;

namespace {

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
std::vector<std::string> names(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
  std::sort(out.begin(), out.end());
  return out;
}

// One logging run over `data`, with its lines and closed files recorded.
struct LogRun {
  LogRun(const fs::path& dir, int mode, int period, Gnss::LogOptions o = {},
         const std::string& suffix = ".zrx") {
    namer.directory = dir.string();
    namer.mode = mode;
    namer.prefix = "Site";
    namer.suffix = suffix;
    namer.fixedName = "Site.zrx";
    o.periodSec = period;
    o.useTempName = mode != 0;
    o.overwrite = mode != 0;
    if (o.enableCommands.empty()) o.enableCommands = {"em,,def:1"};
    session = std::make_unique<Gnss::GnssLogSession>(rcv, namer, o);
    session->setMessageCallback([this](const std::string& l) { add(lines, l); });
    session->setErrorCallback([this](const std::string& l) { add(errors, l); });
    session->setFileClosedCallback([this](const std::string& f) { add(closed, f); });
  }
  void add(std::vector<std::string>& to, const std::string& l) {
    std::lock_guard g(m);
    to.push_back(l);
  }
  bool log(const std::string& data, unsigned seed = 1) {
    if (!session->Start()) return false;
    std::mt19937 rng(seed);
    rcv.feed(data, rng);
    session->Stop();
    return true;
  }
  FakeReceiver rcv;
  Gnss::LogFileNamer namer;
  std::unique_ptr<Gnss::GnssLogSession> session;
  std::mutex m;
  std::vector<std::string> lines, errors, closed;
};

TEST(LogSession, NamesCarryTheReceiversDateAcrossMidnightAndAMonthEnd) {
  TempDir dir;
  std::mt19937 rng(2);
  // The receiver's date is not the computer's; each epoch's date frame follows its time frame.
  const std::string data = epochs(hms(23, 58, 30), 240, 1000, 2026, 3, 31, rng);
  LogRun run(dir.path(), 1, 60);
  ASSERT_TRUE(run.log(data));
  EXPECT_EQ(names(dir.path()),
            (std::vector<std::string>{"Site_2026_03_31_23.58.30.zrx", "Site_2026_03_31_23.59.00.zrx",
                                      "Site_2026_04_01_00.00.00.zrx", "Site_2026_04_01_00.01.00.zrx",
                                      "Site_2026_04_01_00.02.00.zrx"}));
  // Even the first file's name waited for the date frame.
  ASSERT_FALSE(run.lines.empty());
  EXPECT_NE(run.lines[0].find("Log file started: " + (dir.path() / "~Site_2026_03_31_23.58.30.tmp").string()),
            std::string::npos)
      << run.lines[0];
  std::string joined;
  for (const std::string& n : names(dir.path())) joined += readAll(dir.path() / n);
  EXPECT_TRUE(joined == data);
}

TEST(LogSession, FilesChangeExactlyOnTheGridAtMidnight) {
  struct Case {
    int period;
    std::int64_t start;
    int count;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {60,
       hms(23, 58, 57),
       190,
       {"Site_2026_12_07_23.58.57.zrx", "Site_2026_12_07_23.59.00.zrx", "Site_2026_12_08_00.00.00.zrx",
        "Site_2026_12_08_00.01.00.zrx", "Site_2026_12_08_00.02.00.zrx"}},
      {3600,
       hms(22, 59, 50),
       7300,
       {"Site_2026_12_07_22.59.50.zrx", "Site_2026_12_07_23.00.00.zrx", "Site_2026_12_08_00.00.00.zrx",
        "Site_2026_12_08_01.00.00.zrx"}},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::mt19937 rng(4);
    LogRun run(dir.path(), 1, c.period);
    ASSERT_TRUE(run.log(epochs(c.start, c.count, 1000, 2026, 12, 7, rng)));
    EXPECT_EQ(names(dir.path()), c.files) << "period " << c.period;
  }
}

TEST(LogSession, ARestartNeverOverwritesAnEarlierRunInAnyNamingMode) {
  for (int mode = 0; mode <= 2; ++mode) {
    TempDir dir;
    std::mt19937 rng(6);
    // The second run sees the same receiver times, as a replayed or reset receiver would.
    const std::string data = epochs(hms(10, 0, 58), 4, 1000, 2026, 5, 6, rng);
    LogRun first(dir.path(), mode, 60);
    ASSERT_TRUE(first.log(data));
    std::map<std::string, std::string> before;
    for (const std::string& n : names(dir.path())) before[n] = readAll(dir.path() / n);
    LogRun second(dir.path(), mode, 60);
    ASSERT_TRUE(second.log(data, 9));
    for (const auto& [name, bytes] : before) {
      const std::string now = readAll(dir.path() / name);
      EXPECT_EQ(now.substr(0, bytes.size()), bytes) << "mode " << mode << ": " << name << " was overwritten";
    }
    std::string all;
    for (const std::string& n : names(dir.path())) all += readAll(dir.path() / n);
    EXPECT_EQ(all.size(), 2 * data.size()) << "mode " << mode;
    if (mode == 2) {  // numbering goes on after the highest index present
      EXPECT_EQ(names(dir.path()),
                (std::vector<std::string>{"Site_1.zrx", "Site_2.zrx", "Site_3.zrx", "Site_4.zrx"}));
    }
  }
}

TEST(LogSession, ARefusedEnableFailsTheStartWithTheReceiversText) {
  TempDir dir;
  LogRun run(dir.path(), 2, 60);
  run.rcv.refuse = "Unknown message zrx/RMC";
  EXPECT_FALSE(run.session->Start());
  EXPECT_EQ(run.session->lastError(), "Unknown message zrx/RMC");
  EXPECT_FALSE(run.rcv.sink);  // nothing listens any more
  EXPECT_TRUE(names(dir.path()).empty());
  // A stream without receiver time opens its file at once: a refusal removes it again.
  Gnss::LogOptions o;
  o.waitForEpoch = false;
  o.enableCommands = {"em,,nmea/GGA:1.00,nmea/RMC:1.00"};
  LogRun nmea(dir.path(), 2, 60, o);
  nmea.rcv.refuse = "Unknown message nmea/RMX";
  EXPECT_FALSE(nmea.session->Start());
  EXPECT_EQ(nmea.session->lastError(), "Unknown message nmea/RMX");
  EXPECT_TRUE(names(dir.path()).empty());
}

TEST(LogSession, TheLoggersOwnRepliesNeverEnterAFile) {
  // Replies to the logger's commands ("%LG..%") go; a reply to anyone else and data stay.
  auto reply = [](const char* id, const std::string& body) {
    char len[4];
    std::snprintf(len, sizeof len, "%03X", static_cast<unsigned>(body.size()));
    return std::string(id) + len + body;
  };
  const std::string own1 = reply("RE", "%LG1%done"), own2 = reply("ER", "%LG2%Unknown message x");
  const std::string kept = "RE00A%7%%done!" + frame("PG", "RE0") + "REER";
  const std::string stream = "$GPGGA,1*00\r\n" + own1 + kept + own2 + "tail R";
  std::mt19937 rng(8);
  for (int round = 0; round < 200; ++round) {
    Gnss::ReplyFilter f;
    std::string out;
    for (std::size_t p = 0; p < stream.size();) {
      const std::size_t n = std::min<std::size_t>(1 + rng() % 9, stream.size() - p);
      f.feed(reinterpret_cast<const std::uint8_t*>(stream.data() + p), n, out);
      p += n;
    }
    f.flush(out);
    ASSERT_EQ(out, "$GPGGA,1*00\r\n" + kept + "tail R");
  }
}

TEST(LogSession, LeftoversOfAKilledRunAreFinishedBeforeANewRun) {
  TempDir dir;
  auto put = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(dir.path() / name, std::ios::binary) << bytes;
  };
  put("~Site_7.tmp", "~~005 seven");
  put("~Site_8.tmp", "");
  put("Site_7.zrx", "an earlier file of the same name");
  put("~Site_9.tmp", "held by a running logger");
  const int held = ::open((dir.path() / "~Site_9.tmp").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  std::mt19937 rng(1);
  LogRun run(dir.path(), 2, 60);
  ASSERT_TRUE(run.log(epochs(hms(1, 0, 0), 3, 1000, 2026, 1, 1, rng)));
  ::close(held);
  EXPECT_EQ(names(dir.path()),
            (std::vector<std::string>{"Site_10.zrx", "Site_7.zrx", "Site_7_2.zrx", "~Site_9.tmp"}));
  EXPECT_EQ(readAll(dir.path() / "Site_7_2.zrx"), "~~005 seven");
  EXPECT_EQ(readAll(dir.path() / "Site_7.zrx"), "an earlier file of the same name");
  ASSERT_EQ(run.closed.size(), 2u);
  EXPECT_EQ(run.closed[0], (dir.path() / "Site_7_2.zrx").string());  // finished first, converter and all
  EXPECT_NE(run.lines[0].find("recovered"), std::string::npos) << run.lines[0];
}

TEST(LogSession, AFileThatVanishedIsReportedAndNotHandedOn) {
  TempDir dir;
  std::mt19937 rng(3);
  LogRun run(dir.path(), 2, 60);
  ASSERT_TRUE(run.session->Start());
  run.rcv.feed(epochs(hms(1, 0, 0), 3, 1000, 2026, 1, 1, rng), rng);
  fs::remove(dir.path() / "~Site_1.tmp");
  run.session->Stop();
  EXPECT_TRUE(run.closed.empty());
  ASSERT_EQ(run.errors.size(), 1u);
  EXPECT_NE(run.errors[0].find("Can't rename"), std::string::npos) << run.errors[0];
}

TEST(LogSession, AStreamWithoutReceiverTimeChangesFilesOnTheComputersClockAtASentence) {
  TempDir dir;
  Gnss::LogOptions o;
  o.waitForEpoch = false;
  o.enableCommands = {"em,,nmea/GGA:0.05"};
  LogRun run(dir.path(), 1, 1, o);  // a new file every second of the computer's clock
  ASSERT_TRUE(run.session->Start());
  std::string all;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(2500);
  for (int n = 0; std::chrono::steady_clock::now() < end; ++n) {
    // Each sentence comes in two reads, so a boundary may fall inside one.
    const std::string head = "$GPGGA,line " + std::to_string(n), tail = "*00\r\n";
    for (const std::string& piece : {head, tail}) {
      run.rcv.sink(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size());
      all += piece;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  run.session->Stop();
  const std::vector<std::string> files = names(dir.path());
  ASSERT_GE(files.size(), 2u);
  std::string joined;
  for (const std::string& f : files) {
    const std::string bytes = readAll(dir.path() / f);
    EXPECT_EQ(bytes.substr(0, 7), "$GPGGA,") << f << " does not begin with a sentence";
    joined += bytes;
  }
  EXPECT_TRUE(joined == all);
}

std::string sentence(const std::string& body) {
  unsigned sum = 0;
  for (const char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

TEST(LogSession, AnNmeaStreamChangesFilesOnItsOwnTimeAndDate) {
  TempDir dir;
  Gnss::LogOptions o;
  o.nmeaTime = true;
  o.enableCommands = {"em,,nmea/GGA:1.00,nmea/RMC:1.00,nmea/GSV:1.00"};
  LogRun run(dir.path(), 1, 60, o, ".nmea");
  std::string data = "01.0,A*3C\r\n";  // the end of a sentence: no epoch begins there
  const std::string lead = data;
  for (int i = 0; i < 130; ++i) {
    const int t = 23 * 3600 + 59 * 60 + i;  // from 23:59:00 on 31 Dec 2026
    const int tod = t % 86400;
    char hms[16], date[8];
    std::snprintf(hms, sizeof hms, "%02d%02d%02d.00", tod / 3600, tod / 60 % 60, tod % 60);
    std::snprintf(date, sizeof date, "%s", t < 86400 ? "311226" : "010127");
    data += sentence(std::string("GPGGA,") + hms + ",4722.61,N,00832.50,E,1,08,1.0,430.0,M,48.0,M,,");
    data += sentence("GPGSV,1,1,01,05,40,083,46");
    data += sentence(std::string("GPRMC,") + hms + ",A,4722.61,N,00832.50,E,0.0,0.0," + date + ",,");
  }
  ASSERT_TRUE(run.log(data));
  EXPECT_EQ(names(dir.path()),
            (std::vector<std::string>{"Site_2026_12_31_23.59.00.nmea", "Site_2027_01_01_00.00.00.nmea",
                                      "Site_2027_01_01_00.01.00.nmea"}));
  std::string joined;
  for (const std::string& n : names(dir.path())) {
    const std::string bytes = readAll(dir.path() / n);
    EXPECT_EQ(bytes.substr(0, 7), "$GPGGA,") << n;
    joined += bytes;
  }
  EXPECT_TRUE(joined == data.substr(lead.size()));
}

TEST(LogSession, EveryMessageOfAListCarriesItsFormat) {
  engine::Ref<Tellus::ReceiverModel> model{Tellus::ReceiverModel::create()};
  Gnss::GnssLogger_NS3 nmea(model.get());
  nmea.AddMessage(2, "GGA:1.00,RMC:1.00");
  EXPECT_EQ(nmea.EnableCommand(), "em,,nmea/GGA:1.00,nmea/RMC:1.00");
  Gnss::GnssLogger_NS3 rtcm(model.get());
  rtcm.AddMessage(3, "1004:1.00,1006:10.00");
  EXPECT_EQ(rtcm.EnableCommand(), "em,,rtcm/1004:1.00,rtcm/1006:10.00");
  Gnss::GnssLogger_NS3 zrx(model.get());
  zrx.AddMessage(0, "def:1.00");
  EXPECT_EQ(zrx.EnableCommand(), "em,,def:1.00");
}

// A size-limited file stands for a full disk: it runs without privileges.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit l = old;
    l.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &l);
    oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
  }
  rlimit old{};
  void (*oldHandler)(int) = nullptr;
};

TEST(LogSession, AFullDiskLosesNothingBeforeItAndSaysWhichFilesLostData) {
  TempDir dir;
  std::mt19937 rng(5);
  const std::string data = epochs(hms(12, 0, 0), 1500, 1000, 2026, 2, 3, rng);
  Gnss::LogOptions o;
  o.retryWriteMs = 0;  // try again at the next epoch
  LogRun run(dir.path(), 2, 3600, o);
  {
    FileSizeLimit limit(32768);
    ASSERT_TRUE(run.log(data));
  }
  const std::vector<std::string> files = names(dir.path());
  ASSERT_GE(files.size(), 3u);
  EXPECT_EQ(files[0], "Site_1.incomplete.zrx");
  const std::string first = readAll(dir.path() / files[0]);
  EXPECT_EQ(first.size(), 32768u);
  EXPECT_TRUE(first == data.substr(0, first.size()));  // everything before the failure
  std::size_t logged = 0, incomplete = 0;
  for (const std::string& f : files) {
    const std::string bytes = readAll(dir.path() / f);
    EXPECT_EQ(bytes.substr(0, 5), "~~005") << f;
    EXPECT_NE(data.find(bytes), std::string::npos) << f << " is not a piece of the stream";
    logged += bytes.size();
    incomplete += f.find(".incomplete.") != std::string::npos;
  }
  EXPECT_EQ(logged + run.session->bytesLost(), data.size());
  const auto cant = std::count_if(run.errors.begin(), run.errors.end(),
                                  [](const std::string& e) { return e.rfind("Can't write", 0) == 0; });
  EXPECT_EQ(static_cast<std::size_t>(cant), incomplete);  // once per file that lost data
}

}  // namespace
