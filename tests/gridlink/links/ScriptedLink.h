#pragma once
// A receiver link whose "wire" is a scripted peer on its own thread: every line written is
// answered with the chunks the test's responder returns, fed to OnReceive as a reader would.
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "links/CReceiverConnection.h"

class ScriptedLink : public CReceiverConnection {
 public:
  using Responder = std::function<std::vector<std::string>(const std::string& line)>;

  ScriptedLink(CLinkOwner& owner, Responder responder)
      : CReceiverConnection(owner), responder_(std::move(responder)), peer_([this] { run(); }) {}
  ~ScriptedLink() override {
    RequestReaderStop();
    {
      std::lock_guard<std::mutex> g(m_);
      stop_ = true;
    }
    cv_.notify_all();
    peer_.join();
  }

  int Write(const void* bytes, std::size_t count) override {
    {
      std::lock_guard<std::mutex> g(m_);
      lines_.emplace_back(static_cast<const char*>(bytes), count);
      written_.emplace_back(static_cast<const char*>(bytes), count);
    }
    cv_.notify_all();
    return static_cast<int>(count);
  }
  int SetFlowControl(bool) override { return 1; }
  bool SetBaudRate(std::uint32_t) override { return true; }

  std::vector<std::string> written() {
    std::lock_guard<std::mutex> g(m_);
    return written_;
  }
  // Feeds bytes as if the receiver sent them unasked (through the peer thread's order).
  void inject(std::string bytes) { pushRaw(std::move(bytes)); }

 private:
  void pushRaw(std::string bytes) {
    {
      std::lock_guard<std::mutex> g(m_);
      raw_.push_back(std::move(bytes));
    }
    cv_.notify_all();
  }
  void run() {
    std::unique_lock<std::mutex> g(m_);
    for (;;) {
      cv_.wait(g, [this] { return stop_ || !lines_.empty() || !raw_.empty(); });
      if (stop_) return;
      std::vector<std::string> out;
      if (!raw_.empty()) {
        out.push_back(std::move(raw_.front()));
        raw_.pop_front();
      } else {
        std::string line = std::move(lines_.front());
        lines_.pop_front();
        if (line.empty()) continue;
        g.unlock();
        out = responder_(line);
        g.lock();
      }
      g.unlock();
      for (const auto& c : out) OnReceive(reinterpret_cast<const std::uint8_t*>(c.data()), c.size());
      g.lock();
    }
  }

  Responder responder_;
  std::mutex m_;
  std::condition_variable cv_;
  std::deque<std::string> lines_, raw_;
  std::vector<std::string> written_;
  bool stop_ = false;
  std::thread peer_;
};

// "RE" / "ER" frame with the length digits of the body.
inline std::string zrxFrame(const std::string& id, const std::string& body) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03X", static_cast<unsigned>(body.size()));
  return id + digits + body;
}
