// The NTRIP pieces that need no network: request texts, answer headers,
// chunked coding, source tables, GGA and RTCM 3 frame counting.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "ChunkedDecoder.h"
#include "GgaSentence.h"
#include "InputMode.h"
#include "NtripRequest.h"
#include "ResponseHeader.h"
#include "Rtcm3Frames.h"
#include "SourceTable.h"
#include "TestPaths.h"
#include "WholeFrames.h"

using namespace Ntrip;

namespace {

ResponseHeader feedAll(const std::string& text, std::size_t& used, std::size_t piece = 1) {
  ResponseHeader h;
  used = 0;
  for (std::size_t at = 0; at < text.size() && h.state() == ResponseHeader::State::NeedMore; at += piece)
    used += h.Feed(text.data() + at, std::min(piece, text.size() - at));
  return h;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace

TEST(NtripRequest, VersionsAndAuthentication) {
  CasterRequest r{"caster.example", 2101, "MNT1", "user", "pass", 1, ""};
  EXPECT_EQ(
      BuildGetRequest(r),
      "GET /MNT1 HTTP/1.0\r\nUser-Agent: NTRIP Stelvan/1.0\r\nAuthorization: Basic dXNlcjpwYXNz\r\n\r\n");
  r.version = 2;
  r.gga = "$GPGGA,1*00";
  const std::string v2 = BuildGetRequest(r);
  EXPECT_EQ(v2.rfind("GET /MNT1 HTTP/1.1\r\nHost: caster.example:2101\r\nNtrip-Version: Ntrip/2.0\r\n", 0),
            0u);
  EXPECT_NE(v2.find("Ntrip-GGA: $GPGGA,1*00\r\n"), std::string::npos);
  r.user.clear();
  r.password.clear();
  EXPECT_EQ(BuildGetRequest(r).find("Authorization"), std::string::npos);
  r.password = "secret";
  r.version = 1;
  EXPECT_EQ(BuildSourceRequest(r), "SOURCE secret /MNT1\r\nSource-Agent: NTRIP Stelvan/1.0\r\n\r\n");
  r.version = 2;
  EXPECT_NE(BuildSourceRequest(r).find("POST /MNT1 HTTP/1.1\r\n"), std::string::npos);
  EXPECT_EQ(ChunkEncode("abc", 3), "3\r\nabc\r\n");
  EXPECT_EQ(ChunkEncode("", 0), "0\r\n\r\n");
}

TEST(ResponseHeader, AnswersOfCasters) {
  struct Case {
    const char* legend;
    std::string text;
    ResponseHeader::State state;
    bool stream, table;
    int status;
    std::size_t headerBytes;
  };
  const std::string icy = "ICY 200 OK\r\n";
  const std::string http =
      "HTTP/1.1 200 OK\r\nNtrip-Version: Ntrip/2.0\r\nTransfer-Encoding: chunked\r\n\r\n";
  const std::string table = "SOURCETABLE 200 OK\r\nContent-Length: 26\r\n\r\n";
  const Case cases[] = {
      {"1.0 stream, data behind the status line", icy + "\xD3\x00", ResponseHeader::State::Complete, true,
       false, 200, icy.size()},
      {"2.0 chunked stream", http + "5\r\n", ResponseHeader::State::Complete, true, false, 200, http.size()},
      {"1.0 source table", table + "STR;A;\r\n", ResponseHeader::State::Complete, false, true, 200,
       table.size()},
      {"2.0 source table", "HTTP/1.1 200 OK\r\nContent-Type: gnss/sourcetable\r\n\r\n",
       ResponseHeader::State::Complete, false, true, 200, 51},
      {"refused login", "HTTP/1.0 401 Unauthorized\r\n\r\n", ResponseHeader::State::Complete, false, false,
       401, 29},
      {"1.0 error line", "ERROR - Bad Password\r\n", ResponseHeader::State::Complete, false, false, 0, 22},
      {"binary instead of a header", std::string("\xD3\x00\x13", 3), ResponseHeader::State::Invalid, false,
       false, 0, 1},
      {"not a status line", "hello there\r\n", ResponseHeader::State::Invalid, false, false, 0, 13},
      {"header line without a name", "HTTP/1.1 200 OK\r\n: x\r\n\r\n", ResponseHeader::State::Invalid, false,
       false, 0, 23},
      {"interrupted", "HTTP/1.1 200 OK\r\nServer: x", ResponseHeader::State::NeedMore, false, false, 200, 26},
  };
  for (const Case& c : cases) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, c.text.size()}) {
      std::size_t used = 0;
      const ResponseHeader h = feedAll(c.text, used, piece);
      SCOPED_TRACE(std::string(c.legend) + ", pieces of " + std::to_string(piece));
      EXPECT_EQ(h.state(), c.state);
      if (c.state == ResponseHeader::State::Invalid) continue;
      EXPECT_EQ(h.isStream(), c.stream);
      EXPECT_EQ(h.isSourceTable(), c.table);
      EXPECT_EQ(h.status(), c.status);
      EXPECT_EQ(used, c.headerBytes);
    }
  }
  std::size_t used = 0;
  EXPECT_TRUE(feedAll(http, used).chunked());
  // A 1.0 caster that sends only its status line and hangs up has answered.
  ResponseHeader hungUp = feedAll("HTTP/1.0 401 Unauthorized\r\n", used);
  hungUp.EndOfInput();
  EXPECT_EQ(hungUp.state(), ResponseHeader::State::Complete);
  EXPECT_EQ(hungUp.status(), 401);
  ResponseHeader nothing;
  nothing.EndOfInput();
  EXPECT_EQ(nothing.state(), ResponseHeader::State::Invalid);
  EXPECT_EQ(feedAll(std::string(ResponseHeader::kMaxHeader + 10, 'a'), used).state(),
            ResponseHeader::State::Invalid);
}

