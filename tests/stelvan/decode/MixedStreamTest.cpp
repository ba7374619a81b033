// Whole analyses through C_DataAnalyser with the five real parsers, as the
// receiver model and stelvan-decode set them up (accept-unknown on).
#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "decode/engine/C_DataAnalyser.h"
#include "decode/engine/C_Ex_StorageMsgMem.h"
#include "decode/engine/TuningValues.h"
#include "stelvan/parsers/FrameBuilders.h"

namespace {

using namespace engine;
using ptest::Seal;

struct Whole : ::testing::Test {
  Ref<C_Ex_StorageMsgMem> storage{new TUnknown<C_Ex_StorageMsgMem>()};
  Ref<C_DataAnalyser> da{new TUnknown<C_DataAnalyser>()};
  void SetUp() override {
    ASSERT_TRUE(da->init(storage.get(), nullptr));
    IParserManager* pm = da->getParserManager();
    ASSERT_EQ(pm->parserCount(), 5u);
    for (std::size_t i = 0; i < pm->parserCount(); ++i) pm->setAcceptUnknown(i, true);
  }
  void TearDown() override { da->stop(); }
  void feed(const std::string& s) { da->write(reinterpret_cast<const std::uint8_t*>(s.data()), s.size()); }
  void finish() {
    da->flush();
    ASSERT_TRUE(da->waitProcessed());
  }
  // "FORMAT:ID" of every stored message, in order (NMEA: talker + type).
  std::vector<std::string> seen() {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < storage->messageCount(); ++i) {
      Ref<IMessageGNSS> m = storage->messageAt(i);
      out.push_back(m->format() + ":" + (m->format() == "NMEA" ? m->description() : "") + m->identifier());
    }
    return out;
  }
  std::uint64_t unknown() { return da->bytesWritten() - da->bytesConsumed(); }
};

TEST_F(Whole, RegistrationOrderAndNames) {
  IParserManager* pm = da->getParserManager();
  const char* names[] = {"ZRX", "NMEA", "RTCM", "RTCM_3", "CMR"};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_EQ(pm->parserName(i), names[i]);
  EXPECT_EQ(da->getTuning()->nestingLimit(), 5);
}

TEST_F(Whole, ZrxInterleavedWithNmeaInStreamOrder) {
  const std::string gga = ptest::nmea("GPGGA,1,2,3"), rmc = ptest::nmea("GNRMC,4,5");
  const std::string pm = ptest::zrx("PM", "abc", Seal::HexText), re = ptest::zrx("RE", "%x%ok", Seal::None);
  feed(pm + gga + "\r\n" + re + "\r\n" + rmc + "\r\n" + pm);
  finish();
  EXPECT_EQ(seen(), (std::vector<std::string>{"ZRX:PM", "NMEA:GPGGA", "ZRX:RE", "NMEA:GNRMC", "ZRX:PM"}));
  EXPECT_EQ(unknown(), 0u);  // every CR LF goes with the message after it
}

TEST_F(Whole, Rtcm3AmongGarbage) {
  std::mt19937 rng(5);
  std::string s;
  std::size_t frames = 0;
  for (int i = 0; i < 40; ++i) {
    std::string junk(rng() % 300, '\0');
    for (char& c : junk) c = static_cast<char>(rng() % 0xD3);  // no preamble byte in the junk
    s += junk + ptest::rtcm3(1004 + static_cast<unsigned>(i % 3), 20 + i);
    ++frames;
  }
  feed(s);
  finish();
  std::size_t rtcm3 = 0;
  for (const auto& k : seen()) rtcm3 += k.rfind("RTCM_3:", 0) == 0;
  EXPECT_EQ(rtcm3, frames);
  EXPECT_EQ(storage->countOf("RTCM_3", "1005"), 13u);
}

TEST_F(Whole, AllFiveFormatsMixed) {
  const std::string s = ptest::zrx("PM", "abc", Seal::HexText) + ptest::nmea("GPGSA,x") + "\r\n" +
                        ptest::rtcm3(1077, 30) + ptest::cmr(0x93, ptest::cmrData(3)) +
                        ptest::rtcm2(18, 5, {0x123456, 0x654321}) + ptest::cmr(0x94, "\x01\x02\x03");
  feed(s);
  finish();
  EXPECT_EQ(seen(), (std::vector<std::string>{"ZRX:PM", "NMEA:GPGSA", "RTCM_3:1077", "CMR:GO", "RTCM:18",
                                              "CMR:SSI"}));
  EXPECT_EQ(unknown(), 0u);
}

TEST_F(Whole, MessageSplitOverTwoWritesAtEveryCut) {
  const std::string frame = ptest::rtcm3(1230, 40);
  for (std::size_t cut = 1; cut < frame.size(); cut += 7) {
    storage->clear();
    feed(frame.substr(0, cut));
    ASSERT_TRUE(da->waitProcessed());
    EXPECT_EQ(storage->messageCount(), 0u) << cut;
    feed(frame.substr(cut));
    ASSERT_TRUE(da->waitProcessed());
    EXPECT_EQ(seen(), std::vector<std::string>{"RTCM_3:1230"}) << cut;
  }
}

