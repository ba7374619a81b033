// gridctl --files / --download / --delete as a user runs them, against the simulator.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "TempDir.h"
#include "TestPaths.h"
#include "rcvsim/Simulator.h"

namespace {

struct CtlRun {
  int exitCode = -1;
  std::string out;
};

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class GridctlFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 gen(5);
    data.resize(9000);
    for (char& c : data) c = static_cast<char>(gen());
    std::ofstream(files.path() / "log0427a", std::ios::binary) << data;
    std::ofstream(files.path() / "empty", std::ios::binary);
    rcvsim::Options o;
    o.pty = true;
    o.filesDir = files.str();
    o.rebootMs = 150;
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->start(error)) << error;
  }
  void TearDown() override { sim->stop(); }

  // Runs gridctl on the simulator's receiver with the given arguments (stderr discarded).
  CtlRun gridctl(const std::string& args) {
    const std::string cmd = "XDG_CONFIG_HOME='" + config.dir().str() + "' '" + TestPaths::binDir() +
                            "/gridctl' --receiver 'COM" + sim->ptyPath() + ":115200:1' " + args +
                            " 2>/dev/null";
    CtlRun r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
    const int st = pclose(p);
    r.exitCode = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
  }

  ScopedConfigHome config;
  TempDir files, out;
  std::string data;
  std::unique_ptr<rcvsim::Simulator> sim;
};

TEST_F(GridctlFilesTest, ListsDownloadsAndDeletesReceiverFiles) {
  CtlRun list = gridctl("--files");
  EXPECT_EQ(list.exitCode, 0);
  EXPECT_NE(list.out.find("log0427a 9000\n"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("empty 0\n"), std::string::npos) << list.out;
  for (std::size_t at = 0; (at = list.out.find('\n', at)) != std::string::npos; ++at) {
    const std::size_t begin = list.out.rfind('\n', at - 1);
    const std::string line = list.out.substr(begin == std::string::npos ? 0 : begin + 1,
                                             at - (begin == std::string::npos ? 0 : begin + 1));
    EXPECT_EQ(std::count(line.begin(), line.end(), ' '), 1) << line;
  }

  // A partial local copy is completed, not replaced.
  std::ofstream(out.path() / "log0427a", std::ios::binary) << data.substr(0, 1024);
  EXPECT_EQ(gridctl("--download log0427a --to '" + out.str() + "'").exitCode, 0);
  EXPECT_TRUE(readFile(out.path() / "log0427a") == data);
  EXPECT_EQ(gridctl("--download empty --to '" + out.str() + "'").exitCode, 0);
  EXPECT_TRUE(std::filesystem::exists(out.path() / "empty"));
  EXPECT_EQ(std::filesystem::file_size(out.path() / "empty"), 0u);

  EXPECT_EQ(gridctl("--delete log0427a").exitCode, 0);
  EXPECT_FALSE(std::filesystem::exists(files.path() / "log0427a"));
  EXPECT_NE(gridctl("--delete log0427a").exitCode, 0);
  EXPECT_EQ(gridctl("--files").out, "empty 0\n");
}

TEST_F(GridctlFilesTest, DownloadCutByTheLinkFailsAndTheNextCompletesIt) {
  sim->faults().cutAfterBytes = 5 * (512 + 6) + 100;
  EXPECT_NE(gridctl("--download log0427a --to '" + out.str() + "'").exitCode, 0);
  EXPECT_EQ(std::filesystem::file_size(out.path() / "log0427a"), 5u * 512u);
  sim->faults().cutAfterBytes = -1;
  EXPECT_EQ(gridctl("--download log0427a --to '" + out.str() + "'").exitCode, 0);
  EXPECT_TRUE(readFile(out.path() / "log0427a") == data);
}

TEST_F(GridctlFilesTest, ReceiverErrorFailsTheDownload) {
  sim->faults().errorBlock = 2;
  EXPECT_NE(gridctl("--download log0427a --to '" + out.str() + "'").exitCode, 0);
  EXPECT_EQ(std::filesystem::file_size(out.path() / "log0427a"), 2u * 512u);
  EXPECT_NE(gridctl("--download nosuchfile --to '" + out.str() + "'").exitCode, 0);
}

}  // namespace
