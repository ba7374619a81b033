// The USB seam on libusb-1.0: the usbfs node is opened by path (as the device list names it)
// and handed to libusb, so no bus scan is needed and an open failure carries the system's text.
#include <fcntl.h>
#include <libusb.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/SystemError.h"
#include "links/UsbDevice.h"

namespace {

// One library context for the process, made on first use.
libusb_context* context(std::string& error) {
  static std::once_flag once;
  static libusb_context* ctx = nullptr;
  static int rc = 0;
  std::call_once(once, [] { rc = libusb_init(&ctx); });
  if (rc != 0) error = libusb_strerror(rc);
  return rc == 0 ? ctx : nullptr;
}

UsbStatus statusOf(int rc) {
  switch (rc) {
    case LIBUSB_SUCCESS:
      return UsbStatus::Done;
    case LIBUSB_ERROR_TIMEOUT:
      return UsbStatus::TimedOut;
    case LIBUSB_ERROR_NO_DEVICE:
      return UsbStatus::Gone;
    default:
      return UsbStatus::Failed;
  }
}

class LibusbDevice : public IUsbDevice {
 public:
  LibusbDevice(int fd, libusb_device_handle* handle) : m_Fd(fd), m_Handle(handle) {}
  ~LibusbDevice() override {
    if (m_Claimed) libusb_release_interface(m_Handle, 0);
    libusb_close(m_Handle);
    ::close(m_Fd);  // a wrapped descriptor stays ours
  }

  bool Endpoints(std::vector<UsbEndpoint>& out, std::string& error) override {
    libusb_config_descriptor* config = nullptr;
    const int rc = libusb_get_active_config_descriptor(libusb_get_device(m_Handle), &config);
    if (rc != 0) return fail(rc, error);
    bool ok = config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0;
    if (ok) {
      const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
      for (int i = 0; i < alt.bNumEndpoints; ++i)
        out.push_back(
            {alt.endpoint[i].bEndpointAddress,
             static_cast<UsbTransferType>(alt.endpoint[i].bmAttributes & LIBUSB_TRANSFER_TYPE_MASK)});
    } else {
      error = "no interface 0";
    }
    libusb_free_config_descriptor(config);
    const int speed = libusb_get_device_speed(libusb_get_device(m_Handle));
    ClientLog().WriteTimed("Dev/USB device speed " + std::to_string(speed));
    return ok;
  }

  bool ClaimInterface(std::string& error) override {
    libusb_set_auto_detach_kernel_driver(m_Handle, 1);
    const int rc = libusb_claim_interface(m_Handle, 0);
    if (rc != 0) return fail(rc, error);
    m_Claimed = true;
    return true;
  }

  UsbStatus BulkWrite(std::uint8_t endpoint, const void* data, std::size_t count, std::size_t& written,
                      std::uint32_t timeoutMs) override {
    return transfer(endpoint, const_cast<void*>(data), count, written, timeoutMs);
  }

  UsbStatus BulkRead(std::uint8_t endpoint, void* buf, std::size_t size, std::size_t& got,
                     std::uint32_t timeoutMs) override {
    return transfer(endpoint, buf, size, got, timeoutMs);
  }

  std::string LastErrorText() const override {
    std::lock_guard<std::mutex> lock(m_ErrorLock);
    return m_Error;
  }

 private:
  UsbStatus transfer(std::uint8_t endpoint, void* buf, std::size_t size, std::size_t& moved,
                     std::uint32_t timeoutMs) {
    int done = 0;
    const int rc = libusb_bulk_transfer(m_Handle, endpoint, static_cast<unsigned char*>(buf),
                                        static_cast<int>(size), &done, timeoutMs);
    moved = done > 0 ? static_cast<std::size_t>(done) : 0;
    if (rc != 0 && rc != LIBUSB_ERROR_TIMEOUT) {
      std::lock_guard<std::mutex> lock(m_ErrorLock);
      m_Error = libusb_strerror(rc);
    }
    return statusOf(rc);
  }

  bool fail(int rc, std::string& error) {
    error = libusb_strerror(rc);
    return false;
  }

  int m_Fd;
  libusb_device_handle* m_Handle;
  bool m_Claimed = false;
  mutable std::mutex m_ErrorLock;
  std::string m_Error;
};

class LibusbAccess : public IUsbAccess {
 public:
  std::vector<Platform::UsbReceiverInfo> ListReceivers() override { return Platform::ListUsbReceivers(); }

  std::unique_ptr<IUsbDevice> Open(const std::string& devicePath, std::string& error) override {
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
      error = Platform::SystemErrorText(errno);
      return nullptr;
    }
    libusb_context* ctx = context(error);
    libusb_device_handle* handle = nullptr;
    const int rc = ctx ? libusb_wrap_sys_device(ctx, static_cast<intptr_t>(fd), &handle) : LIBUSB_ERROR_OTHER;
    if (rc != 0) {
      if (ctx) error = libusb_strerror(rc);
      ::close(fd);
      return nullptr;
    }
    return std::make_unique<LibusbDevice>(fd, handle);
  }
};

}  // namespace

IUsbAccess& SystemUsbAccess() {
  static LibusbAccess access;
  return access;
}
