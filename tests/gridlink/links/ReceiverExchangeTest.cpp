// The command/reply exchange against a scripted peer: matching by identifier, joined replies,
// time-outs, raw mode, data frames and wrappers, scripts.
#include <gtest/gtest.h>

#include <atomic>

#include "LinkTestOwner.h"
#include "ScriptedLink.h"
#include "gridlink/Framing.h"

namespace {

// The command text of a sealed line: up to the seal or the line end.
std::string commandOf(const std::string& line) {
  std::string s = line.substr(0, line.find("\r\n"));
  const auto at = s.rfind('@');
  if (at != std::string::npos && at + 3 == s.size()) s.resize(at);
  return s;
}

std::vector<std::string> one(std::string frame) {
  return {std::move(frame)};
}

TEST(ReceiverExchange, RepliesMatchedByIdentifier) {
  struct Case {
    const char* legend;
    std::string command;
    std::vector<std::string> replies;
    std::uint32_t timeout;
    std::string expect;
  };
  const Case cases[] = {
      {"plain reply", "print,/par/rcvid", {zrxFrame("RE", "SIM1")}, 2000, "RE004SIM1"},
      {"own identifier", "%5%print,x", {zrxFrame("RE", "%5%ok")}, 2000, "RE005%5%ok"},
      {"foreign identifier skipped",
       "%5%print,x",
       {zrxFrame("RE", "%6%no"), zrxFrame("RE", "%5%yes")},
       2000,
       "RE006%5%yes"},
      {"only a foreign identifier",
       "%5%print,x",
       {zrxFrame("RE", "%6%no")},
       300,
       "ER:Receiver reply timeout!"},
      {"identified reply is not for a bare command",
       "print,x",
       {zrxFrame("RE", "%7%a"), zrxFrame("RE", "b")},
       2000,
       "RE001b"},
      {"reply without identifier taken by any", "%Loop%", {zrxFrame("RE", "dm")}, 2000, "RE002dm"},
      {"own reply followed at once by another",
       "%5%x",
       {zrxFrame("RE", "%5%a") + zrxFrame("RE", "b")},
       2000,
       "RE004%5%a"},
      {"error reply", "print,/no", {zrxFrame("ER", "Unknown")}, 2000, "ER007Unknown"},
      {"noise before the reply", "print,x", {"\x01\xffzz\r\n" + zrxFrame("RE", "ok")}, 2000, "RE002ok"},
  };
  for (const auto& c : cases) {
    LinkTestOwner owner;
    ScriptedLink link(owner, [&](const std::string&) { return c.replies; });
    std::string reply;
    const bool ok = link.SendCommand(c.command, reply, c.timeout);
    EXPECT_EQ(reply, c.expect) << c.legend;
    EXPECT_EQ(ok, c.expect.rfind("RE", 0) == 0) << c.legend;
  }
}

TEST(ReceiverExchange, JoinedReplyIsDeliveredOnceWithNewLength) {
  LinkTestOwner owner;
  ScriptedLink link(owner, [](const std::string&) {
    return std::vector<std::string>{zrxFrame("RE", "%9%{a,"), zrxFrame("RE", "%9% b,{"),
                                    zrxFrame("RE", "c}}")};
  });
  std::string reply;
  ASSERT_TRUE(link.SendCommand("%9%list,/msg/zrx", reply, 2000));
  // First frame whole, then the later texts (identifier and blanks cut), length recomputed.
  EXPECT_EQ(reply, "RE00c%9%{a,b,{c}}");
}

TEST(ReceiverExchange, LongJoinedReplyCarriesFFFAndIsCapped) {
  LinkTestOwner owner;
  const std::string piece(4000, 'x');
  ScriptedLink link(owner, [&](const std::string& line) {
    std::vector<std::string> out;
    const int pieces = commandOf(line) == "big" ? 30 : 2;
    for (int i = 0; i < pieces; ++i) out.push_back(zrxFrame("RE", piece + ","));
    out.push_back(zrxFrame("RE", "end"));
    return out;
  });
  std::string reply;
  ASSERT_TRUE(link.SendCommand("small", reply, 5000));
  EXPECT_EQ(reply.substr(0, 5), "REFFF");
  EXPECT_EQ(reply.size(), 5 + 2 * 4001 + 3u);
  ASSERT_TRUE(link.SendCommand("big", reply, 5000));
  EXPECT_EQ(reply.substr(0, 5), "REFFF");
  EXPECT_LE(reply.size(), CReceiverConnection::kMaxJoinedReply);
  // The link keeps working after an over-long reply.
  ASSERT_TRUE(link.SendCommand("small", reply, 5000));
  EXPECT_EQ(reply.size(), 5 + 2 * 4001 + 3u);
}

TEST(ReceiverExchange, TimeoutResetsAHalfJoinedReply) {
  LinkTestOwner owner;
  std::atomic<int> calls{0};
  ScriptedLink link(owner, [&](const std::string&) {
    // First command: a piece that announces more and never gets it.
    return calls++ == 0 ? one(zrxFrame("RE", "half,")) : one(zrxFrame("RE", "whole"));
  });
  std::string reply;
  EXPECT_FALSE(link.SendCommand("a", reply, 300));
  EXPECT_EQ(reply, CReceiverConnection::kReplyTimeout);
  EXPECT_EQ(link.LastWaitResult(), 0);
  ASSERT_TRUE(link.SendCommand("b", reply, 2000));
  EXPECT_EQ(reply, "RE005whole");
}

TEST(ReceiverExchange, SendOnlyLeavesReplyUntouched) {
  LinkTestOwner owner;
  ScriptedLink link(owner, [](const std::string&) { return one(zrxFrame("RE", "late")); });
  std::string reply = "before";
  EXPECT_TRUE(link.SendCommand("\ndm\n||\ndm\n||####\ndm", reply, 0));
  EXPECT_EQ(reply, "before");
  ASSERT_EQ(link.written().size(), 1u);
  EXPECT_EQ(link.written()[0], "\ndm\n||\ndm\n||####\ndm\r\n");  // unsealed: it holds line feeds
  // The stale reply of the send-only text must not answer the next command.
  link.WaitQuiet(50, 1000);
  EXPECT_TRUE(link.SendCommand("next", reply, 2000));
  EXPECT_EQ(reply, "RE004late");
}

std::mutex g_rawLock;
std::string g_raw;
void rawSink(char* data, int n) {
  std::lock_guard<std::mutex> g(g_rawLock);
  g_raw.append(data, static_cast<std::size_t>(n));
}
std::string rawSeen() {
  std::lock_guard<std::mutex> g(g_rawLock);
  return g_raw;
}

TEST(ReceiverExchange, RawCallbackTakesBytesUnframed) {
  LinkTestOwner owner;
  owner.setRaw(rawSink);
  {
    std::lock_guard<std::mutex> g(g_rawLock);
    g_raw.clear();
  }
  ScriptedLink link(owner, [](const std::string&) { return one(zrxFrame("RE", "x") + "junk"); });
  std::string reply;
  EXPECT_TRUE(link.SendCommand("print,x", reply, 2000));
  EXPECT_EQ(reply, "RE000");
  link.inject("more");
  for (int i = 0; i < 400 && rawSeen().size() < 14; ++i) link.WaitQuiet(5, 5);
  const std::string raw = rawSeen();
  EXPECT_NE(raw.find("RE001xjunk"), std::string::npos) << raw;
  EXPECT_NE(raw.find("more"), std::string::npos) << raw;
  EXPECT_TRUE(owner.packets().empty());
}

std::string wrapper(std::uint8_t number, const std::string& data, bool upper = false, bool corrupt = false) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03X", static_cast<unsigned>(data.size() + 3));
  std::string f = std::string(">>") + digits + static_cast<char>(number) + data;
  auto cs = Zrx::textChecksum(f.data(), f.size(), upper);
  f.append(cs.data(), 2);
  if (corrupt) f[7] ^= 0x20;
  return f;
}

