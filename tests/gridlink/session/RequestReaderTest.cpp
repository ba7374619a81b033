// The server's request reader: the three forms a client sends, each cut into every possible
// pair of reads, and the bad input it must drop without losing the request that follows.
#include <gtest/gtest.h>

#include "session/PacketScrambler.h"
#include "session/RequestPacket.h"
#include "session/RequestReader.h"

using namespace ServerLink;

namespace {

std::string block(const std::string& header, const std::string& data) {
  char length[8];
  std::snprintf(length, sizeof length, "%04x",
                static_cast<unsigned>(4 + 2 + header.size() + 1 + data.size()));
  return std::string(length) + "00" + header + '\0' + data;
}

std::string frame(const std::string& text, std::uint8_t rcvId) {
  const std::string p = buildRequestPacket(text, rcvId);
  const auto f = CryptPacket(reinterpret_cast<const std::uint8_t*>(p.data()), p.size() - 1);
  return std::string(f.begin(), f.end());
}

// What the reader makes of the stream fed in two reads cut at `cut`: one line per item.
std::string readAll(const std::string& stream, std::size_t cut) {
  RequestReader reader;
  std::string out;
  IncomingRequest r;
  for (const std::string& part : {stream.substr(0, cut), stream.substr(cut)}) {
    reader.feed(part.data(), part.size());
    for (RequestScan s; (s = reader.next(r)) != RequestScan::NeedMore;) {
      if (s == RequestScan::Request)
        out += "R" + std::to_string(r.rcvId) + (r.scrambled ? "s " : " ") + r.text + "|";
      if (s == RequestScan::Block)
        out += "B " + r.verb + " " + std::to_string(r.handle) + " " + std::to_string(r.block) + " " +
               std::to_string(r.data.size()) + "|";
      if (s == RequestScan::Dropped) out += "D|";
    }
  }
  return out;
}

struct Case {
  const char* legend;
  std::string stream;
  std::string expected;  // drops ("D|") are left out of the comparison
};

std::string withoutDrops(std::string s) {
  for (std::size_t at; (at = s.find("D|")) != std::string::npos;) s.erase(at, 2);
  return s;
}

TEST(RequestReader, EveryFormAtEveryCut) {
  const std::string data("bin\0ary", 7);
  const Case cases[] = {
      {"plain requests",
       buildRequestPacket("OpenUsr ann pw app", 0) + buildRequestPacket("Command print,/x", 3),
       "R0 OpenUsr ann pw app|R3 Command print,/x|"},
      {"scrambled request", frame("GetMsgList", 0) + buildRequestPacket("Ping", 0),
       "R0s GetMsgList|R0 Ping|"},
      {"upload blocks, one with zero bytes in its data",
       buildRequestPacket("SetMsg 0 bob Subj", 0) + block("SetMsg 1 0", data) + block("SetMsg 1 -2", ""),
       "R0 SetMsg 0 bob Subj|B SetMsg 1 0 7|B SetMsg 1 -2 0|"},
      {"a text message that looks like a block header", buildRequestPacket("SetMsg 1 2", 0),
       "R0 SetMsg 1 2|"},
      {"a block header under another receiver id",
       std::string("001480SetMsg 1 0\0hello", 20) + buildRequestPacket("Ping", 0), "R0 Ping|"},
      {"leading garbage", "\x01zz\xff" + buildRequestPacket("Ping", 0), "R0 Ping|"},
      {"zero byte inside a request's text",
       std::string("000a00GetU\0sList", 17) + buildRequestPacket("Ping", 0), "R0 Ping|"},
      {"absurd length, then a request", std::string("ffff00GetUsrList\0", 17) + buildRequestPacket("Ping", 0),
       "R0 Ping|"},
  };
  for (const Case& c : cases)
    for (std::size_t cut = 0; cut <= c.stream.size(); ++cut)
      EXPECT_EQ(withoutDrops(readAll(c.stream, cut)), c.expected) << c.legend << ", cut at " << cut;
}

TEST(RequestReader, AFrameThatDoesNotRestoreIsDroppedWhole) {
  std::string bad = frame("GetUsrList", 0);
  bad[8] ^= 0x10;
  EXPECT_EQ(readAll(bad + buildRequestPacket("Ping", 0), 0), "D|R0 Ping|");
}

TEST(RequestReader, TheLongestRequestFits) {
  const std::string text = "Command " + std::string(0xFFFF - 8, 'x');
  EXPECT_EQ(readAll(buildRequestPacket(text, 1), 0), "R1 " + text + "|");
}

}  // namespace
