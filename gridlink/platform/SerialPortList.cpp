#include "gridlink/platform/SerialPortList.h"

#include <libudev.h>
#include <poll.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace Platform {

namespace {
using Udev = std::unique_ptr<udev, decltype(&udev_unref)>;
using Enumerate = std::unique_ptr<udev_enumerate, decltype(&udev_enumerate_unref)>;
using Device = std::unique_ptr<udev_device, decltype(&udev_device_unref)>;

bool startsWith(const char* s, const char* prefix) {
  return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

std::string property(udev_device* d, const char* key) {
  const char* v = d ? udev_device_get_property_value(d, key) : nullptr;
  std::string s = v ? v : "";
  std::replace(s.begin(), s.end(), '_', ' ');  // udev puts '_' for blanks in these values
  return s;
}

// Vendor and model (else the serial text) from the tty itself or the USB device above it.
std::string usbDescription(udev_device* tty) {
  udev_device* usb = udev_device_get_parent_with_subsystem_devtype(tty, "usb", "usb_device");
  for (udev_device* d : {tty, usb}) {
    const std::string vendor = property(d, "ID_VENDOR"), model = property(d, "ID_MODEL");
    if (!vendor.empty() || !model.empty())
      return vendor.empty() ? model : model.empty() ? vendor : vendor + " " + model;
  }
  for (udev_device* d : {tty, usb}) {
    const std::string serial = property(d, "ID_SERIAL");
    if (!serial.empty()) return serial;
  }
  return {};
}

// A legacy UART port that the 8250 driver registered without finding a chip reports type 0.
bool uartDetected(udev_device* tty) {
  const char* type = udev_device_get_sysattr_value(tty, "type");
  return type == nullptr || std::strcmp(type, "0") != 0;
}

bool wanted(udev_device* tty, const char* name) {
  if (startsWith(name, "rfcomm")) return true;  // virtual in sysfs, yet a real link
  udev_device* parent = udev_device_get_parent(tty);
  if (parent == nullptr) return false;  // virtual terminals, consoles, ptmx
  if (startsWith(name, "ttyS")) return udev_device_get_driver(parent) != nullptr && uartDetected(tty);
  return true;
}

// The /dev/serial/by-id link among the device's links, or "".
std::string byIdLink(udev_device* d) {
  const char* links = udev_device_get_property_value(d, "DEVLINKS");
  std::string all = links ? links : "";
  for (std::size_t p = 0; p < all.size();) {
    const std::size_t end = std::min(all.find(' ', p), all.size());
    const std::string link = all.substr(p, end - p);
    if (link.rfind("/dev/serial/by-id/", 0) == 0) return link;
    p = end + 1;
  }
  return {};
}

SerialPortInfo describe(udev_device* d, const char* node, const char* name) {
  const std::string usb = usbDescription(d);
  return {node, name, usb.empty() ? std::string(name) : usb + " (" + name + ")", byIdLink(d)};
}

// Compares names so that the digits in them count as numbers.
bool naturalLess(const std::string& a, const std::string& b) {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
      std::size_t ie = i, je = j;
      while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
      while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je]))) ++je;
      const std::string na = a.substr(i, ie - i), nb = b.substr(j, je - j);
      if (na.size() != nb.size()) return na.size() < nb.size();
      if (na != nb) return na < nb;
      i = ie, j = je;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i, ++j;
    }
  }
  return a.size() - i < b.size() - j;
}
}  // namespace

std::vector<SerialPortInfo> ListSerialPorts() {
  std::vector<SerialPortInfo> ports;
  Udev u(udev_new(), &udev_unref);
  if (!u) return ports;
  Enumerate e(udev_enumerate_new(u.get()), &udev_enumerate_unref);
  if (!e || udev_enumerate_add_match_subsystem(e.get(), "tty") < 0 ||
      udev_enumerate_scan_devices(e.get()) < 0)
    return ports;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
    Device d(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)), &udev_device_unref);
    if (!d) continue;
    const char* node = udev_device_get_devnode(d.get());
    const char* name = udev_device_get_sysname(d.get());
    if (node == nullptr || name == nullptr || !wanted(d.get(), name)) continue;
    ports.push_back(describe(d.get(), node, name));
  }
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return naturalLess(a.devicePath, b.devicePath);
  });
  return ports;
}

struct SerialPortMonitor::Impl {
  Udev u{udev_new(), &udev_unref};
  std::unique_ptr<udev_monitor, decltype(&udev_monitor_unref)> monitor{nullptr, &udev_monitor_unref};
};

SerialPortMonitor::SerialPortMonitor() : m_Impl(std::make_unique<Impl>()) {
  if (!m_Impl->u) return;
  m_Impl->monitor.reset(udev_monitor_new_from_netlink(m_Impl->u.get(), "udev"));
  if (!m_Impl->monitor ||
      udev_monitor_filter_add_match_subsystem_devtype(m_Impl->monitor.get(), "tty", nullptr) < 0 ||
      udev_monitor_enable_receiving(m_Impl->monitor.get()) < 0)
    m_Impl->monitor.reset();
}

SerialPortMonitor::~SerialPortMonitor() = default;

int SerialPortMonitor::Fd() const {
  return m_Impl->monitor ? udev_monitor_get_fd(m_Impl->monitor.get()) : -1;
}

std::vector<SerialPortChange> SerialPortMonitor::Changes() {
  std::vector<SerialPortChange> changes;
  if (!m_Impl->monitor) return changes;
  const int fd = Fd();
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) != 1) break;  // the monitor's socket blocks: look before reading
    Device d(udev_monitor_receive_device(m_Impl->monitor.get()), &udev_device_unref);
    if (!d) break;
    const char* action = udev_device_get_action(d.get());
    const char* node = udev_device_get_devnode(d.get());
    const char* name = udev_device_get_sysname(d.get());
    if (!action || !node || !name) continue;
    if (std::strcmp(action, "add") == 0 && wanted(d.get(), name))
      changes.push_back({true, describe(d.get(), node, name)});
    else if (std::strcmp(action, "remove") == 0)  // a list holds only ports it took, so any may go
      changes.push_back({false, {node, name, name, byIdLink(d.get())}});
  }
  return changes;
}

}  // namespace Platform
