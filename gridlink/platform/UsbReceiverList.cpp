#include "gridlink/platform/UsbReceiverList.h"

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

constexpr const char* kReceiverVendors[] = {"5e21", "4d73"};

std::string text(const char* s) {
  return s ? s : "";
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool receiverVendor(udev_device* d) {
  std::string vendor = text(udev_device_get_sysattr_value(d, "idVendor"));
  if (vendor.empty()) vendor = text(udev_device_get_property_value(d, "ID_VENDOR_ID"));
  vendor = lower(vendor);
  return std::any_of(std::begin(kReceiverVendors), std::end(kReceiverVendors),
                     [&](const char* v) { return vendor == v; });
}

// The product as the device names itself, else as udev's database knows it.
std::string product(udev_device* d) {
  std::string name = text(udev_device_get_sysattr_value(d, "product"));
  if (name.empty()) {
    name = text(udev_device_get_property_value(d, "ID_MODEL"));
    std::replace(name.begin(), name.end(), '_', ' ');  // udev puts '_' for blanks here
  }
  // Parentheses and separators in the name would confuse the word taken from the description.
  for (char& c : name)
    if (c == '(' || c == ')' || c == ',') c = ' ';
  return name.empty() ? "USB receiver" : name;
}
}  // namespace

std::vector<UsbReceiverInfo> ListUsbReceivers() {
  std::vector<UsbReceiverInfo> list;
  Udev u(udev_new(), &udev_unref);
  if (!u) return list;
  Enumerate e(udev_enumerate_new(u.get()), &udev_enumerate_unref);
  if (!e || udev_enumerate_add_match_subsystem(e.get(), "usb") < 0 ||
      udev_enumerate_add_match_property(e.get(), "DEVTYPE", "usb_device") < 0 ||
      udev_enumerate_scan_devices(e.get()) < 0)
    return list;
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(e.get())) {
    Device d(udev_device_new_from_syspath(u.get(), udev_list_entry_get_name(entry)), &udev_device_unref);
    if (!d || !receiverVendor(d.get())) continue;
    const char* node = udev_device_get_devnode(d.get());
    const char* name = udev_device_get_sysname(d.get());
    if (node == nullptr || name == nullptr) continue;
    list.push_back({node, name, product(d.get()) + " (" + name + ")"});
  }
  std::sort(list.begin(), list.end(),
            [](const UsbReceiverInfo& a, const UsbReceiverInfo& b) { return a.location < b.location; });
  return list;
}

std::string UsbReceiverWord(const std::string& description) {
  const std::size_t open = description.find('(');
  if (open == std::string::npos) return {};
  const std::size_t close = description.find(')', open + 1);
  if (close == std::string::npos) return {};
  return description.substr(open + 1, close - open - 1);
}

}  // namespace Platform
