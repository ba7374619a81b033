// Reading a configuration page from a receiver that pauses: one more try, and when that fails
// too, the values stay and the failure names the parameter whose answer did not come.
#include <gtest/gtest.h>

#include "CPageModel.h"
#include "ICommandSender.h"
#include "SetupPages.h"

namespace {

// Answers every line of a read script with "RE" + its number, or stalls after `answered`
// lines as the link reports it (the script cut short by a line's time-out).
class PausingSender : public ICommandSender {
 public:
  int calls = 0;
  int stallCalls = 0;       // this many calls stall ...
  std::size_t answered = 0;  // ... after this many answers
  bool SendCommand(const std::string& script, unsigned, std::string& reply) override {
    ++calls;
    reply.clear();
    std::size_t line = 0;
    for (std::size_t p = script.find("\nprint,"); p != std::string::npos; p = script.find("\nprint,", p + 1)) {
      if (calls <= stallCalls && line == answered) {
        reply += "ER:Receiver reply timeout!";
        return false;
      }
      const std::string value = "v" + std::to_string(line++);
      char head[8];
      std::snprintf(head, sizeof head, "RE%03zX", value.size());
      reply += head + value + "\n";
    }
    return true;
  }
};

CPageModel generalPage() {
  return SetupPages::all().front();
}

std::size_t firstRead(const CPageModel& page) {
  for (std::size_t i = 0; i < page.size(); ++i)
    if (!page.spec(i).derived) return i;
  return 0;
}

TEST(PageRead, APauseIsBridgedByOneMoreTry) {
  CPageModel page = generalPage();
  PausingSender sender;
  sender.stallCalls = 1;
  sender.answered = 2;
  EXPECT_EQ(page.read(sender), "");
  EXPECT_EQ(sender.calls, 2);
  EXPECT_TRUE(page.loaded());
  EXPECT_TRUE(page.at(firstRead(page)).enabled);
}

TEST(PageRead, AReceiverThatStaysSilentKeepsTheValuesAndNamesTheParameter) {
  CPageModel page = generalPage();
  PausingSender good;
  ASSERT_EQ(page.read(good), "");
  const std::size_t first = firstRead(page);
  const std::string before = page.at(first).value;
  ASSERT_FALSE(before.empty());

  PausingSender silent;
  silent.stallCalls = 2;
  silent.answered = 1;
  const std::string error = page.read(silent);
  EXPECT_EQ(silent.calls, 2);
  // The second parameter read is the one whose answer did not come.
  std::size_t second = first + 1;
  while (page.spec(second).derived) ++second;
  EXPECT_EQ(error, "Receiver don't reply! (" + page.spec(second).path + ")");
  EXPECT_EQ(page.at(first).value, before);
  EXPECT_TRUE(page.at(first).enabled);
}

}  // namespace
