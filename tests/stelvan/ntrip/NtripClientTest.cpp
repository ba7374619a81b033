// The correction client against real casters on 127.0.0.1: rtklib's str2str,
// and the suite's own caster for what str2str does not do.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "NtripClient.h"
#include "Str2StrCaster.h"
#include "TestCaster.h"
#include "TestPaths.h"

using namespace Ntrip;

namespace {

std::string readCapture(const std::string& name) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) return {};
  std::ifstream in(dir + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

// Gathers what the client passes on.
struct Collector {
  std::mutex lock;
  std::string bytes;
  NtripClient::Sink sink() {
    return [this](const char* b, std::size_t n, std::string&) {
      std::lock_guard l(lock);
      bytes.append(b, n);
      return true;
    };
  }
  std::size_t size() {
    std::lock_guard l(lock);
    return bytes.size();
  }
};

template <typename Pred>
bool waitFor(Pred pred, int ms = 10000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return pred();
}

ClientSettings settingsFor(int port, const std::string& mount, const std::string& user,
                           const std::string& pass, int version) {
  ClientSettings s;
  s.caster = CasterRequest{"127.0.0.1", port, mount, user, pass, version, ""};
  s.backoffFirstMs = 100;
  s.backoffMaxMs = 400;
  s.connectTimeoutMs = 5000;
  return s;
}

bool streaming(const NtripClient& c) {
  return c.Status().state == ClientStatus::State::Streaming;
}

}  // namespace

class Str2StrClient : public ::testing::TestWithParam<int> {};

TEST_P(Str2StrClient, ReceivesRecordedStreamByteForByte) {
  if (!Str2StrCaster::available()) GTEST_SKIP() << "str2str (Debian rtklib) not installed";
  const std::string capture = readCapture("pygpsdata-NTRIP-USCL00CHL0.log");
  if (capture.empty()) GTEST_SKIP() << "recorded captures not present";
  Str2StrCaster caster("rover", "s3cret", "RTCM3");
  ASSERT_TRUE(caster.ready());
  Collector out;
  NtripClient client(settingsFor(caster.port(), "RTCM3", "rover", "s3cret", GetParam()), out.sink());
  client.Start();
  ASSERT_TRUE(waitFor([&] { return streaming(client); })) << client.Status().text;
  ASSERT_TRUE(caster.feed(capture));
  EXPECT_TRUE(waitFor([&] { return out.size() >= capture.size(); }));
  client.Stop();
  EXPECT_EQ(out.bytes, capture);
  const ClientStatus s = client.Status();
  EXPECT_EQ(s.bytes, capture.size());
  EXPECT_EQ(s.messages.at(1005), 1u);
  EXPECT_EQ(s.messages.at(1077), 1u);
  EXPECT_GE(s.ageMs, 0);
}

TEST_P(Str2StrClient, RefusedPasswordAndUnknownMountEndWithTheirTexts) {
  if (!Str2StrCaster::available()) GTEST_SKIP() << "str2str (Debian rtklib) not installed";
  Str2StrCaster caster("rover", "s3cret", "RTCM3");
  ASSERT_TRUE(caster.ready());
  Collector out;
  NtripClient wrongPassword(settingsFor(caster.port(), "RTCM3", "rover", "guess", GetParam()), out.sink());
  wrongPassword.Start();
  ASSERT_TRUE(waitFor([&] { return wrongPassword.ending() != NtripClient::Ending::Running; }));
  EXPECT_EQ(wrongPassword.ending(), NtripClient::Ending::Unauthorized);
  EXPECT_NE(wrongPassword.Status().text.find("refused the user name or password"), std::string::npos);

  NtripClient wrongMount(settingsFor(caster.port(), "RTCM", "rover", "s3cret", GetParam()), out.sink());
  wrongMount.Start();
  ASSERT_TRUE(waitFor([&] { return wrongMount.ending() != NtripClient::Ending::Running; }))
      << wrongMount.Status().text;
  EXPECT_EQ(wrongMount.ending(), NtripClient::Ending::UnknownMount);
  EXPECT_NE(wrongMount.Status().text.find("has no mount point \"RTCM\""), std::string::npos);
  EXPECT_EQ(wrongMount.Status().mountList, "RTCM3");
}

