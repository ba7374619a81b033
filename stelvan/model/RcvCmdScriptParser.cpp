#include "RcvCmdScriptParser.h"

#include <chrono>
#include <fstream>
#include <thread>
#include <vector>

#include "ReceiverModelImpl.h"

namespace Tellus {

namespace {
std::string trim(const std::string& s) {
  const std::size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

// The listener only hears from a run that is not being stopped.
struct Holder : IScriptExecutingListener {
  IScriptExecutingListener* to;
  const THREAD::BasicThread* thread;
  bool live() const { return to && !(thread && thread->isStopRequested()); }
  void onScriptStart(int n) override {
    if (live()) to->onScriptStart(n);
  }
  void onLineStart(int i, bool d, const std::string& t) override {
    if (live()) to->onLineStart(i, d, t);
  }
  void onLineDone(int i, bool d, int r, const std::string& t) override {
    if (live()) to->onLineDone(i, d, r, t);
  }
  void onScriptEnd() override {
    if (live()) to->onScriptEnd();
  }
};
}  // namespace

bool RcvCmdScriptParser::runText(const std::string&, int, IScriptExecutingListener*) {
  return false;
}

bool RcvCmdScriptParser::runFile(const std::string& path, int timeoutMs, IScriptExecutingListener* listener) {
  Stop(1000);
  m_path = path;
  m_timeoutMs = timeoutMs;
  m_listener = listener;
  if (listener) return Start();
  return runScript(nullptr);
}

void RcvCmdScriptParser::Run() {
  runScript(m_listener);
}

bool RcvCmdScriptParser::sleepMs(long ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    if (isStopRequested() && hasThread()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long>(10, ms)));
  }
  return true;
}

bool RcvCmdScriptParser::runScript(IScriptExecutingListener* listener) {
  std::ifstream in(m_path);
  if (!in) return false;
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > 511) line.resize(511);
    if (!trim(line).empty()) lines.push_back(line);
  }
  Holder h;
  h.to = listener;
  h.thread = listener ? this : nullptr;
  h.onScriptStart(static_cast<int>(lines.size()));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (listener && isStopRequested()) break;
    runLine(static_cast<int>(i), trim(lines[i]), &h);
  }
  h.onScriptEnd();
  return true;
}

void RcvCmdScriptParser::runLine(int i, std::string line, IScriptExecutingListener* l) {
  if (line[0] == '@') {
    const std::string directive = line.substr(1);
    l->onLineStart(i, true, directive);
    int result = 0;
    if (directive.rfind("sleep ", 0) == 0) {
      const long ms = std::strtol(directive.c_str() + 6, nullptr, 10);
      result = 4;
      if (ms >= 1 && ms <= 1048575) {
        sleepMs(ms);
        l->onLineDone(i, true, 1, "OK");
        return;
      }
    }
    l->onLineDone(i, true, result, "Wrong script command");
    return;
  }
  std::string rest = line;
  if (rest[0] == '%') {
    const std::size_t close = rest.find('%', 1);
    if (close != std::string::npos) rest = rest.substr(close + 1);
  }
  if (rest.rfind("set", 0) == 0 || rest.rfind("print", 0) == 0) {
    l->onLineStart(i, false, rest);
    std::string reply;
    const int r = m_model.execute(rest, reply, m_timeoutMs);
    if (r == kExecNotConnected) {
      l->onLineDone(i, false, 2, "ERROR: Not connected");
    } else if (r == kExecTimeout) {
      l->onLineDone(i, false, 3, "ERROR: Reply Timeout");
    } else {
      l->onLineDone(i, false, r, reply.empty() ? (r == kExecOk ? "OK" : "FALSE") : reply);
    }
    return;
  }
  l->onLineStart(i, false, line);
  if (m_model.writeRaw(line + "\n")) {
    sleepMs(100);
    l->onLineDone(i, false, 1, "OK");
  } else {
    l->onLineDone(i, false, 0, "ERROR: Can't send data");
  }
}

}  // namespace Tellus
