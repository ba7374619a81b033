#pragma once
// A worker thread that runs queued commands in order, so the receiver's reading thread
// only posts work (closing and renaming files, starting the converter) and never waits
// for the disk.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace Util {

class AbstractCommand {
 public:
  virtual ~AbstractCommand() = default;
  virtual void Execute() = 0;
};

class AbstractCommandHandler {
 public:
  virtual ~AbstractCommandHandler() = default;
  virtual void Post(std::shared_ptr<AbstractCommand> command) = 0;
};

class CommandHandler : public AbstractCommandHandler {
 public:
  CommandHandler();  // starts the thread
  // Runs what is queued, then stops the thread (bounded: a command never blocks for long).
  ~CommandHandler() override;

  void Post(std::shared_ptr<AbstractCommand> command) override;
  void Clear();
  // Waits until every command posted so far has run; false after `timeoutMs`.
  bool Drain(int timeoutMs);

 private:
  void run();

  std::mutex lock_;
  std::condition_variable work_, idle_;
  std::deque<std::shared_ptr<AbstractCommand>> queue_;
  bool stop_ = false, busy_ = false;
  std::thread thread_;
};

// A command made of a callable, for small one-off jobs.
class FunctionCommand : public AbstractCommand {
 public:
  template <class F>
  explicit FunctionCommand(F f) : f_(std::move(f)) {}
  void Execute() override { f_(); }

 private:
  std::function<void()> f_;
};

}  // namespace Util
