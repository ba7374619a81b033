#pragma once
// CUSBConnection: the receiver link on a receiver's native USB bulk interface (not a USB-serial
// port). The string is "USB:" + name, the name being the word in parentheses of a USB receiver
// of the local server's list ("USB:1-2.4"). The constructor does the whole open: the device
// node of the matching receiver, interface 0 (one bulk-in and one bulk-out endpoint, optionally
// an interrupt one; any other kind: "Can't initialize interfaces"), then the reader thread.
// A failed open leaves the object alive with a non-empty StatusText() (the system's or the USB
// library's text, or the text above), which the owner reads before deleting the link.
// A device unplugged while open ends the link (LinkLost()): a pending or later command fails at
// once with "ER:" + the reason.
// Threads: see CReceiverConnection; the destructor stops and joins the reader (bounded).
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "gridlink/platform/Thread.h"
#include "links/CReceiverConnection.h"
#include "links/UsbDevice.h"

class CUSBConnection : public CReceiverConnection {
 public:
  static constexpr std::uint32_t kWriteTimeoutMs = 5000;
  static constexpr std::uint32_t kReadSliceMs = 500;
  static constexpr std::size_t kReadChunk = 4096;
  // Reads failing in a row (not time-outs) before the device is taken as gone.
  static constexpr int kMaxReadFailures = 20;
  static constexpr const char* kBadInterfaces = "Can't initialize interfaces";

  CUSBConnection(CLinkOwner& owner, const std::string& receiverString,
                 IUsbAccess& access = SystemUsbAccess());
  ~CUSBConnection() override;

  int Write(const void* bytes, std::size_t count) override;
  int SetFlowControl(bool) override { return 1; }
  bool SetBaudRate(std::uint32_t) override { return true; }

  const std::string& DeviceName() const { return m_DeviceName; }
  // The device node opened ("" when the name matched no listed receiver).
  const std::string& DevicePath() const { return m_DevicePath; }

 private:
  void open(IUsbAccess& access);
  std::string findDevicePath(IUsbAccess& access) const;
  bool findPipes();
  bool startReader();
  void readerLoop(Platform::ThreadContext& ctx);
  void stopReader();

  std::string m_DeviceName, m_DevicePath;
  std::unique_ptr<IUsbDevice> m_Device;
  std::uint8_t m_BulkIn = 0, m_BulkOut = 0, m_Interrupt = 0;
  Platform::Thread m_Reader{"Dev/USB", 12000};
};