INSTANTIATE_TEST_SUITE_P(Versions, Str2StrClient, ::testing::Values(1, 2));

TEST(NtripClient, Version2ChunkedStreamAndGgaUpload) {
  const std::string capture = readCapture("pygpsdata-NTRIP-USCL00CHL0.log");
  if (capture.empty()) GTEST_SKIP() << "recorded captures not present";
  TestCaster::Options o;
  o.stream = capture;
  o.chunkBytes = 77;
  TestCaster caster(o);
  ASSERT_TRUE(caster.start());
  Collector out;
  ClientSettings s = settingsFor(caster.port(), "MNT", "user", "pass", 2);
  s.ggaIntervalSec = 1;
  s.fixedPosition = GgaPosition{47.3769, 8.5417, 430};
  s.hasFixedPosition = true;
  NtripClient client(s, out.sink());
  client.Start();
  EXPECT_TRUE(waitFor([&] { return out.size() >= capture.size(); }));
  EXPECT_TRUE(waitFor([&] { return caster.ggaLines().size() >= 2; }));
  client.Stop();
  EXPECT_EQ(out.bytes, capture);
  ASSERT_GE(caster.ggaLines().size(), 2u);
  EXPECT_EQ(caster.ggaLines()[0].rfind("$GPGGA,", 0), 0u);
  EXPECT_NE(caster.ggaLines()[0].find(",4722.6140000,N,00832.5020000,E,"), std::string::npos)
      << caster.ggaLines()[0];
  EXPECT_NE(caster.requests().at(0).find("Ntrip-GGA: $GPGGA,"), std::string::npos);
}

TEST(NtripClient, CasterThatClosesAtOnceIsRetriedThenGivenUp) {
  TestCaster::Options o;
  o.mode = TestCaster::Mode::CloseAtOnce;
  TestCaster caster(o);
  ASSERT_TRUE(caster.start());
  Collector out;
  ClientSettings s = settingsFor(caster.port(), "MNT", "user", "pass", 1);
  s.maxAttempts = 3;
  NtripClient client(s, out.sink());
  client.Start();
  ASSERT_TRUE(waitFor([&] { return client.ending() != NtripClient::Ending::Running; }));
  EXPECT_EQ(client.ending(), NtripClient::Ending::GaveUp);
  EXPECT_EQ(caster.connections(), 3);
  EXPECT_NE(client.Status().text.find("closed the connection without answering"), std::string::npos)
      << client.Status().text;
}

TEST(NtripClient, StreamThatStopsIsReconnected) {
  TestCaster::Options o;
  o.mode = TestCaster::Mode::Stall;
  TestCaster caster(o);
  ASSERT_TRUE(caster.start());
  Collector out;
  ClientSettings s = settingsFor(caster.port(), "MNT", "user", "pass", 1);
  s.stallTimeoutMs = 300;
  NtripClient client(s, out.sink());
  client.Start();
  EXPECT_TRUE(waitFor([&] { return caster.connections() >= 2; }));
  EXPECT_GE(client.Status().reconnects, 1);
  client.Stop();
  EXPECT_EQ(client.Status().state, ClientStatus::State::Stopped);
}

TEST(NtripClient, DestinationFailureEndsTheClient) {
  TestCaster::Options o;
  o.stream = std::string(500, 'x');
  TestCaster caster(o);
  ASSERT_TRUE(caster.start());
  NtripClient client(settingsFor(caster.port(), "MNT", "user", "pass", 1),
                     [](const char*, std::size_t, std::string& why) {
                       why = "the port is gone";
                       return false;
                     });
  client.Start();
  ASSERT_TRUE(waitFor([&] { return client.ending() != NtripClient::Ending::Running; }));
  EXPECT_EQ(client.ending(), NtripClient::Ending::Destination);
  EXPECT_NE(client.Status().text.find("the port is gone"), std::string::npos);
}
