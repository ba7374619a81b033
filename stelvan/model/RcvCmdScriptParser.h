#pragma once
// Runs a command script file line by line against the receiver model and
// reports each line. With a listener the run happens on this object's
// thread and the listener is called there (until stop); without one the
// run happens on the caller's thread. The listener is not owned and must
// outlive the run (stop() ends it, 1000 ms allowance).
#include <atomic>
#include <string>

#include "thread/BasicThread.h"

namespace Tellus {

class ReceiverModelImpl;

class IScriptExecutingListener {
 public:
  virtual void onScriptStart(int lineCount) = 0;
  virtual void onLineStart(int index, bool isDirective, const std::string& text) = 0;
  virtual void onLineDone(int index, bool isDirective, int result, const std::string& text) = 0;
  virtual void onScriptEnd() = 0;

 protected:
  virtual ~IScriptExecutingListener() = default;
};

class RcvCmdScriptParser : public THREAD::BasicThread {
 public:
  explicit RcvCmdScriptParser(ReceiverModelImpl& model) : m_model(model) {}
  ~RcvCmdScriptParser() override { Stop(1000); }

  // Text scripts are not run: false.
  bool runText(const std::string& text, int timeoutMs, IScriptExecutingListener* listener);
  bool runFile(const std::string& path, int timeoutMs, IScriptExecutingListener* listener);
  void stop() { Stop(1000); }

 protected:
  void Run() override;

 private:
  bool runScript(IScriptExecutingListener* listener);
  void runLine(int index, std::string line, IScriptExecutingListener* l);
  bool sleepMs(long ms);

  ReceiverModelImpl& m_model;
  std::string m_path;
  int m_timeoutMs = 5000;
  IScriptExecutingListener* m_listener = nullptr;
};

}  // namespace Tellus
