#pragma once
// The storage the receiver model gives its analysis: keeps nothing, routes
// each message to the listeners registered under (any, any), then (format,
// any), then (format, identifier) - the empty text stands for "any" - and
// finally to the epoch sink. A listener registered under several matching
// keys is called once per key.
//
// Threads: createMessage and store run on the analysis worker; listener
// registration from any thread, under the same lock, so a listener removed
// here is never called afterwards. Listeners are not owned; a caller removes
// its listener before destroying it.
#include <map>
#include <set>
#include <string>

#include "../interfaces/IEx_StorageMsg.h"
#include "../interfaces/IGnssMessageListener.h"
#include "../thread/TSynch.h"

namespace Tellus {

class GnssMsgStorage : public engine::IEx_StorageMsg, public engine::TSynch<GnssMsgStorage> {
 public:
  GnssMsgStorage() = default;

  void addMessageListener(IGnssMessageListener* listener, const std::string& format,
                          const std::string& identifier);
  // Removes the listener from every key.
  void removeMessageListener(IGnssMessageListener* listener);
  bool hasListeners() const;
  // Called after the listeners for every message (the epoch composer).
  void setEpochSink(IGnssMessageListener* sink);

  // Stored list queries: none is kept.
  std::size_t messageCount() override { return 0; }
  engine::Ref<engine::IMessageGNSS> messageAt(std::size_t) override { return {}; }
  std::size_t countOf(const std::string&, const std::string&) override { return 0; }
  engine::Ref<engine::IMessageGNSS> latest(const std::string&, const std::string&) override { return {}; }
  void clear() override {}
  void setCapacity(std::size_t) override {}
  std::size_t capacity() override { return 0; }
  std::uint64_t totalStored() override;
  std::uint64_t totalBytes() override;
  void reserved11() override {}
  void reserved12() override {}
  engine::IMessageGNSS* createMessage(engine::IMsgSetting* status) override;
  bool store(engine::IMessageGNSS* message) override;

 private:
  void deliver(const std::string& format, const std::string& identifier, engine::IMessageGNSS* m);

  using Set = std::set<IGnssMessageListener*>;
  std::map<std::string, std::map<std::string, Set>> m_table;
  IGnssMessageListener* m_epochSink = nullptr;
  std::uint64_t m_stored = 0, m_bytes = 0;
};

}  // namespace Tellus
