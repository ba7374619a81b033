#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TestParsers.h"
#include "decode/engine/C_Ex_DataCash.h"
#include "decode/engine/C_MessageGNSS.h"
#include "decode/engine/TuningValues.h"

namespace {

using namespace engine;
using ftest::u8;

// Short waits keep the tests quick; restored afterwards (process-wide values).
struct QuickWaits : ::testing::Test {
  void SetUp() override {
    oldWait = tuning::readWaitMs.exchange(5);
    oldRetries = tuning::readRetries.exchange(1);
  }
  void TearDown() override {
    tuning::readWaitMs = oldWait;
    tuning::readRetries = oldRetries;
    tuning::writeChunkSize = 1048576;
  }
  std::uint32_t oldWait = 0, oldRetries = 0;
  Ref<C_Ex_DataCash> cash{new TUnknown<C_Ex_DataCash>()};
  Ref<IMessageGNSS> msg{new TUnknown<C_MessageGNSS>()};
  std::string raw(IMessageGNSS* m) {
    return std::string(reinterpret_cast<const char*>(m->rawData()), m->rawLength());
  }
};

using DataCash = QuickWaits;

TEST_F(DataCash, TakeRewindCommitWithMarkedSubRange) {
  cash->write(u8("abcdef"), 6);
  std::uint8_t b = 0;
  ASSERT_TRUE(cash->peek(b, 1));
  EXPECT_EQ(b, 'a');
  EXPECT_EQ(cash->take(2), 2u);
  ASSERT_TRUE(cash->peek(b, 1));
  EXPECT_EQ(b, 'c');
  cash->rewind();
  EXPECT_EQ(cash->takenCount(), 0u);
  ASSERT_TRUE(cash->readByte(b));
  EXPECT_EQ(b, 'a');
  EXPECT_EQ(cash->take(2), 2u);
  EXPECT_FALSE(cash->markMessage(2, 1));
  EXPECT_TRUE(cash->markMessage(1, 3));
  ASSERT_TRUE(cash->commit(msg.get()));
  EXPECT_EQ(raw(msg.get()), "bc");
  EXPECT_EQ(msg->subOffset(), 0u);  // the raw bytes are the marked range
  EXPECT_EQ(msg->subLength(), 2u);
  EXPECT_EQ(msg->streamPosition(), 1u);
  EXPECT_EQ(cash->pending(), 3u);
  std::vector<std::uint8_t> rest;
  EXPECT_EQ(cash->read(rest, 10), 3u);  // short read: what is there, flagged incomplete
  EXPECT_FALSE(cash->lastReadComplete());
  EXPECT_EQ(std::string(rest.begin(), rest.end()), "def");
  cash->commit(nullptr);
  EXPECT_FALSE(cash->hasData());
  EXPECT_TRUE(cash->lastReadComplete());
}

TEST_F(DataCash, MarkersTravelIntoTheMessageThatHoldsTheirBytes) {
  cash->write(u8("xx"), 2);
  cash->writeMarked(u8("abc"), 3, 7, 42);  // marker at position 2
  cash->writeByteMarked('d', 8, -1);       // negative object: no marker
  cash->writeByteMarked('e', 9, 5);        // marker at position 6
  cash->take(3);
  EXPECT_EQ(cash->lookupMarkers(nullptr), 1u);
  cash->commit(msg.get());
  ASSERT_EQ(msg->markerCount(), 1u);
  EXPECT_EQ(msg->markerAt(0).position, 2u);
  EXPECT_EQ(msg->markerAt(0).tag, 7u);
  EXPECT_EQ(msg->markerAt(0).object, 42);
  // The rest goes the unknown way; the marked byte brings its marker along.
  std::uint8_t b = 0;
  Marker mk;
  ASSERT_TRUE(cash->takeUnknownByte(b, &mk, true));
  EXPECT_EQ(b, 'b');
  EXPECT_LT(mk.object, 0);
  std::vector<std::uint8_t> run;
  std::bitset<256> none;
  EXPECT_EQ(cash->takeUnknownRun(none, run, mk, 100), 2u);  // "cd", stops before the marked 'e'
  EXPECT_LT(mk.object, 0);
  run.clear();
  EXPECT_EQ(cash->takeUnknownRun(none, run, mk, 100), 1u);
  EXPECT_EQ(run[0], 'e');
  EXPECT_EQ(mk.tag, 9u);
  EXPECT_EQ(mk.position, 6u);
}

TEST_F(DataCash, UnknownRunStopsAtAPossibleStart) {
  cash->write(u8("..T.."), 5);
  std::bitset<256> stop;
  stop.set('T');
  std::vector<std::uint8_t> run;
  Marker mk;
  EXPECT_EQ(cash->takeUnknownRun(stop, run, mk, 100), 2u);
  run.clear();
  EXPECT_EQ(cash->takeUnknownRun(stop, run, mk, 100), 3u);  // the first byte is always taken
  EXPECT_FALSE(cash->hasData());
}

TEST_F(DataCash, ReadsAcrossBlocksAndCommitFreesThem) {
  const std::size_t B = C_Ex_DataCash::kBlockSize;
  std::string data(3 * B + 100, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 251);
  tuning::writeChunkSize = 1000;  // many chunked writes
  cash->write(u8(data), data.size());
  EXPECT_EQ(cash->pending(), data.size());
  EXPECT_EQ(cash->blockCount(), 4u);
  cash->take(B - 10);
  std::vector<std::uint8_t> got;
  ASSERT_EQ(cash->read(got, 20), 20u);
  EXPECT_EQ(std::string(got.begin(), got.end()), data.substr(B - 10, 20));
  std::uint8_t b = 0;
  ASSERT_TRUE(cash->peek(b, B + 1));
  EXPECT_EQ(static_cast<char>(b), data[2 * B + 10]);
  cash->commit(msg.get());
  EXPECT_EQ(msg->rawLength(), B + 10);
  EXPECT_EQ(cash->blockCount(), 3u);
  // Keep the newest block only: everything before it is dropped.
  EXPECT_EQ(cash->trim(1), 2 * B - (B + 10) + B);
  EXPECT_EQ(cash->readPosition(), 3 * B);
  ASSERT_TRUE(cash->readByte(b));
  EXPECT_EQ(static_cast<char>(b), data[3 * B]);
}

TEST_F(DataCash, EmptyReadsGiveUpAfterTheirWaits) {
  std::uint8_t b = 0;
  EXPECT_FALSE(cash->peek(b, 1));
  EXPECT_FALSE(cash->lastReadComplete());
  EXPECT_EQ(cash->take(1), 0u);
  EXPECT_FALSE(cash->readByte(b));
  cash->setNoWait(true);
  EXPECT_TRUE(cash->isEndOfInput());
  tuning::readWaitMs = 600000;  // would hang the test if a no-wait read waited
  EXPECT_FALSE(cash->peek(b, 1));
  std::vector<std::uint8_t> v;
  EXPECT_EQ(cash->read(v, 4), 0u);
}

TEST_F(DataCash, AWaitingReadSeesBytesWrittenMeanwhile) {
  tuning::readWaitMs = 2000;
  tuning::readRetries = 3;
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    cash->write(u8("ab"), 2);
  });
  std::uint8_t b = 0;
  const bool got = cash->peek(b, 2);
  writer.join();
  EXPECT_TRUE(got);
  EXPECT_EQ(b, 'b');
}

TEST_F(DataCash, ResetDropsBytesAndMarkers) {
  cash->writeMarked(u8("abc"), 3, 1, 1);
  cash->take(2);
  cash->reset();
  EXPECT_FALSE(cash->hasData());
  EXPECT_EQ(cash->takenCount(), 0u);
  cash->write(u8("z"), 1);
  cash->take(1);
  EXPECT_EQ(cash->lookupMarkers(nullptr), 0u);
  cash->commit(msg.get());
  EXPECT_EQ(raw(msg.get()), "z");
  EXPECT_EQ(msg->streamPosition(), 3u);  // positions keep counting
}

}  // namespace
