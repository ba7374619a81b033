#pragma once
// The storage stelvan-decode hands to its analysis: it prints one line per
// message (or only counts them) on the analysis worker's thread.
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

#include "engine/C_MessageGNSS.h"
#include "interfaces/IEx_StorageMsg.h"

namespace decodecli {

// "<FORMAT>:<ID>" key part: NMEA identifies a sentence by talker + type.
std::string messageId(engine::IMessageGNSS* m);

class CliStorage : public engine::IEx_StorageMsg {
 public:
  // out: where lines go (nullptr: count only).
  explicit CliStorage(std::FILE* out) : m_out(out) {}

  std::size_t messageCount() override { return 0; }
  engine::Ref<engine::IMessageGNSS> messageAt(std::size_t) override { return {}; }
  std::size_t countOf(const std::string& format, const std::string& id) override;
  engine::Ref<engine::IMessageGNSS> latest(const std::string&, const std::string&) override { return {}; }
  void clear() override;
  void setCapacity(std::size_t) override {}
  std::size_t capacity() override { return 0; }
  std::uint64_t totalStored() override;
  std::uint64_t totalBytes() override;
  void reserved11() override {}
  void reserved12() override {}
  engine::IMessageGNSS* createMessage(engine::IMsgSetting* status) override;
  bool store(engine::IMessageGNSS* message) override;

  std::map<std::string, std::uint64_t> counts();

 private:
  std::mutex m_cs;
  std::FILE* m_out;
  std::unordered_map<std::string, std::uint64_t> m_counts;
  std::uint64_t m_total = 0, m_bytes = 0;
  engine::C_MessageGNSS* m_lastCreated = nullptr;  // the analysis worker's; only compared
};

}  // namespace decodecli