TEST(ReceiverExchange, DataFramesAndWrappersReachTheOwner) {
  LinkTestOwner owner;
  owner.addMessage(3, 2);  // NMEA entry
  ScriptedLink link(owner, [](const std::string&) { return std::vector<std::string>{}; });
  const std::string pv = zrxFrame("PV", "0123456789");
  const std::string stream = "\r\n" + pv + wrapper(3, "$GPGGA,1") + wrapper(3, "$GPGGA,2", true) +
                             wrapper(3, "$GPGGA,3", false, true) + wrapper(9, "unknown") + ">>002\x03z" +
                             zrxFrame("ER", "") + "~~";
  // Split at every third byte: frames span reads.
  for (std::size_t i = 0; i < stream.size(); i += 3) link.inject(stream.substr(i, 3));
  link.inject(zrxFrame("~~", "t"));
  for (int i = 0; i < 400 && owner.packets().size() < 4; ++i) link.WaitQuiet(5, 5);
  const auto packets = owner.packets();
  ASSERT_EQ(packets.size(), 4u);
  EXPECT_EQ(packets[0].type, kLinkPacketFrame);
  EXPECT_EQ(packets[0].payload, pv);
  EXPECT_EQ(packets[1].type, 0x304u);  // (NMEA + 1) * 256 + number + 1
  EXPECT_EQ(packets[1].payload, "$GPGGA,1");
  EXPECT_EQ(packets[2].payload, "$GPGGA,2");  // uppercase checksum digits pass
  EXPECT_EQ(packets[3].payload.substr(0, 2), "~~");
}

