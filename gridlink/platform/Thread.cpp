#include "gridlink/platform/Thread.h"

#include <pthread.h>

#include <exception>
#include <system_error>

#include "gridlink/CLogFile.h"

namespace Platform {

Thread::Thread(std::string name, std::uint32_t destroyJoinMs)
    : name_(std::move(name)), destroyJoinMs_(destroyJoinMs), ctx_(std::make_shared<ThreadContext>()) {}

Thread::~Thread() {
  if (!thread_.joinable()) return;
  RequestStop();
  if (!Join(destroyJoinMs_)) {
    ClientLog().WriteTimed("Thread " + name_ + " did not stop; detached.\r\n");
    thread_.detach();
  }
}

bool Thread::Start(Body body) {
  if (thread_.joinable() || !body) return false;
  ctx_->stop_ = false;
  ctx_->stopEvent_.Reset();
  ctx_->ended_.Reset();
  if (hasRun_) ctx_->queue_.Reset();  // what the last run left, and its quit latch
  hasRun_ = true;
  std::shared_ptr<ThreadContext> ctx = ctx_;
  std::string shortName = name_.substr(0, 15);
  try {
    thread_ = std::thread([ctx, shortName, body = std::move(body)]() {
      pthread_setname_np(pthread_self(), shortName.c_str());
      try {
        body(*ctx);
      } catch (const std::exception& e) {
        ClientLog().WriteTimed("Thread " + shortName + " ended by exception: " + e.what() + "\r\n");
      } catch (...) {
        ClientLog().WriteTimed("Thread " + shortName + " ended by exception.\r\n");
      }
      ctx->ended_.Set();
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void Thread::RequestStop() {
  ctx_->stop_ = true;
  ctx_->stopEvent_.Set();
  ctx_->queue_.PostQuit(0);
}

bool Thread::Join(std::uint32_t timeoutMs) {
  if (!thread_.joinable()) return true;
  if (thread_.get_id() == std::this_thread::get_id()) return false;
  if (ctx_->ended_.Wait(timeoutMs) != WaitResult::Signalled) return false;
  thread_.join();  // the body has returned; only the thread's exit remains
  return true;
}

bool Thread::IsRunning() const {
  return thread_.joinable() && !ctx_->ended_.IsSet();
}

}  // namespace Platform
