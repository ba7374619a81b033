#include "logger/CommandHandler.h"

#include <chrono>

namespace Util {

CommandHandler::CommandHandler() : thread_([this] { run(); }) {}

CommandHandler::~CommandHandler() {
  {
    std::lock_guard l(lock_);
    stop_ = true;
  }
  work_.notify_all();
  thread_.join();
}

void CommandHandler::Post(std::shared_ptr<AbstractCommand> command) {
  {
    std::lock_guard l(lock_);
    queue_.push_back(std::move(command));
  }
  work_.notify_one();
}

void CommandHandler::Clear() {
  std::lock_guard l(lock_);
  queue_.clear();
}

bool CommandHandler::Drain(int timeoutMs) {
  std::unique_lock l(lock_);
  return idle_.wait_for(l, std::chrono::milliseconds(timeoutMs), [this] { return queue_.empty() && !busy_; });
}

void CommandHandler::run() {
  std::unique_lock l(lock_);
  for (;;) {
    work_.wait(l, [this] { return stop_ || !queue_.empty(); });
    // Queued work still runs at a stop: a closed file must be renamed and reported.
    if (queue_.empty()) return;
    std::shared_ptr<AbstractCommand> c = std::move(queue_.front());
    queue_.pop_front();
    busy_ = true;
    l.unlock();
    c->Execute();
    c.reset();  // the queue's reference ends after Execute
    l.lock();
    busy_ = false;
    if (queue_.empty()) idle_.notify_all();
  }
}

}  // namespace Util
