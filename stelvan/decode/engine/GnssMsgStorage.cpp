#include "GnssMsgStorage.h"

#include "C_MessageGNSS.h"

namespace Tellus {

using Lock = engine::CLock<GnssMsgStorage>;

void GnssMsgStorage::addMessageListener(IGnssMessageListener* listener, const std::string& format,
                                        const std::string& identifier) {
  if (!listener) return;
  Lock lock(this);
  m_table[format][identifier].insert(listener);
}

void GnssMsgStorage::removeMessageListener(IGnssMessageListener* listener) {
  Lock lock(this);
  for (auto f = m_table.begin(); f != m_table.end();) {
    for (auto i = f->second.begin(); i != f->second.end();) {
      i->second.erase(listener);
      i = i->second.empty() ? f->second.erase(i) : std::next(i);
    }
    f = f->second.empty() ? m_table.erase(f) : std::next(f);
  }
}

bool GnssMsgStorage::hasListeners() const {
  Lock lock(this);
  return !m_table.empty();  // empty sets are erased on removal
}

void GnssMsgStorage::setEpochSink(IGnssMessageListener* sink) {
  Lock lock(this);
  m_epochSink = sink;
}

std::uint64_t GnssMsgStorage::totalStored() {
  Lock lock(this);
  return m_stored;
}

std::uint64_t GnssMsgStorage::totalBytes() {
  Lock lock(this);
  return m_bytes;
}

engine::IMessageGNSS* GnssMsgStorage::createMessage(engine::IMsgSetting* status) {
  auto* m = new engine::TUnknown<engine::C_MessageGNSS>(status);
  m->setFlag(1, 0);
  return m;
}

void GnssMsgStorage::deliver(const std::string& format, const std::string& identifier,
                             engine::IMessageGNSS* m) {
  const auto f = m_table.find(format);
  if (f == m_table.end()) return;
  const auto i = f->second.find(identifier);
  if (i == f->second.end()) return;
  for (IGnssMessageListener* l : i->second) l->onMessage(m);
}

bool GnssMsgStorage::store(engine::IMessageGNSS* message) {
  if (!message) return false;
  const std::string format = message->format(), id = message->identifier();
  Lock lock(this);
  ++m_stored;
  m_bytes += message->rawLength();
  deliver("", "", message);
  if (!format.empty()) {
    deliver(format, "", message);
    if (!id.empty()) deliver(format, id, message);
  }
  if (m_epochSink) m_epochSink->onMessage(message);
  return true;
}

}  // namespace Tellus