TEST(ChunkedDecoder, Pieces) {
  const std::string coded =
      "4\r\nWiki\r\n6;ext=1\r\npedia \r\nE\r\nin \r\n\r\nchunks.\r\n0\r\nTrailer: x\r\n\r\nGARBAGE";
  for (std::size_t piece : {std::size_t{1}, std::size_t{3}, coded.size()}) {
    ChunkedDecoder d;
    std::string out;
    for (std::size_t at = 0; at < coded.size(); at += piece)
      ASSERT_TRUE(d.Feed(coded.data() + at, std::min(piece, coded.size() - at), out));
    EXPECT_EQ(out, "Wikipedia in \r\n\r\nchunks.");
    EXPECT_TRUE(d.done());
  }
  for (const char* bad : {"x\r\n", "3\r\nabcd\r\n", "FFFFFFFFF\r\n", "3\rX"}) {
    ChunkedDecoder d;
    std::string out;
    EXPECT_FALSE(d.Feed(bad, std::strlen(bad), out)) << bad;
  }
}

TEST(ChunkedDecoder, RecordedNtrip2StreamYieldsWholeFrames) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  const std::string coded = readFile(dir + "/ntrip_chunked.bin");
  // The recording ends in five bytes that are no chunk size line.
  ChunkedDecoder d;
  std::string out;
  EXPECT_TRUE(d.Feed(coded.data(), coded.size() - 5, out)) << d.error();
  EXPECT_FALSE(d.Feed(coded.data() + coded.size() - 5, 5, out));
  std::size_t frames = 0;
  Rtcm3Frames f([&](unsigned, const char*, std::size_t) { ++frames; });
  f.Feed(out.data(), out.size());
  EXPECT_EQ(frames, 109u);  // the capture's notes: 109 whole frames after de-chunking
}

