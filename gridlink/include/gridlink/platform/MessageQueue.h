#pragma once
// MessageQueue: the thread message queue of the original system. Any thread may post; one
// thread (the queue's owner, usually the Thread that holds it) takes messages with Get or Peek.
// The quit message is a latch, as in the original: Get hands out every message posted before
// it first, then reports Quit, and keeps reporting Quit until Reset. The queue is bounded:
// a post to a full or quitting queue fails and leaves the queue unchanged.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>

#include "gridlink/Export.h"

namespace Platform {

constexpr std::uint32_t kQuitMessage = 0x0012;  // the original's WM_QUIT
constexpr std::uint32_t kUserMessage = 0x0400;  // the original's WM_USER: first private number

struct Message {
  std::uint32_t id = 0;
  std::uintptr_t wparam = 0;
  std::intptr_t lparam = 0;
};

enum class GetResult { Got, Quit, TimedOut };

class GRIDLINK_API MessageQueue {
 public:
  static constexpr std::size_t kDefaultCapacity = 10000;

  explicit MessageQueue(std::size_t capacity = kDefaultCapacity);
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // False when the queue is full or quit has been posted. Posting kQuitMessage is PostQuit.
  bool Post(std::uint32_t id, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);
  // Latches quit with the exit code (given back in the wparam of the quit message).
  void PostQuit(int exitCode = 0);
  // Waits up to timeoutMs for a message. Quit: out holds kQuitMessage with the exit code.
  GetResult Get(Message& out, std::uint32_t timeoutMs);
  // Never waits. True when a message (or the quit latch) is there; remove takes a message away
  // (the quit latch stays).
  bool Peek(Message& out, bool remove);
  // Drops pending messages and the quit latch, so the queue can serve a new run of its thread.
  void Reset();
  std::size_t Size() const;

 private:
  bool takeFront(Message& out, bool remove);  // caller holds mutex_

  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Message> messages_;
  bool quit_ = false;
  int exitCode_ = 0;
};

}  // namespace Platform
