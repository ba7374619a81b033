#pragma once
// The in-memory storage an analysis uses when none is supplied: keeps the
// newest `capacity` messages (1000 by default) in a list, the latest message
// and a count per (format, identifier), and totals. Any thread may query.
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "../interfaces/IEx_StorageMsg.h"

namespace engine {

class C_Ex_StorageMsgMem : public IEx_StorageMsg {
 public:
  C_Ex_StorageMsgMem() = default;
  ~C_Ex_StorageMsgMem() override;

  std::size_t messageCount() override;
  Ref<IMessageGNSS> messageAt(std::size_t i) override;
  std::size_t countOf(const std::string& format, const std::string& id) override;
  Ref<IMessageGNSS> latest(const std::string& format, const std::string& id) override;
  void clear() override;
  void setCapacity(std::size_t n) override;
  std::size_t capacity() override;
  std::uint64_t totalStored() override;
  std::uint64_t totalBytes() override;
  void reserved11() override {}
  void reserved12() override {}
  IMessageGNSS* createMessage(IMsgSetting* status) override;
  bool store(IMessageGNSS* message) override;

  // A snapshot of the counts per (format, identifier).
  std::map<std::pair<std::string, std::string>, std::size_t> counts();

 private:
  void trimLocked();

  std::recursive_mutex m_cs;
  std::deque<IMessageGNSS*> m_list;  // counted references
  struct Entry {
    std::size_t count = 0;
    IMessageGNSS* latest = nullptr;  // counted reference
  };
  std::map<std::pair<std::string, std::string>, Entry> m_map;
  std::size_t m_capacity = 1000;
  std::uint64_t m_total = 0, m_bytes = 0;
};

}  // namespace engine
