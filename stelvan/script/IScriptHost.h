#pragma once
// What a running script shows and how it stays responsive: the replies window, the status line,
// the dispatching of pending window messages. The manual-mode window and the headless runner each
// implement it.
#include <string>

class IScriptHost {
 public:
  virtual ~IScriptHost() = default;
  // One line for the replies window (echoed commands, replies, "@echo" texts, stop texts).
  virtual void appendLine(const std::string& text) = 0;
  virtual void clearReplies() = 0;
  // Results and failures ("Unable to open ...", "Aborted by user!", ...); "" clears.
  virtual void showStatus(const std::string& text) = 0;
  // Progress only: the line being executed, the time left of a sleep.
  virtual void showProgress(const std::string& /*text*/) {}
  // The outermost script starts (true) or ends (false).
  virtual void scriptRunning(bool /*running*/) {}
  // Dispatches pending window messages (a user may press "Stop script" meanwhile).
  virtual void pump() {}
  // Waits one slice of a "@sleep".
  virtual void sleepSlice(unsigned ms);
};
