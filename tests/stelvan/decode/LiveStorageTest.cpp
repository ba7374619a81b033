// The listener storage and the analysis as the receiver model drives it: a
// live stream written from another thread, listeners by key, stop while the
// worker waits for bytes, and a false start ahead of a reply.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "decode/engine/C_Analyser.h"
#include "decode/engine/C_DataAnalyser.h"
#include "decode/engine/GnssMsgStorage.h"
#include "decode/engine/TuningValues.h"
#include "decode/parsers/ZrxBodies.h"
#include "stelvan/parsers/FrameBuilders.h"

namespace {

using namespace engine;
using Tellus::GnssMsgStorage;

struct Recorder : Tellus::IGnssMessageListener {
  std::mutex m;
  std::vector<std::string> seen;  // "FORMAT:ID"
  std::vector<std::string> raw;
  void onMessage(IMessageGNSS* msg) override {
    std::lock_guard<std::mutex> g(m);
    seen.push_back(msg->format() + ":" + msg->identifier());
    const zrx::Bytes b = zrx::messageBytes(msg);
    raw.emplace_back(reinterpret_cast<const char*>(b.data), b.size);
  }
  std::vector<std::string> got() {
    std::lock_guard<std::mutex> g(m);
    return seen;
  }
  // Bounded: polls until `what` was seen or about 5 s passed.
  bool waitFor(const std::string& what) {
    for (int i = 0; i < 500; ++i) {
      {
        std::lock_guard<std::mutex> g(m);
        for (const auto& s : seen)
          if (s == what) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};

struct Live : ::testing::Test {
  Ref<GnssMsgStorage> storage{new TUnknown<GnssMsgStorage>()};
  Ref<C_DataAnalyser> da{new TUnknown<C_DataAnalyser>()};
  std::uint32_t oldWait = tuning::readWaitMs.load();
  void SetUp() override {
    ASSERT_TRUE(da->init(storage.get(), nullptr));
    IParserManager* pm = da->getParserManager();
    for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
  }
  void TearDown() override {
    da->stop();
    tuning::readWaitMs = oldWait;
  }
  void feed(const std::string& s) { da->write(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); }
  void finish() {
    da->flush();
    ASSERT_TRUE(da->waitProcessed());
  }
};

const std::string kGga = ptest::nmea("GPGGA,120000.00,4722.6140,N,00832.5020,E,1,08,0.9,430.0,M,48.0,M,,");
const std::string kRmc = ptest::nmea("GPRMC,120000.00,A,4722.6140,N,00832.5020,E,0.0,0.0,081226,,");

TEST_F(Live, ListenersGetMessagesByKeyInKeyOrder) {
  Recorder any, nmea, gga, twice, removed;
  storage->addMessageListener(&any, "", "");
  storage->addMessageListener(&nmea, "NMEA", "");
  storage->addMessageListener(&gga, "NMEA", "GGA");
  storage->addMessageListener(&twice, "", "");
  storage->addMessageListener(&twice, "ZRX", "RE");
  storage->addMessageListener(&removed, "", "");
  storage->removeMessageListener(&removed);
  EXPECT_TRUE(storage->hasListeners());
  feed("\r\n" + kGga + "\r\n" + ptest::zrx("RE", "%1%ok", ptest::Seal::None) + kRmc + "\r\n");
  finish();
  EXPECT_EQ(any.got(), (std::vector<std::string>{"NMEA:GGA", "ZRX:RE", "NMEA:RMC"}));
  EXPECT_EQ(nmea.got(), (std::vector<std::string>{"NMEA:GGA", "NMEA:RMC"}));
  EXPECT_EQ(gga.got(), (std::vector<std::string>{"NMEA:GGA"}));
  EXPECT_EQ(twice.got(), (std::vector<std::string>{"NMEA:GGA", "ZRX:RE", "ZRX:RE", "NMEA:RMC"}));
  EXPECT_TRUE(removed.got().empty());
  for (auto* l : {&any, &nmea, &gga, &twice}) storage->removeMessageListener(l);
  EXPECT_FALSE(storage->hasListeners());
}

TEST_F(Live, SubRangeOfAStoredMessageLiesInsideItsBytes) {
  Recorder r;
  Ref<IMessageGNSS> kept;
  struct Keep : Tellus::IGnssMessageListener {
    Ref<IMessageGNSS>* out;
    void onMessage(IMessageGNSS* m) override { *out = m; }
  } keep;
  keep.out = &kept;
  storage->addMessageListener(&keep, "ZRX", "RE");
  storage->addMessageListener(&r, "ZRX", "RE");
  feed("\r\nRE005hello");
  finish();
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->rawLength(), 10u);
  EXPECT_LE(kept->subOffset() + kept->subLength(), kept->rawLength());
  ASSERT_EQ(r.raw.size(), 1u);
  EXPECT_EQ(r.raw[0], "RE005hello");  // read by the header's own rule
  storage->removeMessageListener(&keep);
  storage->removeMessageListener(&r);
}

TEST_F(Live, StopWakesAWorkerThatWaitsForBytes) {
  tuning::readWaitMs = 500;  // the receiver model's read wait: 4 waits outlast a 1000 ms stop
  Recorder r;
  storage->addMessageListener(&r, "", "");
  ASSERT_TRUE(da->start());
  feed("RE00");  // a header cut short: the ZRX attempt waits for the rest
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  const std::uint64_t before = C_Analyser::abandonedWorkers();
  da->stop();
  EXPECT_EQ(C_Analyser::abandonedWorkers(), before);  // joined, not left running
  EXPECT_FALSE(da->topAnalyser()->hasThread());
  storage->removeMessageListener(&r);
}

TEST_F(Live, FalseStartDoesNotHoldBackTheReplyBehindIt) {
  Recorder r;
  storage->addMessageListener(&r, "ZRX", "RE");
  da->topAnalyser()->setFalseStartQuietMs(250);
  ASSERT_TRUE(da->start());
  feed("XY3FF" + ptest::zrx("RE", "ok", ptest::Seal::None));  // looks like a 1023-byte frame of an unlisted id
  EXPECT_TRUE(r.waitFor("ZRX:RE"));
  storage->removeMessageListener(&r);
}

}  // namespace
