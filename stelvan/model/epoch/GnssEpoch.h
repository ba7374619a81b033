#pragma once
// One epoch: the messages of one measurement instant in arrival order, and
// the epoch record built from them on first request. Shared by counted
// references; any thread may read it (its lock guards the record).
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "EpochRecord.h"
#include "decode/interfaces/IMessageGNSS.h"

namespace Tellus {

class IGnssEpoch : public engine::ITUnknown {
 public:
  virtual std::size_t messageCount() = 0;
  virtual engine::Ref<engine::IMessageGNSS> message(std::size_t index) = 0;  // none outside the range
  virtual const TLEpochStructure& record() = 0;  // lives as long as the epoch
  virtual std::uint64_t serial() = 0;
};

class GnssEpoch : public IGnssEpoch {
 public:
  GnssEpoch();
  void append(engine::IMessageGNSS* m) { m_messages.emplace_back(m); }  // composer only, before sharing
  bool empty() const { return m_messages.empty(); }

  std::size_t messageCount() override { return m_messages.size(); }
  engine::Ref<engine::IMessageGNSS> message(std::size_t index) override;
  const TLEpochStructure& record() override;
  std::uint64_t serial() override { return m_serial; }

 private:
  std::vector<engine::Ref<engine::IMessageGNSS>> m_messages;
  std::mutex m_m;
  std::unique_ptr<TLEpochStructure> m_record;
  std::uint64_t m_serial;
};

class IEpochListener {
 public:
  // On the analysis worker with the composer's lock held.
  virtual void onEpoch(IGnssEpoch* epoch) = 0;

 protected:
  virtual ~IEpochListener() = default;
};

}  // namespace Tellus
