// The local server's request dispatch, with a scripted link standing in for the receiver
// (the real links run against the simulator in the integration tests).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>

#include "TempDir.h"
#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"
#include "gridlink/CReceiver.h"
#include "session/AttachCommand.h"
#include "session/ConnectionState.h"
#include "session/DeviceLink.h"
#include "session/LocalServer.h"

namespace {

struct Script {
  std::mutex lock;
  std::vector<std::string> sent;
  std::map<std::string, std::string> answers;  // command -> whole reply
  std::map<std::string, std::string> texts;    // command behind its "%id%" -> reply text
  std::string status;                          // the link's open error
};
Script* g_Script = nullptr;

class ScriptedLink : public LocalSrv::DeviceLink {
 public:
  bool SendCommand(const std::string& cmd, std::string& reply, unsigned timeoutMs) override {
    std::lock_guard l(g_Script->lock);
    g_Script->sent.push_back(cmd);
    if (timeoutMs == 0) return true;
    auto it = g_Script->answers.find(cmd);
    if (it != g_Script->answers.end()) {
      reply = it->second;
    } else {
      // Echo the command's identifier as the receiver does.
      std::string prefix, key = cmd;
      if (!cmd.empty() && cmd[0] == '%' && cmd.find('%', 1) != std::string::npos) {
        prefix = cmd.substr(0, cmd.find('%', 1) + 1);
        key = cmd.substr(prefix.size());
      }
      auto t = g_Script->texts.find(key);
      const std::string body = prefix + (t == g_Script->texts.end() ? "" : t->second);
      char head[8];
      std::snprintf(head, sizeof head, "RE%03X", static_cast<unsigned>(body.size()));
      reply = head + body;
    }
    return reply.rfind("RE", 0) == 0;
  }
  int RunScript(const std::string&, std::string& reply) override {
    reply = "RE000\n";
    return 1;
  }
  std::string StatusText() const override { return g_Script->status; }
  void SetLinkKind(int) override {}
  bool WaitQuiet(unsigned, unsigned) override { return true; }
};

class LocalServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_Script = &script;
    script.answers["%Loop%"] = "RE006%Loop%";
    script.answers["list,/msg/zrx"] = "RE00A{PV,DP,SI}";
    // The other lists answer "RE000": too short, so the built-in lists stand in.
    LocalSrv::DeviceLink::SetFactory([](LocalServer&, const std::string&, int&, std::string&) {
      return std::unique_ptr<LocalSrv::DeviceLink>(std::make_unique<ScriptedLink>());
    });
    ASSERT_EQ(conn.Open("LServer", "tester", "", "unit"), 1) << conn.GetReplyString();
  }
  void TearDown() override {
    conn.Close();
    LocalSrv::DeviceLink::SetFactory(nullptr);
    g_Script = nullptr;
  }
  LocalServer& server() { return *ConnectionAccess::state(conn).local; }
  std::vector<std::string> sent() {
    std::lock_guard l(script.lock);
    return script.sent;
  }

  ScopedConfigHome config;
  Script script;
  CConnection conn;
};