TEST(SourceTable, Records) {
  const std::string text =
      "CAS;caster.example;2101;Example;Op;0;DEU;50.1;8.7;fallback.example;2102;misc\r\n"
      "NET;EXNET;Op;B;N;http://net;http://str;http://reg;none\r\n"
      "STR;NEAR;Zurich;RTCM "
      "3.3;1004(1),1006(10);2;GPS+GLO;EXNET;CHE;47.40;8.55;1;0;sNTRIP;none;B;N;4800;misc\r\n"
      "STR;FAR;Sydney;RTCM 3.3;1077(1);2;GPS;EXNET;AUS;-33.87;151.21;0;0;g;none;N;N;2400;\r\n"
      "STR;NOPOS;;RTCM 3;;;;;;;\r\n"
      "STR;MID;Munich;RTCM 3.3;;2;GPS;EXNET;DEU;48.14;11.58;0;0;g;none;N;Y;2400;\r\n"
      "garbage line\r\n"
      "ENDSOURCETABLE\r\n"
      "STR;AFTER;\r\n";
  const SourceTable t = SourceTable::Parse(text);
  EXPECT_TRUE(t.complete);
  ASSERT_EQ(t.streams.size(), 4u);
  ASSERT_EQ(t.casters.size(), 1u);
  ASSERT_EQ(t.networks.size(), 1u);
  EXPECT_EQ(t.skippedLines, 1u);
  EXPECT_EQ(t.casters[0].port, 2101);
  EXPECT_EQ(t.casters[0].fallbackHost, "fallback.example");
  EXPECT_EQ(t.networks[0].authentication, 'B');
  const StreamRecord& near = t.streams[0];
  EXPECT_EQ(near.format, "RTCM 3.3");
  EXPECT_TRUE(near.needsGga);
  EXPECT_EQ(near.authentication, 'B');
  EXPECT_EQ(near.bitrate, 4800);
  EXPECT_DOUBLE_EQ(near.latitude, 47.40);
  EXPECT_FALSE(t.streams[2].hasPosition);
  EXPECT_TRUE(t.streams[3].fee);
  EXPECT_EQ(t.MountList(), "NEAR, FAR, NOPOS, MID");
  // Seen from Zurich: Zurich, Munich, Sydney, then the one without a position.
  const auto sorted = SortedByDistance(t.streams, 47.3769, 8.5417);
  EXPECT_EQ(sorted[0].mount, "NEAR");
  EXPECT_EQ(sorted[1].mount, "MID");
  EXPECT_EQ(sorted[2].mount, "FAR");
  EXPECT_EQ(sorted[3].mount, "NOPOS");
  EXPECT_NEAR(DistanceKm(47.3769, 8.5417, 48.1372, 11.5755), 242, 3);
}

TEST(GgaSentence, BuildAndReadBack) {
  const GgaPosition p{-33.8688, 151.2093, 58.25};
  const std::string s = BuildGga(p, 1700000000123LL);  // 22:13:20.12 UTC
  EXPECT_EQ(s.rfind("$GPGGA,221320.12,3352.1280000,S,15112.5580000,E,1,12,1.0,58.250,M,", 0), 0u) << s;
  unsigned char cs = 0;
  for (std::size_t i = 1; i < s.find('*'); ++i) cs ^= static_cast<unsigned char>(s[i]);
  char want[3];
  std::snprintf(want, sizeof want, "%02X", cs);
  EXPECT_EQ(s.substr(s.find('*') + 1, 2), want);
  EXPECT_EQ(s.substr(s.size() - 2), "\r\n");
  GgaPosition back;
  ASSERT_TRUE(PositionFromGga(s, back));
  EXPECT_NEAR(back.latitude, p.latitude, 1e-7);
  EXPECT_NEAR(back.longitude, p.longitude, 1e-7);
  EXPECT_NEAR(back.height, p.height, 1e-3);
  EXPECT_FALSE(PositionFromGga("$GPGGA,221320.12,3352.128,S,15112.558,E,0,00,,,M,,M,,*00", back));
  EXPECT_TRUE(ParsePosition("47.5,-8.25,400", back));
  EXPECT_DOUBLE_EQ(back.longitude, -8.25);
  EXPECT_FALSE(ParsePosition("91,0,0", back));
  EXPECT_FALSE(ParsePosition("47.5,8.25", back));
  EXPECT_FALSE(ParsePosition("47.5,8.25,x", back));
}

TEST(Rtcm3Frames, CountsRecordedStreamByType) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  const std::string bytes = readFile(dir + "/pygpsdata-RTCMMSM3.log");
  std::map<unsigned, int> byType;
  Rtcm3Frames f([&](unsigned type, const char*, std::size_t) { ++byType[type]; });
  for (char c : bytes) f.Feed(&c, 1);  // one byte at a time: frames span every piece boundary
  EXPECT_EQ(byType, (std::map<unsigned, int>{{1073, 1}, {1083, 1}, {1093, 1}}));
  std::string broken = bytes;
  broken[10] ^= 0x40;
  byType.clear();
  Rtcm3Frames g([&](unsigned type, const char*, std::size_t) { ++byType[type]; });
  g.Feed(broken.data(), broken.size());
  EXPECT_EQ(byType.count(1073), 0u);
  EXPECT_EQ(byType.size(), 2u);
}

