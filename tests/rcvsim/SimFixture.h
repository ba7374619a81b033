#pragma once
// A simulator in-process with its log files in a temporary folder, and a link to it.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "SimClient.h"
#include "TempDir.h"
#include "rcvsim/Simulator.h"

namespace simtest {

inline rcvsim::Options baseOptions(const TempDir& dir) {
  rcvsim::Options o;
  o.pty = true;
  o.filesDir = dir.str();
  o.startUtcMs = 1765000000000;  // fixed receiver time: reproducible sky
  o.rebootMs = 150;
  return o;
}

inline void writeFile(const TempDir& dir, const std::string& name, const std::string& data) {
  std::ofstream(dir.path() / name, std::ios::binary)
      .write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string patterned(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  std::uint32_t x = seed * 2654435761u + 1;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

class SimTest : public ::testing::Test {
 protected:
  void startSim(rcvsim::Options o) {
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->start(error)) << error;
    if (o.pty) {
      ASSERT_TRUE(link.openPty(sim->ptyPath())) << sim->ptyPath();
    }
  }
  void TearDown() override {
    link.close();
    if (sim) sim->stop();
  }
  TempDir dir;
  std::unique_ptr<rcvsim::Simulator> sim;
  Link link;
};

}  // namespace simtest
