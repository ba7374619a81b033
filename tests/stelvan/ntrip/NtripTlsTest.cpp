// ntrips:// against a real TLS peer, `openssl s_server` playing the caster: the stream arrives
// byte for byte when the certificate is trusted through a CA file or its fingerprint; a
// certificate that chains to nothing trusted is refused with the reason and exit code 7, before
// any request is sent; and a base's stream goes up to an ntrips:// caster from stelvan-log.
#include <gtest/gtest.h>

#include <thread>

#include "ChildProcess.h"
#include "OpensslServer.h"
#include "TempDir.h"
#include "TestPaths.h"
#include "rcvsim/Simulator.h"

namespace {

template <typename Pred>
bool waitFor(Pred pred, int ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (pred()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return pred();
}

class NtripTls : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OpensslServer::available()) GTEST_SKIP() << "openssl not installed";
    ASSERT_TRUE(OpensslServer::MakeCertificate(dir.str(), "caster"));
    ASSERT_TRUE(OpensslServer::MakeCertificate(dir.str(), "stranger"));
  }
  std::vector<std::string> tool(int port, std::vector<std::string> trust) {
    std::vector<std::string> a = {TestPaths::binDir() + "/stelvan-ntrip",
                                  "--caster",
                                  "ntrips://127.0.0.1:" + std::to_string(port),
                                  "--mount",
                                  "MNT",
                                  "--user",
                                  "u",
                                  "--password",
                                  "p",
                                  "--to",
                                  "-",
                                  "--attempts",
                                  "1"};
    a.insert(a.end(), trust.begin(), trust.end());
    return a;
  }
  TempDir dir;
};

TEST_F(NtripTls, StreamArrivesByteForByteWhenTheCertificateIsTrusted) {
  const std::string dirs = TestPaths::capturesDir();
  if (dirs.empty()) GTEST_SKIP() << "recorded captures not present";
  const std::string bytes = readWhole(dirs + "/pygpsdata-NTRIP-USCL00CHL0.log");
  const std::string fingerprint = OpensslServer::Fingerprint(dir.str(), "caster");
  ASSERT_FALSE(fingerprint.empty());
  struct Case {
    const char* legend;
    std::vector<std::string> trust;
  };
  const Case cases[] = {{"CA file", {"--tls-ca", dir.str() + "/caster.pem"}},
                        {"fingerprint", {"--tls-fingerprint", fingerprint}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    OpensslServer caster(dir.str(), "caster");
    ASSERT_NE(caster.port(), 0);
    const std::string out = dir.str() + "/out." + c.legend, err = dir.str() + "/err." + c.legend;
    ChildProcess run(tool(caster.port(), c.trust), out, err);
    ASSERT_TRUE(
        waitFor([&] { return caster.received().find("GET /MNT HTTP/1.1") != std::string::npos; }, 15000))
        << readWhole(err);
    EXPECT_NE(caster.received().find("Authorization: Basic dTpw"), std::string::npos) << "login inside TLS";
    ASSERT_TRUE(caster.send("ICY 200 OK\r\n" + bytes));  // as 1.0 casters answer
    EXPECT_TRUE(waitFor([&] { return readWhole(out).size() >= bytes.size(); }, 15000)) << readWhole(err);
    EXPECT_TRUE(readWhole(out) == bytes) << "received " << readWhole(out).size() << " of " << bytes.size();
    EXPECT_EQ(run.stop(), 0) << readWhole(err);
  }
}

TEST_F(NtripTls, ACertificateNotTrustedIsRefusedWithTheReasonBeforeAnyRequest) {
  struct Case {
    const char* legend;
    std::vector<std::string> trust;
    const char* why;
  };
  const Case cases[] = {
      {"another CA", {"--tls-ca", dir.str() + "/stranger.pem"}, "is not trusted"},
      {"system roots", {"--tls"}, "is not trusted (self-signed certificate)"},
      {"another fingerprint", {"--tls-fingerprint", "00:11:22"}, "not the one given"},
      {"source table", {"--tls-ca", dir.str() + "/stranger.pem", "--sourcetable"}, "is not trusted"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.legend);
    OpensslServer caster(dir.str(), "caster");
    ASSERT_NE(caster.port(), 0);
    const std::string err = dir.str() + "/err." + c.legend;
    ChildProcess run(tool(caster.port(), c.trust), dir.str() + "/out", err);
    EXPECT_EQ(run.wait(15000), 7) << readWhole(err);
    EXPECT_NE(readWhole(err).find(c.why), std::string::npos) << readWhole(err);
    EXPECT_NE(readWhole(err).find("127.0.0.1:" + std::to_string(caster.port())), std::string::npos);
    EXPECT_EQ(caster.received().find("GET "), std::string::npos) << "nothing sent to an untrusted caster";
  }
}

TEST_F(NtripTls, BaseStreamGoesUpToAnNtripsCaster) {
  ScopedConfigHome config;
  rcvsim::Options so;
  so.pty = true;
  rcvsim::Simulator sim(so);
  std::string error;
  ASSERT_TRUE(sim.start(error)) << error;
  OpensslServer caster(dir.str(), "caster");
  ASSERT_NE(caster.port(), 0);
  ChildProcess logger({TestPaths::binDir() + "/stelvan-log", "--port", sim.ptyPath(), "--rate", "115200",
                       "--dir", dir.str(), "--period", "3600", "--messages", "rtcm3/1005:1,rtcm3/1004:1",
                       "--ntrip-out", "ntrips://:basepw@127.0.0.1:" + std::to_string(caster.port()) + "/BASE",
                       "--ntrip-ca", dir.str() + "/caster.pem", "--ntrip-messages", "rtcm3"},
                      dir.str() + "/log.out", dir.str() + "/log.err");
  ASSERT_TRUE(
      waitFor([&] { return caster.received().find("SOURCE basepw /BASE") != std::string::npos; }, 15000))
      << readWhole(dir.str() + "/log.err");
  ASSERT_TRUE(caster.send("ICY 200 OK\r\n\r\n"));
  // RTCM 3 frames follow the request, inside TLS.
  EXPECT_TRUE(waitFor(
      [&] {
        const std::string got = caster.received();
        return got.find('\xD3', got.find("SOURCE basepw")) != std::string::npos;
      },
      15000))
      << readWhole(dir.str() + "/log.err");
  EXPECT_EQ(logger.stop(), 0);
}

}  // namespace