TEST_F(Whole, TruncationAtFlushDeliversNothingPartial) {
  const std::string gga = ptest::nmea("GPGGA,1,2,3");
  const std::string frame = ptest::rtcm3(1004, 50);
  feed(gga + "\r\n" + frame.substr(0, 30));
  finish();
  EXPECT_EQ(seen(), std::vector<std::string>{"NMEA:GPGGA"});
  EXPECT_EQ(unknown(), 32u);
  // After the flush the next write lifts the end of input again.
  feed(frame);
  finish();
  EXPECT_EQ(storage->countOf("RTCM_3", "1004"), 1u);
}

// Long runs of line ends (a port echoing blank lines): one before a message goes with it, one
// before bytes no parser takes and one that ends the input are unknown, whole, in any pieces.
TEST_F(Whole, LongLineEndRunsGoWithTheNextMessageOrAreUnknownWhole) {
  std::string lines;
  for (int i = 0; i < 100000; ++i) lines += "\r\n";
  const std::string gga = ptest::nmea("GPGGA,1,2,3"), rmc = ptest::nmea("GNRMC,4,5");
  const std::string stream = gga + lines + "xyz" + lines + rmc + lines + "\n\r\n";
  for (std::size_t at = 0; at < stream.size(); at += 65521) feed(stream.substr(at, 65521));
  finish();
  EXPECT_EQ(seen(), (std::vector<std::string>{"NMEA:GPGGA", "NMEA:GNRMC"}));
  EXPECT_EQ(unknown(), 2 * lines.size() + 3 + 3);
  // A format that takes no line ends before its messages starts right after the run that the
  // others refused.
  IParserManager* pm = da->getParserManager();
  ASSERT_EQ(pm->parserName(1), "NMEA");
  pm->parserAt(1)->setPatternCount(true, 0);
  const std::uint64_t before = unknown();
  feed(lines + gga + "x");
  finish();
  EXPECT_EQ(seen().back(), "NMEA:GPGGA");
  EXPECT_EQ(unknown() - before, lines.size() + 1);
}

TEST_F(Whole, StopThenStartDecodesAgain) {
  feed(ptest::nmea("GPGGA,1"));
  da->stop();
  ASSERT_TRUE(da->start());
  feed(ptest::nmea("GPZDA,2") + "\r\n");
  finish();
  EXPECT_EQ(storage->countOf("NMEA", "ZDA"), 1u);
}

TEST_F(Whole, MarkersArriveWithTheirMessage) {
  const std::string a = ptest::nmea("GPGGA,1") + "\r\n", b = ptest::rtcm3(1005, 19);
  feed(a);
  da->writeMarked(reinterpret_cast<const std::uint8_t*>(b.data()), b.size(), 77, 3);
  finish();
  ASSERT_EQ(seen(), (std::vector<std::string>{"NMEA:GPGGA", "RTCM_3:1005"}));
  EXPECT_EQ(storage->messageAt(0)->markerCount(), 0u);
  ASSERT_EQ(storage->messageAt(1)->markerCount(), 1u);
  const Marker m = storage->messageAt(1)->markerAt(0);
  EXPECT_EQ(m.tag, 77u);
  EXPECT_EQ(m.object, 3);
  EXPECT_EQ(m.position, a.size());
  EXPECT_EQ(storage->messageAt(1)->streamPosition(), a.size());
}

TEST_F(Whole, WritersAndConfigurationFromOtherThreads) {
  const std::string sentence = ptest::nmea("GPGGA,1,2,3") + "\r\n";
  std::atomic<bool> done{false};
  auto writer = [&] {
    for (int i = 0; i < 300; ++i) feed(sentence);
  };
  std::thread a(writer), b(writer);
  std::thread conf([&] {
    IParserManager* pm = da->getParserManager();
    for (int i = 0; !done.load(); ++i) {
      pm->setAcceptUnknown(3, i % 2 == 0);  // RTCM_3: no effect on these sentences
      pm->configureParser(4, nullptr);
      da->getTuning()->setPriorityKind(i % 4);
      std::this_thread::yield();
    }
  });
  a.join();
  b.join();
  finish();
  done = true;
  conf.join();
  EXPECT_EQ(storage->countOf("NMEA", "GGA"), 600u);
}

TEST_F(Whole, StopWhileWritersWrite) {
  std::atomic<bool> done{false};
  std::thread w([&] {
    const std::string frame = ptest::rtcm3(1004, 100);
    while (!done.load()) feed(frame);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  da->stop();
  ASSERT_TRUE(da->start());
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  done = true;
  w.join();
  finish();
  EXPECT_GT(storage->countOf("RTCM_3", "1004"), 0u);
}

}  // namespace
