// The network link against the simulator's network port (login, Wi-Fi, a receiver that goes
// away) and against bare peers that hang up, reset, keep silent or stop reading.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "SerialLinkFixture.h"
#include "TcpPeer.h"
#include "links/CTCPConnection.h"

namespace linktest {
namespace {

class TcpLinkTest : public SerialLinkTest {
 protected:
  rcvsim::Options tcpOptions(const std::string& password) {
    rcvsim::Options o = options();
    o.pty = false;
    o.tcp = "127.0.0.1:0";
    o.password = password;
    return o;
  }
  void openTcp(const std::string& kind, const std::string& password) {
    openAt(kind + ":127.0.0.1:" + std::to_string(sim->tcpPort()) + ":" + password);
  }
  void openAt(const std::string& receiverString) {
    tcp = std::make_unique<CTCPConnection>(owner, receiverString);
  }
  // Everything the simulator received, in the trace's escaped form.
  std::string received() {
    std::string all, line;
    std::istringstream in(trace());
    while (std::getline(in, line)) {
      const auto mark = line.find(" > ");
      if (mark != std::string::npos) all += line.substr(mark + 3);
    }
    return all;
  }
  void TearDown() override {
    tcp.reset();
    SerialLinkTest::TearDown();
  }
  std::unique_ptr<CTCPConnection> tcp;
};

TEST_F(TcpLinkTest, LoginAnswersThePromptWithALineFeedThenThePassword) {
  startSim(tcpOptions("s3cret"));
  openTcp("TCP", "s3cret");
  ASSERT_EQ(tcp->StatusText(), "");
  std::string reply;
  EXPECT_TRUE(tcp->SendCommand("%1%print,/par/rcvid", reply, 5000)) << reply;
  EXPECT_EQ(reply, "RE00F%1%SIM0A1B2C3D4");
  EXPECT_EQ(received().rfind("\\ns3cret\\n%1%print,/par/rcvid", 0), 0u) << received();
}

TEST_F(TcpLinkTest, WrongPasswordIsRefusedAndNoCommandIsSent) {
  startSim(tcpOptions("s3cret"));
  openTcp("TCP", "guess");
  EXPECT_EQ(tcp->StatusText(), "ER:\r\nER:Login incorrect\r\n");
  EXPECT_EQ(received(), "\\nguess\\n");
}

TEST_F(TcpLinkTest, PromptInTwoPiecesIsAcceptedButNotInThree) {
  rcvsim::Options o = tcpOptions("");
  o.loginPieces = 2;
  startSim(o);
  openTcp("TCP", "any");
  EXPECT_EQ(tcp->StatusText(), "");
  tcp.reset();
  sim->stop();
  // Three pieces, far enough apart that no read takes two: the second read still lacks the
  // prompt, whose received text from its sixth character is the error.
  o.loginPieces = 3;
  o.loginGapMs = 600;
  startSim(o);
  openTcp("TCP", "any");
  EXPECT_EQ(tcp->StatusText(), "ER:i");
}

TEST_F(TcpLinkTest, WifiSendsNoLoginAndDefaultsThePort) {
  rcvsim::Options o = tcpOptions("s3cret");
  o.wifi = true;
  startSim(o);
  openTcp("WIFI", "s3cret");
  ASSERT_EQ(tcp->StatusText(), "");
  std::string reply;
  EXPECT_TRUE(tcp->SendCommand("print,/par/rcvid", reply, 5000)) << reply;
  EXPECT_EQ(received().find("s3cret"), std::string::npos) << received();
  EXPECT_EQ(received().rfind("print,/par/rcvid", 0), 0u) << received();

  CTCPConnection bare(owner, "WIFI:127.0.0.1");
  EXPECT_EQ(bare.Port(), CTCPConnection::kDefaultPort);
}

TEST_F(TcpLinkTest, ReceiverClosingMidCommandFailsItAtOnce) {
  startSim(tcpOptions(""));
  openTcp("TCP", "x");
  ASSERT_EQ(tcp->StatusText(), "");
  sim->faults().noReplies = true;
  std::thread closer([&] {
    // Once the command has reached the receiver, the receiver goes away.
    eventually([&] { return received().find("print,/par/rcvid") != std::string::npos; });
    sim->stop();
  });
  std::string reply;
  EXPECT_FALSE(tcp->SendCommand("print,/par/rcvid", reply, 60000));
  closer.join();
  EXPECT_EQ(reply, "ER:Receiver link lost: TCP the receiver closed the connection");
  EXPECT_TRUE(tcp->LinkLost());
  EXPECT_EQ(tcp->Write("x", 1), 0);
}

// A peer that accepts and then does `what` instead of prompting.
void expectNoReply(TcpPeer::Serve what) {
  LinkTestOwner owner;
  TcpPeer peer(std::move(what));
  CTCPConnection link(owner, "TCP:127.0.0.1:" + std::to_string(peer.port()) + ":pw");
  EXPECT_EQ(link.StatusText(), "ER:Receiver don't reply!");
}

TEST(TcpLogin, PeerThatClosesResetsOrKeepsSilentGivesNoReply) {
  expectNoReply([](int, const std::atomic<bool>&) {});  // hangs up at once
  expectNoReply([](int fd, const std::atomic<bool>&) {
    linger reset{1, 0};  // closing with a zero linger resets the connection
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  });
  expectNoReply([](int fd, const std::atomic<bool>& stop) {
    ::write(fd, "\r\nlogin:", 8);
    TcpPeer::readUntil(fd, "\n", stop);  // then hangs up instead of asking the password
  });
  {
    LinkTestOwner owner;
    TcpPeer nobody;  // the connection is made, but nothing ever answers
    CTCPConnection link(owner, "TCP:127.0.0.1:" + std::to_string(nobody.port()) + ":pw");
    EXPECT_EQ(link.StatusText(), "ER:Receiver don't reply!");
  }
}

// A port nobody listens on: one that was free a moment ago.
int closedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

TEST(TcpLink, RefusedPortAndUnknownHostSayWhatHappened) {
  LinkTestOwner owner;
  const std::string port = std::to_string(closedPort());
  CTCPConnection refused(owner, "TCP:127.0.0.1:" + port + ":pw");
  EXPECT_EQ(refused.StatusText(), "ER:Connection refused by 127.0.0.1:" + port);
  CTCPConnection wifi(owner, "WIFI:localhost:" + port + ":");
  EXPECT_EQ(wifi.StatusText(), "ER:Connection refused by localhost:" + port);
  // ".invalid" never resolves (a reserved name), so no name server is asked in vain.
  CTCPConnection unknown(owner, "TCP:no-such-receiver.invalid:8000:pw");
  EXPECT_EQ(unknown.StatusText().rfind("ER:Can't find host no-such-receiver.invalid (", 0), 0u)
      << unknown.StatusText();
}

TEST(TcpLink, HostNameIsResolvedAtOpen) {
  TcpPeer peer([](int fd, const std::atomic<bool>& stop) {
    ::write(fd, "\r\nlogin:", 8);
    TcpPeer::readUntil(fd, "\n", stop);
    ::write(fd, "\r\npassword:", 11);
    TcpPeer::readUntil(fd, "\n", stop);
    ::write(fd, "\r\nRE:ok\r\n", 9);
    while (!stop) ::poll(nullptr, 0, 50);
  });
  LinkTestOwner owner;
  CTCPConnection link(owner, "TCP:localhost:" + std::to_string(peer.port()) + ":pw");
  EXPECT_EQ(link.StatusText(), "");
}

TEST(TcpLink, ReceiverThatStopsReadingEndsTheLinkInsteadOfBlockingTheWriter) {
  TcpPeer peer(
      [](int fd, const std::atomic<bool>& stop) {
        ::write(fd, "\r\nlogin:", 8);
        TcpPeer::readUntil(fd, "\n", stop);
        ::write(fd, "\r\npassword:", 11);
        TcpPeer::readUntil(fd, "\n", stop);
        ::write(fd, "\r\nRE:ok\r\n", 9);
        while (!stop) ::poll(nullptr, 0, 50);  // and never reads again
      },
      4096);
  LinkTestOwner owner;
  CTCPConnection link(owner, "TCP:127.0.0.1:" + std::to_string(peer.port()) + ":pw");
  ASSERT_EQ(link.StatusText(), "");
  const std::string command = "set,/par/x," + std::string(1900, 'a');
  std::string reply;
  int sent = 0;
  while (sent < 10000 && link.SendCommand(command, reply, 0)) ++sent;
  EXPECT_LT(sent, 10000);
  EXPECT_TRUE(link.LinkLost());
  EXPECT_EQ(link.StatusText(), "Receiver link lost: TCP the receiver takes no data");
  EXPECT_FALSE(link.SendCommand("print,/par/rcvid", reply, 60000));
  EXPECT_EQ(reply, "ER:Receiver link lost: TCP the receiver takes no data");
}

}  // namespace
}  // namespace linktest
