#include "EpochComposer.h"

namespace Tellus {

using Lock = engine::CLock<EpochComposer>;

namespace {
// An NMEA marker is given without its talker: "GGA" matches "GNGGA".
bool sameId(const std::string& format, const std::string& want, const std::string& id) {
  if (id == want) return true;
  return format == "NMEA" && id.size() == want.size() + 2 && id.compare(2, std::string::npos, want) == 0;
}
}  // namespace

bool EpochComposer::Marker::matches(engine::IMessageGNSS* m) const {
  if (!set()) return false;
  const std::string f = m->format();
  if (!format.empty() && format != f) return false;
  return sameId(f, identifier, m->identifier());
}

EpochComposer::EpochComposer() : m_current(new engine::TUnknown<GnssEpoch>()) {}

void EpochComposer::setBeginMarker(const std::string& format, const std::string& identifier) {
  Lock lock(this);
  m_begin = {format, identifier};
}

void EpochComposer::setEndMarker(const std::string& format, const std::string& identifier) {
  Lock lock(this);
  m_end = {format, identifier};
}

engine::Ref<IGnssEpoch> EpochComposer::lastFinished() {
  Lock lock(this);
  return m_last;
}

void EpochComposer::finish() {
  if (m_current->empty()) return;
  m_last = m_current.get();
  IGnssEpoch* done = m_current.get();
  m_listeners.forEach([&](IEpochListener* l) {
    l->onEpoch(done);
    return true;
  });
  m_current = new engine::TUnknown<GnssEpoch>();
}

void EpochComposer::onMessage(engine::IMessageGNSS* m) {
  if (!m) return;
  Lock lock(this);
  const bool isBegin = m_begin.matches(m), isEnd = m_end.matches(m);
  if (!m_end.set()) {
    if (!m_begin.set()) return;
    if (isBegin) {
      finish();
      m_current->append(m);
    } else if (!m_current->empty()) {
      m_current->append(m);
    }
    return;
  }
  if (!m_current->empty()) {
    if (isEnd)
      finish();
    else
      m_current->append(m);
    return;
  }
  if (m_begin.set() && !isBegin && !isEnd) return;
  m_current->append(m);
  if (isEnd) finish();
}

}  // namespace Tellus
