// The command language over a pseudo-terminal: identifiers, seals, multi-line
// texts, parameters with their value sets, long replies and restarts.
#include "SimFixture.h"

namespace simtest {
namespace {

class CommandTest : public SimTest {
 protected:
  void SetUp() override { startSim(baseOptions(dir)); }
};

TEST_F(CommandTest, IdentifiersAreEchoedAtTheStartOfTheBody) {
  struct Case {
    const char* command;
    const char* reply;
  } cases[] = {
      {"%Loop%", "RE006%Loop%"},
      {"%5%print,/par/rcvid", "RE00F%5%SIM0A1B2C3D4"},
      {"%%set,/par/pos/elm,7", "RE002%%"},
      {"%/par/pos/elm%print,/par/pos/elm", "RE00F%/par/pos/elm%7"},
      {"print,/cur/term", "RE00A/dev/ser/a"},
      {"%7%bogus,1", "ER018%7%Unknown command bogus"},
  };
  for (const Case& c : cases) EXPECT_EQ(link.exchange(c.command), c.reply) << c.command;
}

TEST_F(CommandTest, SealsAreChecked) {
  // sealCommand adds a right seal; a wrong one is refused; no seal is taken as is.
  EXPECT_EQ(link.exchange("print,/par/rcv/model"), "RE00ANH-RCV-100");
  link.send("print,/par/rcv/model@00\r\n");
  EXPECT_EQ(link.reply().substr(0, 2), "ER");
  link.send("%3%print,/par/rcv/model@FF\r\n");
  EXPECT_EQ(link.reply().substr(0, 8), "ER011%3%");
  link.send("print,/par/rcv/model\r\n");
  EXPECT_EQ(link.reply(), "RE00ANH-RCV-100");
}

TEST_F(CommandTest, StopTextsGetOneReplyPerCommandAndCommentsNone) {
  struct Case {
    const char* text;
    int replies;
  } cases[] = {
      {"\ndm\n||\ndm\n||####\ndm", 3},    {"###\ndm\n", 1},
      {"##\n#OFF#\r\ndm\r\n", 1},         {"# just a comment", 0},
      {"dm||print,/par/rcvid&&%9%dm", 3},
  };
  for (const Case& c : cases) {
    link.sendCommand(c.text);
    link.sendCommand("%end%dm");  // every reply before this one's belongs to the text
    int count = 0;
    Frame f;
    while (link.nextFrame(f, 2000) && f.bytes != "RE005%end%") count += f.id == "RE" ? 1 : 0;
    EXPECT_EQ(f.bytes, "RE005%end%");
    EXPECT_EQ(count, c.replies) << c.text;
  }
}

TEST_F(CommandTest, ParametersAreValidatedAgainstTheirValueSets) {
  struct Case {
    const char* path;
    const char* value;
    bool ok;
  } cases[] = {
      {"/par/pos/elm", "15", true},        {"/par/pos/elm", "abc", false},
      {"/par/pos/elm", "91", false},       {"/par/pos/mode/cur", "pd", true},
      {"/par/pos/mode/cur", "xx", false},  {"/par/raw/msint", "5", false},
      {"/par/raw/msint", "200", true},     {"/par/pwr/mode", "Battery", false},
      {"/par/ant/inp", "EXT", true},       {"/par/rcv/model", "other", false},
      {"/par/no/such/path", "1", false},   {"/par/lock/gps/sat", "{y,n,y}", true},
      {"/par/lock/gps/sat", "y,n", false}, {"/par/net/passwd", "\"secret\"", true},
      {"cur/term/rtscts", "on", true},     {"/par/dev/ser/b/rate", "14400", false},
  };
  for (const Case& c : cases) {
    const std::string r = link.exchange(std::string("set,") + c.path + "," + c.value);
    EXPECT_EQ(r.substr(0, 2), c.ok ? "RE" : "ER") << c.path << " = " << c.value << " -> " << r;
    if (!c.ok) {
      EXPECT_GT(r.size(), 5u) << "an error carries a reason";
    }
  }
  EXPECT_EQ(replyText(link.exchange("print,/par/pos/elm")), "15");
  EXPECT_EQ(replyText(link.exchange("print,/par/ant/inp")), "ext");
  EXPECT_EQ(replyText(link.exchange("print,/par/dev/ser/a/rtscts")), "on");
  EXPECT_EQ(replyText(link.exchange("print,/par/pos/elm&def")), "5");
  EXPECT_EQ(link.exchange("print,/par/no/such").substr(0, 2), "ER");
  // Initialising the parameters brings the defaults back.
  EXPECT_EQ(link.exchange("%%init,/par/"), "RE002%%");
  EXPECT_EQ(replyText(link.exchange("print,/par/pos/elm")), "5");
}

TEST_F(CommandTest, IdentityAndFileSystemFiguresAreThere) {
  writeFile(dir, "a1", std::string(1000, 'x'));
  writeFile(dir, "b2", std::string(2500, 'y'));
  for (const char* path :
       {"/par/rcv/model", "/par/rcvid", "/par/version/main", "/par/rcv/ver/main", "/par/rcv/sn",
        "/par/base/mode", "/par/rover/mode", "/par/dev/thermo/out", "/par/stat/fsinit",
        "/par/modem/c/inf/dev/fccid", "/par/raw/curmsint", "/par/pos/curmsint"})
    EXPECT_EQ(link.exchange(std::string("print,") + path).substr(0, 2), "RE") << path;
  const long size = std::stol(replyText(link.exchange("print,/par/dev/blk/a/size")));
  const long free = std::stol(replyText(link.exchange("print,/par/dev/blk/a/free\n")));
  EXPECT_EQ(size - free, 3500);
  EXPECT_EQ(replyText(link.exchange("print,/par/dev/blk/a/files")), "2");
  EXPECT_EQ(replyText(link.exchange("%WL%print,/log/b2&size")), "2500");
  EXPECT_EQ(link.exchange("%WL%print,/log/b2&size").substr(0, 9), "RE008%WL%");
  const std::string list = replyText(link.exchange("print,/log/&[name,size,time]"));
  EXPECT_EQ(list.substr(0, 9), "{{a1,1000");
  EXPECT_NE(list.find("},{b2,2500,"), std::string::npos) << list;
  unsigned short y, mo, d, h, mi, s, ms;
  EXPECT_EQ(std::sscanf(link.exchange("print,/par/time/utc/").c_str() + 5,
                        "{%4hu-%2hu-%2hu,%2hu:%2hu:%2hu.%3hu}", &y, &mo, &d, &h, &mi, &s, &ms),
            7);
}

TEST_F(CommandTest, MessageListsComeInBraces) {
  for (const char* kind : {"zrx", "nmea", "rtcm", "cmr"}) {
    const std::string t = replyText(link.exchange(std::string("list,/msg/") + kind));
    ASSERT_GE(t.size(), 3u) << kind;
    EXPECT_EQ(t.front(), '{');
    EXPECT_EQ(t.back(), '}');
  }
  std::string zrx = replyText(link.exchange("list,/msg/zrx"));
  zrx = "," + zrx.substr(1, zrx.size() - 2) + ",";
  for (const char* n : {",PG,", ",PO,", ",SI,", ",EL,", ",AZ,", ",RT,", ",EE,"})
    EXPECT_NE(zrx.find(n), std::string::npos) << n;
  EXPECT_NE(replyText(link.exchange("list,/msg/nmea")).find("GGA"), std::string::npos);
  EXPECT_NE(replyText(link.exchange("list,/msg/rtcm")).find("1005"), std::string::npos);
}

TEST_F(CommandTest, ResetRestartsAndAnswersAgain) {
  for (const char* cmd : {"%%set,reset,yes", "%%init,/dev/nvm/a"}) {
    EXPECT_EQ(link.exchange(cmd), "RE002%%") << cmd;
    // Silent while restarting, then answering again (bounded by the restart time).
    EXPECT_EQ(link.exchange("%Loop%", 100), "") << cmd;
    bool back = false;
    for (int i = 0; i < 20 && !back; ++i) back = link.exchange("%Loop%", 200) == "RE006%Loop%";
    EXPECT_TRUE(back) << cmd;
    link.drain(100);
  }
}

TEST_F(CommandTest, FileSystemInitialisationReportsProgress) {
  writeFile(dir, "old", "data");
  EXPECT_EQ(link.exchange("%%init,/dev/blk/a"), "RE002%%");
  int total = 0, done = -1;
  for (int i = 0; i < 40 && done != total; ++i) {
    ASSERT_EQ(std::sscanf(link.exchange("print,stat/fsinit").c_str(), "RE%*[^{]{%d,%d}", &total, &done), 2);
    if (done != total) link.drain(100);
  }
  EXPECT_GT(total, 0);
  EXPECT_EQ(done, total);
  EXPECT_EQ(replyText(link.exchange("print,/par/dev/blk/a/files")), "0");
}

// Long replies: pieces end with "," or "{" and join to what one frame would carry.
class LongReplyTest : public SimTest {};

TEST_F(LongReplyTest, PiecesEndWithCommaOrBraceAndJoin) {
  rcvsim::Options o = baseOptions(dir);
  o.maxReplyBody = 128;
  startSim(o);
  std::vector<std::string> frames;
  const std::string joined = link.exchange("%12%print,/par/pos/", 3000, &frames);
  ASSERT_GT(frames.size(), 3u);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    EXPECT_LE(frames[i].size(), 128u + 5);
    EXPECT_EQ(frames[i].substr(5, 4), "%12%");
    if (i + 1 < frames.size()) {
      EXPECT_TRUE(frames[i].back() == ',' || frames[i].back() == '{') << frames[i];
    }
  }
  // The same reply from a receiver that sends it in one frame.
  TempDir other;
  rcvsim::Options big = baseOptions(other);
  big.maxReplyBody = 4095;
  rcvsim::Simulator one(big);
  std::string error;
  ASSERT_TRUE(one.start(error)) << error;
  Link l2;
  ASSERT_TRUE(l2.openPty(one.ptyPath()));
  std::vector<std::string> single;
  const std::string whole = l2.exchange("%12%print,/par/pos/", 3000, &single);
  EXPECT_EQ(single.size(), 1u);
  EXPECT_EQ(replyText(joined), replyText(whole));
  EXPECT_NE(whole.find("elm=5"), std::string::npos);
}

}  // namespace
}  // namespace simtest
