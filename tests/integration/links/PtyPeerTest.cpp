// The serial link's open against a scripted receiver on a bare pseudo-terminal, for answers the
// simulator does not give: a receiver reached through a non-serial port, a refused speed change.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

#include "gridlink/links/LinkTestOwner.h"
#include "gridlink/platform/PtyPair.h"
#include "links/CSerialConnection.h"

namespace {

std::string frame(const std::string& id, const std::string& body) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03X", static_cast<unsigned>(body.size()));
  return id + digits + body;
}

// Answers every command line with the responder's frame (nothing when it returns "").
class PtyPeer {
 public:
  using Responder = std::function<std::string(const std::string& command)>;
  explicit PtyPeer(Responder r) : responder_(std::move(r)) {
    EXPECT_TRUE(pty_.Open());
    thread_ = std::thread([this] { run(); });
  }
  ~PtyPeer() {
    stop_ = true;
    thread_.join();
  }
  const std::string& path() const { return pty_.SlavePath(); }
  std::vector<std::string> commands() {
    std::lock_guard<std::mutex> g(m_);
    return commands_;
  }

 private:
  void run() {
    std::string pending;
    char buf[512];
    while (!stop_) {
      const int n = pty_.ReadMaster(buf, sizeof buf, 50);
      if (n <= 0) continue;
      pending.append(buf, static_cast<std::size_t>(n));
      for (std::size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
        std::string line = pending.substr(0, eol);
        pending.erase(0, eol + 1);
        while (!line.empty() && line.back() == '\r') line.pop_back();
        const auto at = line.rfind('@');
        if (at != std::string::npos && at + 3 == line.size()) line.resize(at);  // the seal
        if (line.empty()) continue;
        {
          std::lock_guard<std::mutex> g(m_);
          commands_.push_back(line);
        }
        const std::string reply = responder_(line);
        if (!reply.empty()) pty_.WriteMaster(reply.data(), reply.size(), 1000);
      }
    }
  }
  Platform::PtyPair pty_;
  Responder responder_;
  std::atomic<bool> stop_{false};
  std::mutex m_;
  std::vector<std::string> commands_;
  std::thread thread_;
};

std::size_t countPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  std::size_t n = 0;
  for (const auto& l : lines) n += l.rfind(prefix, 0) == 0;
  return n;
}

// A receiver at 115200 whose answers to the terminal and rate questions the case chooses.
struct Answers {
  std::string term;  // body of the reply to "print,/cur/term"
  std::string rate;  // body of the reply to "print,cur/term/rate"
  bool refuseSpeed = false;
};

std::string answer(const Answers& a, const std::string& c) {
  if (c.size() > 1 && c[0] == '%' && c.find("%dm") != std::string::npos)
    return frame("RE", c.substr(0, c.find("dm")));
  if (c == "print,/cur/term") return frame("RE", a.term);
  if (c == "print,cur/term/rate") return frame("RE", a.rate);
  if (c.rfind("%%set,cur/term/rate,", 0) == 0)
    return a.refuseSpeed ? frame("ER", "%%denied") : frame("RE", "%%");
  if (c.rfind("%rts%", 0) == 0) return frame("RE", "%rts%");
  return "";
}

TEST(SerialLinkPeer, OpenDialogueFollowsTheReceiversAnswers) {
  struct Case {
    const char* legend;
    Answers answers;
    std::string status;
    std::size_t rtsCommands, speedCommands;
  };
  const Case cases[] = {
      {"on its serial port a, already at the rate", {"/dev/ser/a", "115200"}, "", 1, 0},
      {"reached through another port: line left alone", {"/dev/usb/a", "9600"}, "", 0, 0},
      {"rate differs: one speed command", {"/dev/ser/b", "57600"}, "", 1, 1},
      {"speed change refused", {"/dev/ser/c", "57600", true}, "Can't change speed", 0, 1},
  };
  for (const auto& c : cases) {
    PtyPeer peer([&](const std::string& cmd) { return answer(c.answers, cmd); });
    LinkTestOwner owner;
    CSerialConnection link(owner, "COM" + peer.path() + ":115200:1");
    EXPECT_EQ(link.StatusText(), c.status) << c.legend;
    const auto commands = peer.commands();
    EXPECT_EQ(countPrefix(commands, "%rts%set,/par/cur/term/rtscts,on"), c.rtsCommands) << c.legend;
    EXPECT_EQ(countPrefix(commands, "%%set,cur/term/rate,115200"), c.speedCommands) << c.legend;
    EXPECT_EQ(countPrefix(commands, "%115200%dm"), 1u) << c.legend;  // found at the first rate
  }
}

TEST(SerialLinkPeer, AReceiverThatNeverAnswersIsNotFound) {
  PtyPeer peer([](const std::string&) { return std::string(); });
  LinkTestOwner owner;
  CSerialConnection link(owner, "COM" + peer.path() + ":115200:0");
  EXPECT_EQ(link.StatusText(), "ER:Can't find receiver");
  // Every rate of the table was tried once, each after the stop text.
  const auto commands = peer.commands();
  EXPECT_EQ(countPrefix(commands, "%"), CSerialConnection::kRateCount);
  EXPECT_EQ(countPrefix(commands, "set,/par/cur/term/rtscts,off"), CSerialConnection::kRateCount);
}

}  // namespace
