#pragma once
// A link owner for tests: a message table of its own and a list of the packets delivered.
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "links/LinkOwner.h"

class LinkTestOwner : public CLinkOwner {
 public:
  struct Packet {
    unsigned type;
    std::string payload;
  };

  Platform::CriticalSection& ServerLock() override { return lock_; }
  bool LookupMessage(std::uint8_t number, std::uint8_t& kind) override {
    std::lock_guard<std::mutex> g(m_);
    auto it = table_.find(number);
    if (it == table_.end()) return false;
    kind = it->second;
    return true;
  }
  bool DeliverPacket(unsigned type, const void* payload, std::size_t count) override {
    std::lock_guard<std::mutex> g(m_);
    packets_.push_back({type, std::string(static_cast<const char*>(payload), count)});
    return true;
  }
  RawDataCallback RawData() override { return raw_; }
  DetectAbortCallback DetectAbort() override { return abort_; }

  void addMessage(std::uint8_t number, std::uint8_t kind) {
    std::lock_guard<std::mutex> g(m_);
    table_[number] = kind;
  }
  std::vector<Packet> packets() {
    std::lock_guard<std::mutex> g(m_);
    return packets_;
  }
  void setRaw(RawDataCallback cb) { raw_ = cb; }
  void setAbort(DetectAbortCallback cb) { abort_ = cb; }

 private:
  Platform::CriticalSection lock_;
  std::mutex m_;
  std::map<std::uint8_t, std::uint8_t> table_;
  std::vector<Packet> packets_;
  RawDataCallback raw_ = nullptr;
  DetectAbortCallback abort_ = nullptr;
};
