// Connection strings, command seals, reply assembly and message lists.
#include <gtest/gtest.h>

#include "CashReply.h"
#include "ConnectionString.h"
#include "MessageLists.h"
#include "ReceiverModel.h"
#include "ReplyText.h"
#include "decode/engine/C_MessageGNSS.h"
#include "gridlink/Framing.h"

namespace {

using namespace Tellus;

TEST(ConnectionString, SerialTcpUsbAndEmpty) {
  ConnectionParams p;
  ASSERT_TRUE(parseConnectionString("COM3:9600", p));
  EXPECT_EQ(p.type, kPortSerial);
  EXPECT_EQ(p.portName, "COM3");
  EXPECT_EQ(p.baud, 9600u);
  ASSERT_TRUE(parseConnectionString("COM3", p));
  EXPECT_EQ(p.baud, 115200u);
  ASSERT_TRUE(parseConnectionString("TCP:192.168.0.10:8000", p));
  EXPECT_EQ(p.type, kPortTcp);
  EXPECT_EQ(p.address, "192.168.0.10:8000:");
  EXPECT_EQ(p.lastToken, "8000");
  ASSERT_TRUE(parseConnectionString("USB:\\\\?\\usb#vid_4d73&pid_0001#A1", p));
  EXPECT_EQ(p.type, kPortUsb);
  EXPECT_FALSE(parseConnectionString("USB:\\\\?\\usb#vid_1234&pid_0001#A1", p));
  ASSERT_TRUE(parseConnectionString("USB:1-2.4", p));  // the port path gridctl names it by
  EXPECT_EQ(p.portName, "1-2.4");
  EXPECT_FALSE(parseConnectionString("USB:1-", p));
  EXPECT_FALSE(parseConnectionString("USB:1-2..4", p));
  EXPECT_FALSE(parseConnectionString("", p));
  EXPECT_FALSE(parseConnectionString("COM3:fast", p));

  engine::Ref<ReceiverModel> m{ReceiverModel::create()};
  EXPECT_FALSE(m->connect("", nullptr));
  EXPECT_EQ(m->state(), 0);
  std::string reply;
  EXPECT_EQ(m->execute("print,/par/rcvid", reply, 100), kExecNotConnected);
}

TEST(CommandSeal, OwnIdentifierKeptCounterOtherwise) {
  std::string id;
  const std::string own = sealModelCommand("%ABC%print,/par/rcvid", 1, id);
  EXPECT_EQ(id, "ABC");
  EXPECT_EQ(own.substr(0, 22), "%ABC%print,/par/rcvid@");
  const std::string seventh = sealModelCommand("dm", 7, id);
  EXPECT_EQ(id, "7");
  ASSERT_EQ(seventh.size(), std::string("%7%dm@xx\n").size());
  EXPECT_EQ(seventh.substr(0, 6), "%7%dm@");
  const auto cs = Zrx::textChecksum("%7%dm@", 6, false);
  EXPECT_EQ(seventh.substr(6), std::string(cs.data(), 2) + "\n");
  for (char c : seventh.substr(6, 2)) EXPECT_TRUE(std::isdigit(c) || (c >= 'a' && c <= 'f'));
}

TEST(ReplyText, BraceDepthSkipsQuotedBraces) {
  EXPECT_EQ(braceDepth("{a,{b}"), 1);
  EXPECT_EQ(braceDepth("{\"}\"}"), 0);
  EXPECT_EQ(braceDepth("{\"a\\\"}\",{"), 2);  // an escaped quote does not end the string
  ReplyPiece r;
  ASSERT_TRUE(findReply("xxRE00B%PORT TEST%RE003%%5", "PORT TEST", false, r));
  EXPECT_TRUE(r.text.empty());
  EXPECT_FALSE(r.error);
  EXPECT_FALSE(findReply("RE00B%PORT TEST", "PORT TEST", false, r));  // cut short
}

engine::Ref<engine::IMessageGNSS> reply(const std::string& frame) {
  engine::Ref<engine::IMessageGNSS> m(new engine::TUnknown<engine::C_MessageGNSS>());
  m->setRaw(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size());
  return m;
}

std::string frame(const char* id, const std::string& body) {
  char head[6];
  std::snprintf(head, sizeof head, "%s%03zX", id, body.size());
  return head + body;
}

struct Seen : IReplyListener {
  std::vector<std::string> got;
  void onReply(const std::string& id, bool ok, const std::string& text) override {
    got.push_back(id + (ok ? " ok " : " er ") + text);
  }
};

TEST(CashReply, SplitReplyDeliveredOnceWhenItsBraceCloses) {
  CashReply cash;
  Seen seen;
  cash.addReplyListener(&seen);
  cash.onMessage(reply(frame("RE", "%5%{a,\"}\",{b,")).get());
  cash.onMessage(reply(frame("RE", "%9%other")).get());
  EXPECT_EQ(seen.got, std::vector<std::string>{"9 ok other"});
  cash.onMessage(reply(frame("RE", "%5%\r\nc}}")).get());
  ASSERT_EQ(seen.got.size(), 2u);
  EXPECT_EQ(seen.got[1], "5 ok {a,\"}\",{b,c}}");
  std::string text;
  EXPECT_FALSE(cash.waitReply("5", text, 10));  // came before the wait: still found
  EXPECT_EQ(text, "{a,\"}\",{b,c}}");
  EXPECT_THROW(cash.waitReply("5", text, 10), ReplyTimeout);  // taken once
  cash.onMessage(reply(frame("ER", "%6%bad")).get());
  EXPECT_TRUE(cash.waitReply("6", text, 10));
  EXPECT_EQ(text, "bad");
  cash.removeReplyListener(&seen);
}

TEST(MessageLists, SplitWhenTheNextItemWouldNotFit) {
  const std::vector<OutputMessage> items = {{3, "GGA", 1}, {3, "RMC", 0.5}, {1, "PV", 0}, {4, "||", 2}};
  const auto one = buildMessageLists(items, "em,/dev/ser/a,", 1000);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0], "em,/dev/ser/a,{/msg/nmea/GGA:1,/msg/nmea/RMC:0.5,/msg/zrx,/msg/rtcm/EE:2}");
  const auto many = buildMessageLists(items, "em,,", 40);
  ASSERT_EQ(many.size(), 2u);
  for (const auto& c : many) {
    EXPECT_EQ(c.substr(0, 5), "em,,{");
    EXPECT_EQ(c.back(), '}');
    EXPECT_LE(c.size(), 40u);
  }
}

}  // namespace
