#pragma once
// A script host that records what a script shows, and a sender that answers from a table.
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ICommandSender.h"
#include "IScriptHost.h"
#include "TempDir.h"

struct RecordingHost : IScriptHost {
  void appendLine(const std::string& text) override { lines.push_back(text); }
  void clearReplies() override { lines.clear(); }
  void showStatus(const std::string& text) override { statuses.push_back(text); }
  void sleepSlice(unsigned ms) override { slept += ms; }
  void pump() override {
    if (onPump) onPump();
  }
  std::vector<std::string> lines, statuses;
  unsigned slept = 0;
  std::function<void()> onPump;
};

// Replies "RE" + the reply set for a command (or "RE000"); commands listed in `refused` get "ER".
struct TableSender : ICommandSender {
  bool SendCommand(const std::string& command, unsigned timeoutMs, std::string& reply) override {
    sent.push_back(command);
    timeouts.push_back(timeoutMs);
    if (refused.count(command)) {
      reply = "ER:refused " + command;
      return false;
    }
    auto it = replies.find(command);
    reply = it == replies.end() ? "RE000" : it->second;
    return true;
  }
  std::map<std::string, std::string> replies;
  std::map<std::string, bool> refused;
  std::vector<std::string> sent;
  std::vector<unsigned> timeouts;
};

inline void writeFile(const TempDir& dir, const std::string& name, const std::string& text) {
  std::ofstream(dir.path() / name, std::ios::binary) << text;
}