TEST_F(LocalServerTest, RequestNamesAndOrder) {
  struct Case {
    const char* request;
    int result;
    const char* reply;
  } cases[] = {
      {"getrcvlist", 0, "ER:Unknown request type"},
      {"Ping", 0, "ER:Don't support"},
      {"GetUsrList", 0, "ER:Don't support"},
      {"CancelDownload", 0, "ER:Download not active!"},
      {"CancelDownload now", 1, "RE:OK."},
      {"OpenRcv XYZ:1", 0, "ER:Can't find receiver."},
      {"CloseRcv", 0, "RE:OK."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(conn.SendData(c.request, 0), c.result) << c.request;
    EXPECT_EQ(conn.GetReplyString(), c.reply) << c.request;
  }
}

TEST_F(LocalServerTest, OpenRcvNeedsAUserFirst) {
  CConnection fresh;
  ASSERT_EQ(fresh.Open("", "", "", ""), 1);  // "OpenUsr" with no words: no user
  EXPECT_EQ(fresh.SendData("OpenRcv COM/dev/null:115200:1", 0), 0);
  EXPECT_EQ(fresh.GetReplyString(), "ER:User is not opened!");
}

TEST_F(LocalServerTest, OpenBuildsTheMessageTableAndRemembersTheReceiver) {
  ASSERT_EQ(conn.SendData("OpenRcv COM/dev/ttyFAKE0:115200:1", 0), 1) << conn.GetReplyString();
  const LocalSrv::MessageTable& t = server().Table();
  ASSERT_NE(t.Find(0, "DP"), nullptr);
  EXPECT_EQ(t.Find(0, "DP")->serial, 2u);
  // The short NMEA reply gave the built-in list, numbered on from the ZRX and CMR names.
  ASSERT_NE(t.Find(2, "GGA"), nullptr);
  EXPECT_EQ(t.Find(2, "GGA")->serial, 4u + 5u);  // WL, 3 ZRX, 5 built-in CMR
  EXPECT_EQ(std::string(CConnection::getProfile().Read("LServer", "LastCOM", "")),
            "COM/dev/ttyFAKE0:115200:1,");

  // A second open does not replace the link.
  EXPECT_EQ(conn.SendData("OpenRcv COM/dev/ttyFAKE1:115200:1", 0), 1);
  EXPECT_EQ(conn.GetReplyString(), "ER:Connection was not closed correctly!");

  // The last serial receiver is listed once.
  const int n = conn.SendData("GetRcvList", 0);
  const std::string list = conn.GetReplyString();
  EXPECT_EQ(list.find("COM/dev/ttyFAKE0:115200:1,"), list.rfind("COM/dev/ttyFAKE0:115200:1,")) << list;
  EXPECT_GE(n, 1);
}

TEST_F(LocalServerTest, WrongLoopAnswerClosesTheLink) {
  script.answers["%Loop%"] = "RE007%Loop2%";
  EXPECT_EQ(conn.SendData("OpenRcv COM/dev/ttyFAKE0:115200:1", 0), 0);
  EXPECT_EQ(conn.GetReplyString(), "RE007%Loop2%");
  EXPECT_FALSE(server().HasLink());
}

TEST_F(LocalServerTest, FailedLinkOpenGivesItsErrorText) {
  script.status = "ER:Can't find receiver";
  EXPECT_EQ(conn.SendData("OpenRcv COM/dev/ttyFAKE0:115200:1", 0), 0);
  EXPECT_EQ(conn.GetReplyString(), "ER:Can't find receiver");
  EXPECT_FALSE(server().HasLink());
}

TEST_F(LocalServerTest, AttachSendsEmPiecesWithPeriods) {
  ASSERT_EQ(conn.SendData("OpenRcv COM/dev/ttyFAKE0:115200:1", 0), 1);
  const std::size_t before = sent().size();
  EXPECT_EQ(conn.SendData("Attach 0 PV:0.5,XX,DP", 0), 1);
  const auto s = sent();
  ASSERT_EQ(s.size(), before + 1);
  EXPECT_EQ(s.back(), "%em%em,,zrx/PV:{0.50,0,-2},zrx/DP:{1.00,0,-3}");

  EXPECT_EQ(conn.SendData("Attach 0 PV:-3", 0), 1);
  EXPECT_EQ(conn.GetReplyString(), "ER:Unable period - PV:-3");
  EXPECT_EQ(conn.SendData("Attach 0 WL", 0), 1);
  EXPECT_EQ(sent().size(), before + 2);  // "WL" sends nothing

  EXPECT_EQ(conn.SendData("Detach 0", 0), 1);
  EXPECT_EQ(sent().back(), LocalServer::kStopSequence);
}

struct Sink : Platform::IWindowSink {
  std::mutex lock;
  std::vector<Platform::Message> posted;
  bool Post(std::uint32_t msg, std::uintptr_t w, std::intptr_t l) override {
    std::lock_guard g(lock);
    posted.push_back({msg, w, l});
    return true;
  }
};

TEST_F(LocalServerTest, ReceiverOperationsOnAScriptedLink) {
  CReceiver* rcv = TSelfCreator<CReceiver>::Create();
  rcv->AddRef();
  ASSERT_EQ(rcv->Open(&conn, "COM/dev/ttyFAKE0:115200:1", 0), 1) << rcv->GetReplyString();
  EXPECT_EQ(rcv->Open(&conn, "COM/dev/ttyFAKE0:115200:1", 0), 1);  // already open

  // An empty command with an output callback returns at once, sending nothing.
  const std::size_t before = sent().size();
  EXPECT_EQ(rcv->SendCommand("", [](char*, int) {}), 1);
  EXPECT_EQ(sent().size(), before);

  // Window mode: the sink hears WM_USER + 1 with the receiver when the slot is detached.
  Sink sink;
  EXPECT_EQ(rcv->Attach(0, static_cast<Platform::WindowHandle>(nullptr), "PV"), 0);
  EXPECT_EQ(rcv->Attach(1, &sink, "0"), 1) << rcv->GetReplyString();
  EXPECT_EQ(rcv->Attach(1, &sink, "0"), 0);
  EXPECT_EQ(rcv->Detach(1), 1);
  {
    std::lock_guard g(sink.lock);
    ASSERT_EQ(sink.posted.size(), 1u);
    EXPECT_EQ(sink.posted[0].id, Platform::kUserMessage + 1);
    EXPECT_EQ(sink.posted[0].lparam, reinterpret_cast<std::intptr_t>(rcv));
  }
  EXPECT_EQ(rcv->Detach(1), 0);

  // A file already complete on disk is not requested again.
  TempDir dir;
  const std::string local = dir.str() + "/f1";
  std::ofstream(local) << "12345";
  script.texts["print,/log/f1&size"] = "5";
  EXPECT_EQ(rcv->DownloadFile(local.c_str(), " f1 ", 0), 1);
  EXPECT_EQ(rcv->GetReplyString(), "RE:Complete downloading.");
  EXPECT_NE(sent().back().find("print,/log/f1&size"), std::string::npos);
  DOWNLOADINFO info;
  EXPECT_EQ(rcv->GetDownloadStatus(info), 1);

  EXPECT_EQ(rcv->Close(false), 1);
  EXPECT_EQ(sent().back(), LocalServer::kStopSequence);
  EXPECT_FALSE(server().HasLink());
  rcv->Release();
}

TEST(AttachCommandTest, PiecesStayWithinTheLimitAndEndAtABrace) {
  LocalSrv::MessageTable t;
  t.AddList(0, "RE000{" + std::string("AA,AB,AC,AD,AE,AF,AG,AH,AI,AJ,AK,AL,AM,AN,AO,AP") + "}");
  const auto plan = LocalSrv::BuildAttachText(t, "0 AA,AB,AC,AD,AE,AF,AG,AH,AI,AJ,AK,AL,AM,AN,AO,AP");
  const auto pieces = LocalSrv::SplitAttachPieces(plan.text);
  ASSERT_GT(pieces.size(), 1u);
  std::string joined;
  for (const std::string& p : pieces) {
    ASSERT_EQ(p.rfind("%em%em,,", 0), 0u);
    EXPECT_LE(p.size(), 8u + LocalSrv::kAttachPieceText);
    EXPECT_EQ(p.back(), '}');
    joined += p.substr(8) + ",";
  }
  EXPECT_EQ(joined, plan.text);
}

TEST(MessageTableTest, KindsKeepTheirOwnNames) {
  LocalSrv::MessageTable t;
  t.Clear();
  t.AddList(1, "");  // built-in CMR {0,1,2,10,9}
  t.AddList(3, "");  // built-in RTCM, also has "1"
  ASSERT_NE(t.Find(1, "1"), nullptr);
  ASSERT_NE(t.Find(3, "1"), nullptr);
  EXPECT_NE(t.Find(1, "1")->serial, t.Find(3, "1")->serial);
  EXPECT_EQ(t.Find(3, "09")->serial, t.size() - 1);
}

TEST(ReceiverBufferTest, OutOfRangeAccessIsHarmless) {
  CReceiver* r = TSelfCreator<CReceiver>::Create();
  r->AddRef();
  const unsigned char bytes[] = {1, 2, 3};
  r->setMsgBuf(bytes, 3);
  EXPECT_EQ(r->readMsgBuf(3), 0xFF);
  EXPECT_EQ(r->getMsgBuf(3), nullptr);
  r->setMsgBuf(7u, 9);
  EXPECT_EQ(r->getMsgBufSize(), 3);
  unsigned char entry[8] = {3, 0, 0xAA, 0, 'a', 'b', 'c', 0};
  char out[8] = {};
  EXPECT_EQ(r->GetMessageA(entry, out, 2), 2);
  EXPECT_EQ(std::string(out, 2), "ab");
  EXPECT_EQ(r->GetMessageA(entry, out, 8), 0);  // already read
  EXPECT_EQ(r->Attach(0, static_cast<CReceiver::DataCallback>(nullptr), "PV"), 0);
  EXPECT_EQ(r->GetReplyString(), "ERDLL:Can't be run Attach");
  EXPECT_EQ(r->Release(), 0);
}

TEST(ReceiverTransferTest, ReportsRewriteTheMessage) {
  CReceiver* r = TSelfCreator<CReceiver>::Create();
  r->AddRef();
  char msg[64] = "XX what";
  EXPECT_EQ(r->Transfer(msg, 7), 8);  // "Unknown message - XX what" cut to the buffer
  EXPECT_EQ(std::string(msg), "Unknown");
  char tt[32] = "TT:slow";
  r->Transfer(tt, 7);
  DOWNLOADINFO info;
  EXPECT_EQ(r->GetDownloadStatus(info), 3);
  r->Release();
}

}  // namespace
