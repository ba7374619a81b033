#include "gridlink/platform/MessageQueue.h"

#include <chrono>

namespace Platform {

MessageQueue::MessageQueue(std::size_t capacity) : capacity_(capacity) {}

bool MessageQueue::Post(std::uint32_t id, std::uintptr_t wparam, std::intptr_t lparam) {
  if (id == kQuitMessage) {
    PostQuit(static_cast<int>(wparam));
    return true;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (quit_ || messages_.size() >= capacity_) return false;
  messages_.push_back(Message{id, wparam, lparam});
  cv_.notify_one();
  return true;
}

void MessageQueue::PostQuit(int exitCode) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!quit_) exitCode_ = exitCode;
  quit_ = true;
  cv_.notify_all();
}

bool MessageQueue::takeFront(Message& out, bool remove) {
  if (!messages_.empty()) {
    out = messages_.front();
    if (remove) messages_.pop_front();
    return true;
  }
  if (quit_) {
    out = Message{kQuitMessage, static_cast<std::uintptr_t>(exitCode_), 0};
    return true;
  }
  return false;
}

GetResult MessageQueue::Get(Message& out, std::uint32_t timeoutMs) {
  std::unique_lock<std::mutex> lock(mutex_);
  cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return quit_ || !messages_.empty(); });
  if (!takeFront(out, true)) return GetResult::TimedOut;
  // Post never queues kQuitMessage, so that number can only come from the latch.
  return out.id == kQuitMessage ? GetResult::Quit : GetResult::Got;
}

bool MessageQueue::Peek(Message& out, bool remove) {
  std::lock_guard<std::mutex> lock(mutex_);
  return takeFront(out, remove);
}

void MessageQueue::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  messages_.clear();
  quit_ = false;
  exitCode_ = 0;
}

std::size_t MessageQueue::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_.size();
}

}  // namespace Platform
