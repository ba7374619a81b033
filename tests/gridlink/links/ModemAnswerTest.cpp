// The modem's answer line among echoes, blank lines and chunk boundaries.
#include <gtest/gtest.h>

#include "links/ModemAnswer.h"

TEST(ModemAnswer, TakesTheFirstLineThatIsNeitherBlankNorTheEcho) {
  struct Case {
    const char* legend;
    const char* command;
    std::vector<std::string> chunks;
    bool complete;
    const char* answer;
  };
  const Case cases[] = {
      {"verbose answer", "atv1", {"\r\nOK\r\n"}, true, "OK"},
      {"echo first, in the same chunk", "ate0", {"ate0\r\r\nOK\r\n"}, true, "OK"},
      {"echo in another case", "ATE0", {"ate0\r", "\r\nOK\r\n"}, true, "OK"},
      {"answer split over chunks", "atd123", {"\r\nCONN", "ECT 19", "200\r\n"}, true, "CONNECT 19200"},
      {"echo only", "atd123", {"atd123\r"}, false, ""},
      {"blank lines only", "atv1", {"\r\n\r\n"}, false, ""},
      {"no line end yet", "atv1", {"\r\nOK"}, false, ""},
      {"later bytes ignored", "atv1", {"\r\nOK\r\n", "\r\nERROR\r\n"}, true, "OK"},
  };
  for (const Case& c : cases) {
    ModemAnswer a;
    a.Expect(c.command);
    for (const std::string& chunk : c.chunks) a.Add(chunk.data(), chunk.size());
    EXPECT_EQ(a.Complete(), c.complete) << c.legend;
    EXPECT_EQ(a.Answer(), c.answer) << c.legend;
  }
}

TEST(ModemAnswer, QueryAnswerEndsAtItsResultCode) {
  ModemAnswer a;
  a.ExpectFinal("at+cpin?");
  const std::string first = "at+cpin?\r\r\n+CPIN: SIM PIN\r\n";
  EXPECT_FALSE(a.Add(first.data(), first.size())) << "the information line alone is not the end";
  const std::string rest = "\r\nOK\r\n";
  EXPECT_TRUE(a.Add(rest.data(), rest.size()));
  EXPECT_EQ(a.Answer(), "+CPIN: SIM PIN\nOK");

  a.ExpectFinal("at+cpin?");
  const std::string refused = "\r\n+CME ERROR: 10\r\n";
  EXPECT_TRUE(a.Add(refused.data(), refused.size()));
  EXPECT_EQ(a.Answer(), "+CME ERROR: 10");
  EXPECT_FALSE(ModemAnswer::IsResultCode("+CPIN: READY"));
}
