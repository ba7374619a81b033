// The libusb side of the USB seam: receivers are found by vendor id and
// talked to over the first bulk IN and OUT endpoints of interface 0.
#include <libusb-1.0/libusb.h>

#include <cstdio>
#include <mutex>

#include "UsbBackend.h"

namespace CMNC {

namespace {

constexpr std::uint16_t kVendors[] = {0x5e21, 0x4d73};

std::string nameOf(libusb_device* dev, const libusb_device_descriptor& d, libusb_device_handle* h) {
  std::string serial;
  if (h && d.iSerialNumber) {
    unsigned char buf[128] = {};
    if (libusb_get_string_descriptor_ascii(h, d.iSerialNumber, buf, sizeof buf) > 0)
      serial = reinterpret_cast<const char*>(buf);
  }
  if (serial.empty())
    serial = std::to_string(libusb_get_bus_number(dev)) + "-" + std::to_string(libusb_get_device_address(dev));
  char head[64];
  std::snprintf(head, sizeof head, "\\\\?\\usb#vid_%04x&pid_%04x#", d.idVendor, d.idProduct);
  return head + serial;
}

// Bus and port numbers, as udev names the device's place: "1-2.4".
std::string locationOf(libusb_device* dev) {
  std::uint8_t ports[8];
  const int n = libusb_get_port_numbers(dev, ports, sizeof ports);
  std::string out = std::to_string(libusb_get_bus_number(dev));
  for (int i = 0; i < n; ++i) out += (i == 0 ? "-" : ".") + std::to_string(ports[i]);
  return out;
}

class LibusbDevice : public IUsbDevice {
 public:
  LibusbDevice(libusb_device_handle* h, unsigned char in, unsigned char out) : m_h(h), m_in(in), m_out(out) {}
  ~LibusbDevice() override {
    libusb_release_interface(m_h, 0);
    libusb_close(m_h);
  }
  int bulkRead(std::uint8_t* buffer, std::size_t size, unsigned timeoutMs) override {
    return transfer(m_in, buffer, size, timeoutMs);
  }
  int bulkWrite(const std::uint8_t* bytes, std::size_t count, unsigned timeoutMs) override {
    return transfer(m_out, const_cast<std::uint8_t*>(bytes), count, timeoutMs);
  }
  std::string lastError() const override { return m_error; }

 private:
  int transfer(unsigned char ep, std::uint8_t* data, std::size_t n, unsigned timeoutMs) {
    int moved = 0;
    const int rc = libusb_bulk_transfer(m_h, ep, data, static_cast<int>(n), &moved, timeoutMs ? timeoutMs : 1);
    if (rc == 0 || rc == LIBUSB_ERROR_TIMEOUT) return moved;
    m_error = libusb_strerror(static_cast<libusb_error>(rc));
    return -1;
  }
  libusb_device_handle* m_h;
  unsigned char m_in, m_out;
  std::string m_error;
};

class LibusbBackend : public IUsbBackend {
 public:
  LibusbBackend() { m_ok = libusb_init(&m_ctx) == 0; }

  std::vector<UsbDeviceInfo> list() override {
    std::vector<UsbDeviceInfo> out;
    each([&](libusb_device* dev, const libusb_device_descriptor& d, libusb_device_handle*& h) {
      const std::string name = nameOf(dev, d, h);
      out.push_back({name, name.substr(name.rfind('#') + 1), locationOf(dev)});
      return false;
    });
    return out;
  }

  std::unique_ptr<IUsbDevice> open(const std::string& name, std::string& error) override {
    std::unique_ptr<IUsbDevice> found;
    error = "USB device not found: " + name;
    each([&](libusb_device* dev, const libusb_device_descriptor& d, libusb_device_handle*& h) {
      if (nameOf(dev, d, h) != name) return false;
      if (!h) {
        error = "Unable to open " + name;
        return true;
      }
      if (libusb_claim_interface(h, 0) != 0) {
        error = "Unable to claim the USB interface of " + name;
        return true;
      }
      unsigned char in = 0, out = 0;
      libusb_config_descriptor* cfg = nullptr;
      if (libusb_get_active_config_descriptor(dev, &cfg) == 0 && cfg->bNumInterfaces > 0) {
        const libusb_interface_descriptor& alt = cfg->interface[0].altsetting[0];
        for (int e = 0; e < alt.bNumEndpoints; ++e) {
          const auto& ep = alt.endpoint[e];
          if ((ep.bmAttributes & 3) != LIBUSB_TRANSFER_TYPE_BULK) continue;
          if (ep.bEndpointAddress & LIBUSB_ENDPOINT_IN) {
            if (!in) in = ep.bEndpointAddress;
          } else if (!out) {
            out = ep.bEndpointAddress;
          }
        }
      }
      if (cfg) libusb_free_config_descriptor(cfg);
      if (!in || !out) {
        libusb_release_interface(h, 0);
        error = "No bulk endpoints on " + name;
        return true;
      }
      found = std::make_unique<LibusbDevice>(h, in, out);
      h = nullptr;  // the device keeps the handle
      return true;
    });
    if (found) error.clear();
    return found;
  }

 private:
  // f(device, descriptor, open handle or null) returns true to stop; it may
  // take the handle (setting it to null).
  template <class F>
  void each(F&& f) {
    std::lock_guard<std::mutex> g(m_m);
    if (!m_ok) return;
    libusb_device** devs = nullptr;
    const ssize_t n = libusb_get_device_list(m_ctx, &devs);
    for (ssize_t i = 0; i < n; ++i) {
      libusb_device_descriptor d{};
      if (libusb_get_device_descriptor(devs[i], &d) != 0) continue;
      bool ours = false;
      for (auto v : kVendors) ours = ours || d.idVendor == v;
      if (!ours) continue;
      libusb_device_handle* h = nullptr;
      libusb_open(devs[i], &h);
      const bool stop = f(devs[i], d, h);
      if (h) libusb_close(h);
      if (stop) break;
    }
    if (devs) libusb_free_device_list(devs, 1);
  }

  std::mutex m_m;
  libusb_context* m_ctx = nullptr;
  bool m_ok = false;
};

}  // namespace

IUsbBackend& libusbBackend() {
  static LibusbBackend* backend = new LibusbBackend();  // lives as long as the process
  return *backend;
}

bool isReceiverUsbName(const std::string& name) {
  return name.compare(0, 17, "\\\\?\\usb#vid_5e21&") == 0 || name.compare(0, 17, "\\\\?\\usb#vid_4d73&") == 0;
}

bool isUsbLocation(const std::string& name) {
  const std::size_t dash = name.find('-');
  if (dash == 0 || dash == std::string::npos || dash + 1 == name.size()) return false;
  if (name.find_first_not_of("0123456789") != dash) return false;
  bool digit = false;
  for (std::size_t i = dash + 1; i < name.size(); ++i) {
    if (name[i] == '.' && digit) {
      digit = false;
    } else if (name[i] >= '0' && name[i] <= '9') {
      digit = true;
    } else {
      return false;
    }
  }
  return digit;
}

}  // namespace CMNC
