// The analyser and the analysis facade over the two test formats: pass,
// promote, unknown data and the nested analyser, flush, stop, tuning.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TestParsers.h"
#include "decode/engine/C_Analyser.h"
#include "decode/engine/C_DA_Tuning.h"
#include "decode/engine/C_Ex_StorageMsgMem.h"
#include "decode/engine/TuningValues.h"

namespace {

using namespace engine;
using ftest::u8;

struct Manager : IAnalysisManager {
  std::atomic<int> levels{0};
  std::atomic<std::uint64_t> consumed{0};
  int levelCount() override { return levels.load(); }
  int takeLevel() override { return levels.fetch_add(1); }
  void addConsumed(std::uint64_t n) override { consumed += n; }
};

struct Analysis : ::testing::Test {
  Manager mgr;
  Ref<C_Ex_StorageMsgMem> storage{new TUnknown<C_Ex_StorageMsgMem>()};
  Ref<C_Analyser> top;
  int oldLimit = 0;

  void SetUp() override {
    oldLimit = tuning::nestingLimit.exchange(5);
    tuning::readWaitMs = 20;
  }
  void TearDown() override {
    if (top) top->stop();
    tuning::nestingLimit = oldLimit;
    tuning::readWaitMs = 50;
    tuning::boundedBuffer = 0;
  }
  void make(bool withU = true) {
    top = new TUnknown<C_Analyser>(&mgr, nullptr, storage.get());
    Ref<IParserData> t(new TUnknown<ftest::TParser>());
    top->addParser(t.get());
    if (withU) {
      Ref<IParserData> u(new TUnknown<ftest::UParser>());
      top->addParser(u.get());
    }
    ASSERT_TRUE(top->start());
  }
  void feed(const std::string& s) { top->write(u8(s), s.size()); }
  void finish() {
    top->flush();
    ASSERT_TRUE(top->waitProcessed());
  }
  std::string seen() {
    std::string out;
    for (std::size_t i = 0; i < storage->messageCount(); ++i) {
      Ref<IMessageGNSS> m = storage->messageAt(i);
      out += m->format() + std::string(reinterpret_cast<const char*>(m->rawData()), m->rawLength()) + " ";
    }
    return out;
  }
};

TEST_F(Analysis, MessagesInStreamOrderAndTheFinderIsTriedFirst) {
  make();
  feed("U123T2abU999\r\nT1z");
  finish();
  EXPECT_EQ(seen(), "UU123 TT2ab UU999 TT1z ");  // CR LF: unknown, no pattern skips it
  EXPECT_EQ(top->pool()->order().front(), 0u);   // T found the last one
  feed("U000");
  ASSERT_TRUE(top->waitProcessed());
  EXPECT_EQ(top->pool()->order().front(), 1u);
}

TEST_F(Analysis, MessageSplitOverTwoWrites) {
  make();
  feed("T5ab");
  ASSERT_TRUE(top->waitProcessed());  // the pass leaves without dropping bytes
  EXPECT_EQ(storage->messageCount(), 0u);
  EXPECT_EQ(top->cash()->pending(), 4u);
  feed("cde");
  finish();
  EXPECT_EQ(seen(), "TT5abcde ");
}

TEST_F(Analysis, UnknownBytesReachTheNestedAnalyser) {
  make();
  // A T message cut by a U message: the top takes the U message and passes
  // the T bytes on; the nested analyser, seeing them joined, finds it.
  feed("T4abU123cd");
  finish();
  EXPECT_EQ(seen(), "UU123 TT4abcd ");
  ASSERT_NE(top->nested(), nullptr);
  EXPECT_EQ(top->nested()->level(), 1);
  EXPECT_EQ(mgr.consumed.load(), 10u);
}

TEST_F(Analysis, TruncatedLastMessageIsNotDeliveredAfterFlush) {
  make();
  feed("U123T9abc");
  finish();
  EXPECT_EQ(seen(), "UU123 ");
  EXPECT_EQ(mgr.consumed.load(), 4u);
}

TEST_F(Analysis, NestingLimitZeroMakesOneIdleLevel) {
  tuning::nestingLimit = 0;
  make();
  feed(std::string(3000, 'x') + "U123" + std::string(10, 'y'));
  finish();
  EXPECT_EQ(seen(), "UU123 ");
  C_Analyser* nested = top->nested();
  ASSERT_NE(nested, nullptr);
  EXPECT_TRUE(nested->isTooDeep());
  EXPECT_FALSE(nested->hasThread());
  EXPECT_EQ(nested->nested(), nullptr);  // a third level is never made
  EXPECT_EQ(mgr.levelCount(), 2);
  EXPECT_EQ(nested->cash()->pending(), 3010u);  // kept, never parsed
}

TEST_F(Analysis, IdleNestedAnalyserKeepsBoundedMemory) {
  tuning::nestingLimit = 0;
  make();
  const std::string junk(1 << 20, 'x');
  for (int i = 0; i < 3; ++i) feed(junk);
  finish();
  EXPECT_LE(top->nested()->cash()->pending(), tuning::kIdleBufferLimit);
  tuning::boundedBuffer = 1;  // the switch trims to its block count
  feed(junk);
  finish();
  EXPECT_LE(top->nested()->cash()->blockCount(), tuning::boundedBlocks.load());
}

TEST_F(Analysis, DisabledParsersAndMarkersOnUnknownBytes) {
  make();
  top->setParserEnabled(1, false);
  feed("U123");
  top->writeMarked(u8("zz"), 2, 3, 9);  // the marker forces the gathered bytes on
  finish();
  EXPECT_EQ(storage->messageCount(), 0u);
  ASSERT_NE(top->nested(), nullptr);
  EXPECT_FALSE(top->nested()->isParserEnabled(1));
}

TEST_F(Analysis, StopEndsABusyWorker) {
  top = new TUnknown<C_Analyser>(&mgr, nullptr, storage.get());
  Ref<IParserData> slow(new TUnknown<ftest::SlowParser>());
  top->addParser(slow.get());
  ASSERT_TRUE(top->start());
  feed(std::string(100000, 'q'));
  for (int i = 0; i < 5000 && top->cash()->pending() == 100000; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const std::uint32_t idle = tuning::idleWaitMs.exchange(5);
  EXPECT_FALSE(top->waitProcessed());  // the idle wait is bounded: a busy worker times it out
  tuning::idleWaitMs = idle;
  const std::uint64_t abandoned = C_Analyser::abandonedWorkers();
  top->stop();  // the worker is inside a slow parse now
  EXPECT_FALSE(top->hasThread());
  EXPECT_EQ(C_Analyser::abandonedWorkers(), abandoned);  // joined, not detached while running
  EXPECT_EQ(top->cash()->pending(), 0u);
  ASSERT_TRUE(top->start());  // and it starts again
  EXPECT_TRUE(top->hasThread());
}

TEST(Tuning, SettersExchangeAndPriorityKindsMapBack) {
  Ref<IDA_Tuning> t(new TUnknown<C_DA_Tuning>(nullptr));
  const int old = t->setPriorityKind(7);
  EXPECT_EQ(t->priorityKind(), 2);
  t->setPriorityKind(0);
  EXPECT_EQ(t->setPriorityKind(old), 0);
  EXPECT_EQ(t->setReadRetries(3), 3u);
  EXPECT_FALSE(t->switchOn(2));
  t->setSwitch(2, 1);
  EXPECT_TRUE(t->switchOn(2));
  EXPECT_EQ(t->setSwitch(2, 0), 1);
  EXPECT_FALSE(t->switchOn(9));
}

}  // namespace