// Corrections for a link that carries commands too: in whatever pieces the caster's stream
// comes, each write ends on a frame boundary and nothing is lost or reordered; bytes that are
// no RTCM 3 are not held back.
TEST(WholeFrames, EveryWriteEndsOnAFrameBoundaryAndNothingIsLost) {
  const std::string dir = TestPaths::capturesDir();
  if (dir.empty()) GTEST_SKIP() << "recorded captures not present";
  const std::string capture = readFile(dir + "/pygpsdata-NTRIP-USCL00CHL0.log");
  std::string bytes;           // the capture's frames back to back
  std::set<std::size_t> ends;  // offsets where a frame ends
  Rtcm3Frames f([&](unsigned, const char* frame, std::size_t n) {
    bytes.append(frame, n);
    ends.insert(bytes.size());
  });
  f.Feed(capture.data(), capture.size());
  ASSERT_GT(ends.size(), 3u);
  for (std::size_t piece : {1u, 7u, 100u, 1000u}) {
    SCOPED_TRACE(piece);
    WholeFrames w;
    std::string sent;
    int writes = 0;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
      std::string out;
      w.Feed(bytes.data() + at, std::min(piece, bytes.size() - at), out);
      if (out.empty()) continue;
      sent += out;
      ++writes;
      EXPECT_TRUE(ends.count(sent.size())) << "a write cut a frame at " << sent.size();
    }
    EXPECT_TRUE(sent == bytes) << sent.size() << " of " << bytes.size();
    EXPECT_EQ(w.held(), 0u);
    EXPECT_GT(writes, 1);
  }
  // Pieces for requests of a bounded size end on frame boundaries too.
  std::string joined;
  for (const std::string& piece : WholeFrames::Pieces(bytes, 300)) {
    joined += piece;
    EXPECT_TRUE(ends.count(joined.size())) << "a piece cut a frame at " << joined.size();
    EXPECT_TRUE(piece.size() <= 300 || ends.count(joined.size() - piece.size()))
        << "only a frame longer than the bound makes a longer piece";
  }
  EXPECT_TRUE(joined == bytes);
  WholeFrames w;
  std::string out;
  w.Feed(bytes.data(), 5, out);
  EXPECT_TRUE(out.empty()) << "the start of a frame waits";
  const std::string text(200, 'x');  // longer than the frame the header announced
  w.Feed(text.data(), text.size(), out);
  EXPECT_EQ(out, bytes.substr(0, 5) + text) << "a frame start that turns out none goes on";
}

// Corrections go into the receiver's own port only when its input mode takes them; an answer
// that names no mode lets them go (an older receiver without the parameter).
TEST(InputMode, RepliesAndVerdicts) {
  EXPECT_EQ(Ntrip::InputModeOf("RE005 omni\n"), "omni");
  EXPECT_EQ(Ntrip::InputModeOf("RE004cmd\r\n"), "cmd");
  EXPECT_EQ(Ntrip::InputModeOf("\"RTCM3\""), "rtcm3");
  EXPECT_EQ(Ntrip::InputModeOf("ER018Unknown parameter"), "");
  EXPECT_EQ(Ntrip::InputModeOf(""), "");
  EXPECT_EQ(Ntrip::InputModeOf("RE00A{cmd,omni}"), "");
  for (const char* takes : {"omni", "rtcm", "rtcm3", ""}) EXPECT_EQ(Ntrip::InputModeRefusal(takes), "") << takes;
  for (const char* refuses : {"cmd", "none", "echo", "cmr"}) {
    const std::string why = Ntrip::InputModeRefusal(refuses);
    EXPECT_NE(why.find(std::string("\"") + refuses + "\""), std::string::npos) << why;
    EXPECT_NE(why.find("set,/par/cur/term/imode,omni"), std::string::npos) << why;
  }
}
