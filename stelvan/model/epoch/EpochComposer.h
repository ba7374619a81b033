#pragma once
// Groups the stored messages into epochs by a begin and an end marker
// (format and identifier; messages are matched on their identifier, and on
// their format when the marker names one) and hands each finished epoch to
// the epoch listeners. With no marker set no epoch is formed.
// Threads: onMessage on the analysis worker; markers and listeners from any
// thread (the composer's lock); listeners are called with that lock held and
// are not owned.
#include <string>

#include "GnssEpoch.h"
#include "decode/interfaces/IGnssMessageListener.h"
#include "thread/ListenerSet.h"
#include "thread/TSynch.h"

namespace Tellus {

class IEpochManager {
 public:
  virtual void setBeginMarker(const std::string& format, const std::string& identifier) = 0;
  virtual void setEndMarker(const std::string& format, const std::string& identifier) = 0;

 protected:
  virtual ~IEpochManager() = default;
};

class EpochComposer : public IEpochManager, public IGnssMessageListener, public engine::TSynch<EpochComposer> {
 public:
  EpochComposer();
  void setBeginMarker(const std::string& format, const std::string& identifier) override;
  void setEndMarker(const std::string& format, const std::string& identifier) override;
  void onMessage(engine::IMessageGNSS* message) override;
  void addListener(IEpochListener* l) { m_listeners.Add(l); }
  void removeListener(IEpochListener* l) { m_listeners.Remove(l); }
  bool hasListeners() const { return !m_listeners.empty(); }
  engine::Ref<IGnssEpoch> lastFinished();

 private:
  struct Marker {
    std::string format, identifier;
    bool set() const { return !identifier.empty(); }
    bool matches(engine::IMessageGNSS* m) const;
  };
  void finish();

  THREAD::ListenerSet<IEpochListener> m_listeners;
  engine::Ref<GnssEpoch> m_current;
  engine::Ref<IGnssEpoch> m_last;
  Marker m_begin, m_end;
};

}  // namespace Tellus