TEST(ReceiverExchange, ScriptStopsOnErrorsOnlyWhenAsked) {
  LinkTestOwner owner;
  ScriptedLink link(owner, [](const std::string& line) {
    const std::string c = commandOf(line);
    return one(c.find("bad") != std::string::npos ? zrxFrame("ER", "no") : zrxFrame("RE", c));
  });
  struct Case {
    const char* script;
    int result;
    std::string report;
  };
  const Case cases[] = {
      {"@scr stoperrors on\nok1\nbad\nok2\n", 0, "RE003ok1\nER002no"},
      {"@scr\nstoperrors on\nok1\nbad\nok2\n", 0, "RE003ok1\nER002no"},
      {"@scr\n# note\n  ok1\r\nbad\n\nok2\n@end\nok3\n", 2, "RE003ok1\nER002no\nRE003ok2\n"},
      {"@scr\nok1\nok2", 1, "RE003ok1\n"},  // text behind the last line feed is no line
  };
  for (const auto& c : cases) {
    std::string report;
    EXPECT_EQ(link.RunScript(c.script, report), c.result) << c.script;
    EXPECT_EQ(report, c.report) << c.script;
  }
}

TEST(ReceiverExchange, ScriptEndsAtATimeout) {
  LinkTestOwner owner;
  ScriptedLink link(owner, [](const std::string& line) {
    return commandOf(line) == "mute" ? std::vector<std::string>{} : one(zrxFrame("RE", "k"));
  });
  std::string report;
  EXPECT_EQ(link.RunScript("@scr\na\nmute\nb\n", report), 0);
  EXPECT_EQ(report, "RE001k\nER:Receiver reply timeout!");
}

}  // namespace

namespace {

TEST(ReceiverExchange, StalledFalseStartIsGivenUpWhenTheLineIsQuiet) {
  LinkTestOwner owner;
  // "x" before the reply reads as the frame "xR" of length 0xE00, which never completes.
  ScriptedLink link(owner, [](const std::string&) { return one("x" + zrxFrame("RE", "ok")); });
  std::atomic<bool> done{false};
  std::thread idle([&] {
    while (!done.load()) {
      link.OnReaderIdle();  // as the reader does after every empty read slice
      link.WaitQuiet(20, 20);
    }
  });
  std::string reply;
  const bool ok = link.SendCommand("print,x", reply, 5000);
  done = true;
  idle.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(reply, "RE002ok");
}

}  // namespace
