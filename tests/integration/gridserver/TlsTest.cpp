// TLS between clients and the server: a self-signed server trusted by its fingerprint on
// first use and remembered, a certificate checked against a given authority, a changed or
// wrong fingerprint refused before any login, plain clients kept out, and openssl s_client
// as an outside peer speaking the packets over the server's TLS.
#include <cstdlib>

#include "Gridctl.h"
#include "ServerFixture.h"
#include "gridlink/CProfile.h"

namespace servertest {
namespace {

class TlsServerTest : public ServerTest {
 protected:
  void SetUp() override {
    ServerTest::SetUp();
    if (HasFatalFailure()) return;
    if (std::system("openssl version >/dev/null 2>&1") != 0) GTEST_SKIP() << "no openssl";
    cert = dir.str() + "/cert.pem";
    key = dir.str() + "/key.pem";
    ASSERT_TRUE(makeCertificate(cert, key));
    restart({"--tls-cert", cert, "--tls-key", key});
    fingerprint = fingerprintOf(cert);
    ASSERT_EQ(fingerprint.size(), 95u) << fingerprint;
  }
  static bool makeCertificate(const std::string& certPath, const std::string& keyPath) {
    const std::string cmd =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost"
        " -addext subjectAltName=IP:127.0.0.1 -keyout " +
        keyPath + " -out " + certPath + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
  }
  static std::string fingerprintOf(const std::string& certPath) {
    TempDir t;
    const std::string out = t.str() + "/fp";
    std::system(("openssl x509 -noout -fingerprint -sha256 -in " + certPath + " >" + out).c_str());
    std::string text = fileBytes(out);  // "sha256 Fingerprint=AB:CD:...\n"
    text = text.substr(text.find('=') + 1);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
  }
  std::string as(const std::string& user, const std::string& password) const {
    return "--server " + server->address() + " --user " + user + " --password " + password + " ";
  }

  std::string cert, key, fingerprint;
};

TEST_F(TlsServerTest, ASelfSignedServerIsTrustedOnceAcceptedAndRemembered) {
  const std::string list = as("alice", "pw-a") + "--tls --list";
  const CtlOutcome declined = runGridctl(list, "no\n");
  EXPECT_EQ(declined.status, 2);
  EXPECT_NE(declined.err.find(fingerprint), std::string::npos) << declined.err;
  EXPECT_EQ(server->log().find("logged in"), std::string::npos) << server->log();

  const CtlOutcome accepted = runGridctl(list, "yes\n");
  EXPECT_EQ(accepted.status, 0) << accepted.err;
  EXPECT_EQ(accepted.out, rcvString() + "\nCOM/dev/null/none:115200:1\n");
  const CtlOutcome again = runGridctl(list);  // remembered: nothing asked
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.err.find("Trust it"), std::string::npos);

  // A plain client gets no service from a TLS port.
  EXPECT_EQ(runGridctl(as("alice", "pw-a") + "--list").status, 2);
}

TEST_F(TlsServerTest, AChangedOrWrongFingerprintIsRefusedBeforeTheLogin) {
  CProfile dialogs("Software\\Norhaven GNSS\\Fieldmesh\\GridnetUI");
  const std::string hostPort = server->address();
  dialogs.Write("TlsKnownHosts", hostPort.c_str(), "00:11:22");
  const CtlOutcome changed = runGridctl(as("alice", "pw-a") + "--tls --list", "yes\n");
  EXPECT_EQ(changed.status, 2);
  EXPECT_EQ(changed.err, "ERDLL:TLS certificate of " + hostPort + " has changed: SHA-256 fingerprint " +
                             fingerprint + " is not the one accepted before; connection refused\n");

  dialogs.Write("TlsKnownHosts", hostPort.c_str(), "");
  const CtlOutcome wrong = runGridctl(as("alice", "pw-a") + "--tls-fingerprint 0011AABB --list");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.err.find("not the one given"), std::string::npos) << wrong.err;
  EXPECT_EQ(server->log().find("logged in"), std::string::npos) << server->log();

  // The right one given in advance (any case, colons or not) is taken and remembered.
  std::string bare;
  for (char c : fingerprint)
    if (c != ':') bare.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  EXPECT_EQ(runGridctl(as("alice", "pw-a") + "--tls-fingerprint " + bare + " --list").status, 0);
  EXPECT_EQ(std::string(dialogs.Read("TlsKnownHosts", hostPort.c_str(), "")), fingerprint);
}

TEST_F(TlsServerTest, ReceiversAndMessagesWorkOverTlsWithAGivenAuthority) {
  CConnection* alice = nullptr;
  {
    conns.push_back(std::make_unique<CConnection>());
    alice = conns.back().get();
    alice->SetTls(true, cert.c_str());
    ASSERT_EQ(alice->Open(server->address().c_str(), "alice", "pw-a", "servertest"), 1)
        << alice->GetReplyString();
    alice->SetTimeout(20);
  }
  Rcv r;
  ASSERT_EQ(r->Open(alice, rcvString().c_str(), 1), 1) << r->GetReplyString();
  ASSERT_EQ(r->SendCommand("print,/par/rcvid"), 1) << r->GetReplyString();
  EXPECT_EQ(r->GetReplyString(), "RE00CSIM0A1B2C3D4");
  std::string body(20000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 31 >> 2);
  const std::string sent = dir.str() + "/sent", got = dir.str() + "/got";
  std::ofstream(sent, std::ios::binary) << body;
  ASSERT_EQ(
      alice->SetMsg(
          "alice", "Self", sent.c_str(), [](std::uint32_t, std::uint32_t, std::uint32_t) { return true; }, 0),
      1)
      << alice->GetReplyString();
  int count = 0;
  REMOTE_MSG* list = alice->GetMsgList(count);
  ASSERT_EQ(count, 1);
  const std::string name = list[0].name;
  delete[] list;
  ASSERT_EQ(alice->GetMsg(name.c_str(), got.c_str()), 1) << alice->GetReplyString();
  EXPECT_TRUE(fileBytes(got) == body);
}

TEST_F(TlsServerTest, OpensslSClientSpeaksThePacketsOverTheServersTls) {
  const std::string login = "OpenUsr alice pw-a s_client";
  char header[8];
  std::snprintf(header, sizeof header, "%04x00", static_cast<unsigned>(login.size()));
  const std::string in = dir.str() + "/packets", out = dir.str() + "/reply";
  std::ofstream(in, std::ios::binary) << header << login << '\0';
  // The pause keeps s_client's side open until the reply is in; the server answers at once.
  const std::string cmd = "{ cat " + in +
                          "; sleep 2; } | timeout 20 openssl s_client -quiet -no_ign_eof -connect " +
                          server->address() + " >" + out + " 2>/dev/null";
  std::system(cmd.c_str());
  EXPECT_NE(fileBytes(out).find("RE:OK."), std::string::npos) << fileBytes(out);
  EXPECT_TRUE(server->waitLog("alice: logged in (s_client)"));
}

}  // namespace
}  // namespace servertest
