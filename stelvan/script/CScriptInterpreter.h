#pragma once
// The manual-mode script language: plain lines are receiver commands, "@" lines are the
// interpreter's own (echo, labels and goto, call with arguments, default, set, sleep, timeout,
// stoponerrors, stop, exit). Runs on the caller's thread; it keeps a window live through the
// host's pump between lines and during sleeps. One run at a time; abort() may be called from
// inside the host's pump (the "Stop script" button).
#include <atomic>
#include <string>

#include "ICommandSender.h"
#include "IScriptHost.h"
#include "ScriptText.h"

class CScriptInterpreter {
 public:
  static constexpr int kMaxDepth = 200;
  static constexpr unsigned kDefaultTimeoutMs = 5000;
  static constexpr unsigned kSleepSliceMs = 10;
  static constexpr const char* kExtension = ".zrx";

  CScriptInterpreter(ICommandSender& sender, IScriptHost& host) : sender_(sender), host_(host) {}

  // Relative script names are looked up here ("" : the current directory).
  void setScriptDir(std::string dir) { scriptDir_ = std::move(dir); }
  const std::string& scriptDir() const { return scriptDir_; }

  // Runs "FILE ARG..." at the given call depth; the result flag (true: an error under
  // stop-on-errors, a missing script, the depth limit or "@exit" ended it).
  bool run(const std::string& argument, int depth = 0);
  void abort() { abort_ = true; }

 private:
  struct Level {
    ScriptText::Variables vars;
    std::string name, text;
    std::size_t next = 0;  // start of the next line
    bool echo = true, stopOnErrors = true, result = false, stopped = false;
    unsigned timeoutMs = kDefaultTimeoutMs;
    std::string resultText;
  };

  std::string resolve(const std::string& name) const;
  void runLines(Level& level, int depth);
  void execute(Level& level, const std::string& line, int depth);
  void command(Level& level, const std::string& line, int depth);
  void receiverCommand(Level& level, const std::string& line);
  void jump(Level& level, const std::string& label);
  void sleep(Level& level, unsigned ms);

  ICommandSender& sender_;
  IScriptHost& host_;
  std::string scriptDir_;
  std::string lastFailure_;  // the status text the latest level ended with
  std::atomic<bool> abort_{false};
};
