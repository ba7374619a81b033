#pragma once
// The serial link opened on the simulator's pseudo-terminal, with a test owner.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "TempDir.h"
#include "gridlink/Framing.h"
#include "gridlink/links/LinkTestOwner.h"
#include "gridlink/platform/Clock.h"
#include "links/CSerialConnection.h"
#include "rcvsim/Simulator.h"

namespace linktest {

// Rates the search announced through the abort callback; `abortAt` stops it there.
struct SearchLog {
  std::mutex lock;
  std::vector<std::int32_t> rates;
  std::int32_t abortAt = -1;
};
inline SearchLog g_search;

inline bool recordRate(void* p) {
  const auto* rec = static_cast<const std::int32_t*>(p);
  std::lock_guard<std::mutex> g(g_search.lock);
  EXPECT_EQ(rec[0], 8);
  g_search.rates.push_back(rec[1]);
  return rec[1] == g_search.abortAt;
}

class SerialLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::lock_guard<std::mutex> g(g_search.lock);
    g_search.rates.clear();
    g_search.abortAt = -1;
    owner.setAbort(recordRate);
  }
  void TearDown() override {
    link.reset();
    if (sim) sim->stop();
  }
  rcvsim::Options options(int rate = 115200) {
    rcvsim::Options o;
    o.pty = true;
    o.rate = rate;
    o.filesDir = dir.str();
    o.startUtcMs = 1765000000000;
    o.rebootMs = 150;
    o.traceFile = (dir.path() / "trace.txt").string();
    return o;
  }
  void startSim(const rcvsim::Options& o) {
    sim = std::make_unique<rcvsim::Simulator>(o);
    std::string error;
    ASSERT_TRUE(sim->start(error)) << error;
  }
  void openLink(const std::string& rate = "115200", const std::string& flow = "1") {
    link = std::make_unique<CSerialConnection>(owner, "COM" + sim->ptyPath() + ":" + rate + ":" + flow);
  }
  std::vector<std::int32_t> ratesTried() {
    std::lock_guard<std::mutex> g(g_search.lock);
    return g_search.rates;
  }
  std::string trace() {
    std::ifstream in(dir.path() / "trace.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
  }
  // Polls a condition for at most ms; for states that another thread reaches.
  template <class F>
  static bool eventually(F f, std::uint32_t ms = 5000) {
    for (std::uint32_t t = 0; t < ms; t += 10) {
      if (f()) return true;
      Platform::Sleep(10);
    }
    return f();
  }

  TempDir dir;
  LinkTestOwner owner;
  std::unique_ptr<rcvsim::Simulator> sim;
  std::unique_ptr<CSerialConnection> link;
};

}  // namespace linktest
