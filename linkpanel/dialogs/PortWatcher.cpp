#include "dialogs/PortWatcher.h"

#include <QSocketNotifier>

namespace Kestrel {

PortWatcher::PortWatcher(Added added, Removed removed, QObject* parent)
    : QObject(parent), m_Added(std::move(added)), m_Removed(std::move(removed)) {
  if (m_Monitor.Fd() < 0) return;  // no udev here: the list stays as fetched
  m_Notifier = new QSocketNotifier(m_Monitor.Fd(), QSocketNotifier::Read, this);
  connect(m_Notifier, &QSocketNotifier::activated, this, [this] { onActivity(); });
}

PortWatcher::~PortWatcher() = default;

std::string PortWatcher::RowOf(const Platform::SerialPortInfo& port) {
  return "COM" + port.PreferredPath() + ":115200:1";
}

void PortWatcher::onActivity() {
  for (const Platform::SerialPortChange& c : m_Monitor.Changes()) {
    if (c.added && m_Added) m_Added(RowOf(c.port));
    if (!c.added && m_Removed) m_Removed(c.port.devicePath, c.port.byIdPath);
  }
}

}  // namespace Kestrel
