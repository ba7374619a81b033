#include "GnssEpoch.h"

#include <atomic>

namespace Tellus {

namespace {
std::atomic<std::uint64_t> g_serial{0};
}

GnssEpoch::GnssEpoch() : m_serial(++g_serial) {}

engine::Ref<engine::IMessageGNSS> GnssEpoch::message(std::size_t index) {
  return index < m_messages.size() ? m_messages[index] : engine::Ref<engine::IMessageGNSS>();
}

const TLEpochStructure& GnssEpoch::record() {
  std::lock_guard<std::mutex> g(m_m);
  if (!m_record) {
    m_record = std::make_unique<TLEpochStructure>();
    for (const auto& m : m_messages) addToRecord(*m_record, m.get());
    finishRecord(*m_record);
  }
  return *m_record;
}

}  // namespace Tellus
