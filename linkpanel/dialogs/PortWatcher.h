#pragma once
// Keeps the local server's receiver list in step with the machine: a serial port plugged in
// appears as a receiver row (named by its /dev/serial/by-id link where there is one), one
// pulled out disappears. Follows udev while it lives; GUI thread only.
#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "gridlink/platform/SerialPortList.h"

class QSocketNotifier;

namespace Kestrel {

class PortWatcher : public QObject {
 public:
  using Added = std::function<void(const std::string& row)>;
  // Called with both paths of the port that went (either may be what a row names).
  using Removed = std::function<void(const std::string& devicePath, const std::string& byIdPath)>;
  PortWatcher(Added added, Removed removed, QObject* parent);
  ~PortWatcher() override;
  bool Watching() const { return m_Notifier != nullptr; }
  // The receiver row a serial port is offered as.
  static std::string RowOf(const Platform::SerialPortInfo& port);

 private:
  void onActivity();
  Platform::SerialPortMonitor m_Monitor;
  QSocketNotifier* m_Notifier = nullptr;
  Added m_Added;
  Removed m_Removed;
};

}  // namespace Kestrel
