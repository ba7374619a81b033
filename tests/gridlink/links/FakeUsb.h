#pragma once
// A USB receiver without hardware, behind the link's USB seam: interface 0's endpoints as the
// test sets them, a bulk-out endpoint whose command lines a responder answers on the bulk-in
// endpoint, and a plug the test can pull. Reads and writes on the wrong endpoint fail.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "links/UsbDevice.h"

struct FakeUsbState {
  using Responder = std::function<std::string(const std::string& line)>;
  std::mutex m;
  std::condition_variable cv;
  std::vector<UsbEndpoint> endpoints{
      {0x81, UsbTransferType::Bulk}, {0x02, UsbTransferType::Bulk}, {0x83, UsbTransferType::Interrupt}};
  Responder responder;
  std::string toHost, fromHost, pendingLine;
  bool unplugged = false, failReads = false, claimed = false;

  void unplug() {
    std::lock_guard<std::mutex> g(m);
    unplugged = true;
    cv.notify_all();
  }
  std::string received() {
    std::lock_guard<std::mutex> g(m);
    return fromHost;
  }
};

class FakeUsbDevice : public IUsbDevice {
 public:
  explicit FakeUsbDevice(std::shared_ptr<FakeUsbState> s) : s_(std::move(s)) {}
  bool Endpoints(std::vector<UsbEndpoint>& out, std::string&) override {
    out = s_->endpoints;
    return true;
  }
  bool ClaimInterface(std::string&) override {
    s_->claimed = true;
    return true;
  }
  UsbStatus BulkWrite(std::uint8_t ep, const void* data, std::size_t count, std::size_t& written,
                      std::uint32_t) override {
    std::lock_guard<std::mutex> g(s_->m);
    written = 0;
    if (s_->unplugged) return UsbStatus::Gone;
    if (ep != 0x02) return UsbStatus::Failed;
    const std::string bytes(static_cast<const char*>(data), count);
    s_->fromHost += bytes;
    s_->pendingLine += bytes;
    for (std::size_t eol; (eol = s_->pendingLine.find('\n')) != std::string::npos;) {
      const std::string line = s_->pendingLine.substr(0, eol + 1);
      s_->pendingLine.erase(0, eol + 1);
      if (s_->responder) s_->toHost += s_->responder(line);
    }
    s_->cv.notify_all();
    written = count;
    return UsbStatus::Done;
  }
  UsbStatus BulkRead(std::uint8_t ep, void* buf, std::size_t size, std::size_t& got,
                     std::uint32_t timeoutMs) override {
    std::unique_lock<std::mutex> g(s_->m);
    got = 0;
    if (ep != 0x81) return UsbStatus::Failed;
    s_->cv.wait_for(g, std::chrono::milliseconds(timeoutMs),
                    [&] { return s_->unplugged || s_->failReads || !s_->toHost.empty(); });
    if (s_->unplugged) return UsbStatus::Gone;
    if (s_->failReads) return UsbStatus::Failed;
    if (s_->toHost.empty()) return UsbStatus::TimedOut;
    got = std::min(size, s_->toHost.size());
    s_->toHost.copy(static_cast<char*>(buf), got);
    s_->toHost.erase(0, got);
    return UsbStatus::Done;
  }
  std::string LastErrorText() const override { return "Input/Output Error"; }

 private:
  std::shared_ptr<FakeUsbState> s_;
};

// Lists the given receivers; opens the fake device at `path`, nothing else.
class FakeUsbAccess : public IUsbAccess {
 public:
  FakeUsbAccess(std::vector<Platform::UsbReceiverInfo> list, std::string path)
      : list_(std::move(list)), path_(std::move(path)) {}
  std::vector<Platform::UsbReceiverInfo> ListReceivers() override { return list_; }
  std::unique_ptr<IUsbDevice> Open(const std::string& path, std::string& error) override {
    opened.push_back(path);
    if (path != path_) {
      error = "No such file or directory";
      return nullptr;
    }
    return std::make_unique<FakeUsbDevice>(state);
  }
  std::shared_ptr<FakeUsbState> state = std::make_shared<FakeUsbState>();
  std::vector<std::string> opened;

 private:
  std::vector<Platform::UsbReceiverInfo> list_;
  std::string path_;
};
