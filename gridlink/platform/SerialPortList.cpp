#include "gridlink/platform/SerialPortList.h"

#include <libudev.h>

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
    const std::string usb = usbDescription(d.get());
    ports.push_back({node, name, usb.empty() ? std::string(name) : usb + " (" + name + ")"});
  }
  std::sort(ports.begin(), ports.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return naturalLess(a.devicePath, b.devicePath);
  });
  return ports;
}

}  // namespace Platform
