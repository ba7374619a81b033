#pragma once
// CSerialConnection: the receiver link on a serial port (real, USB-serial or a pseudo-terminal).
// The constructor does the whole open: parses "COM" + port + ":" + rate + ":" + flow, opens the
// port, starts the reader thread, searches the receiver over the known line speeds, brings it to
// the requested speed and sets the handshake. A failed open leaves the object alive with a
// non-empty StatusText(); the owner reads it and deletes the link.
// The port is a device path ("COM/dev/ttyUSB0:115200:1") or a number n meaning /dev/ttyS<n-1>.
// Threads: see CReceiverConnection; the destructor stops and joins the reader (bounded).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gridlink/platform/SerialPort.h"
#include "gridlink/platform/Thread.h"
#include "links/CReceiverConnection.h"
#include "links/SerialLine.h"

struct CPortName {
  std::string name;         // the port as a receiver string carries it: "/dev/ttyUSB0"
  std::string description;  // the device's readable name; empty when unknown
  std::string devicePath;   // what is opened
  int flag = 0;
};

class CSerialConnection : public CReceiverConnection {
 public:
  static constexpr std::size_t kRateCount = 12;
  static constexpr std::size_t kReadChunk = 4096;
  static constexpr std::uint32_t kReaderSliceMs = 100;

  CSerialConnection(CLinkOwner& owner, const std::string& receiverString);
  ~CSerialConnection() override;

  int Write(const void* bytes, std::size_t count) override;
  int SetFlowControl(bool on) override;
  bool SetBaudRate(std::uint32_t rate) override;

  const std::string& PortName() const { return m_PortName; }
  const std::string& RateText() const { return m_RateText; }
  std::uint32_t CurrentRate() const { return m_CurrentRate.load(); }

  // Fills list with the serial ports of the machine (udev).
  static void ListSerialPorts(std::vector<CPortName>& list);
  // The line speeds in search order; the first entry is the rate of the latest open.
  static std::array<std::uint32_t, kRateCount> RateTable();
  // Device path of the port word of a receiver string ("5" -> "/dev/ttyS4").
  static std::string DevicePath(const std::string& port);

 private:
  // Puts the requested rate first in the shared table; the table in search order.
  static std::array<std::uint32_t, kRateCount> SetRequestedRate(std::uint32_t rate);
  void open(const std::string& receiverString);
  bool openPort();
  bool startReader();
  void readerLoop(Platform::ThreadContext& ctx);
  void checkLineErrors();
  // The receiver search: the rate it answered at, 0 on failure, 1 when it is not on a serial port.
  std::uint32_t searchReceiver(std::uint32_t requested);
  bool probeRate(std::uint32_t rate);
  bool adjustRemoteRate(std::uint32_t found, std::uint32_t requested);
  void stopReader();

  Platform::SerialPort m_Port;
  Platform::Thread m_Reader{"Dev/COM", 8000};
  std::string m_PortName, m_RateText;
  int m_FlowControl = 0;
  bool m_CheckRemotePort = false;
  std::atomic<std::uint32_t> m_CurrentRate{0};
  SerialLineErrors m_LineErrors;
};
