#pragma once
// CModemConnection: the receiver link behind a GSM modem on a local serial port. The string is
// "GSM" + port + ":" + telephone number + ":" + PIN [+ ":" + line speed]
// ("GSM/dev/ttyUSB1:0041791234567:1234:115200"), the port a device path or a number n meaning
// /dev/ttyS<n-1>, a PIN of "0" meaning none, the speed 115200 bit/s when not given.
// The constructor does the whole open: the port at that speed, then the AT dialogue of
// ModemDialer (wake-up with the line-speed search, SIM query and PIN, dial); the modem must have
// said "CONNECT". Then the reader starts and the receiver's bytes go to the receiver dialogue.
// A failed open leaves the object alive with a non-empty StatusText() ("ER:error login! - " +
// what the modem said, "COM " + system text, ...).
// Deleting a connected link stops the reader and hangs up through the dialer; whether the modem
// confirmed it goes to the client log.
// Threads: see CReceiverConnection; the destructor stops and joins the reader (bounded).
#include <atomic>
#include <cstdint>
#include <string>

#include "gridlink/ModemDialer.h"
#include "gridlink/platform/Event.h"
#include "gridlink/platform/SerialPort.h"
#include "gridlink/platform/Thread.h"
#include "links/CReceiverConnection.h"
#include "links/SerialLine.h"

class CModemConnection : public CReceiverConnection {
 public:
  static constexpr std::uint32_t kModemRate = ModemTarget::kDefaultRate;  // when the string names no speed
  static constexpr std::size_t kReadChunk = 4096;
  static constexpr std::uint32_t kReaderSliceMs = 100;

  CModemConnection(CLinkOwner& owner, const std::string& receiverString);
  ~CModemConnection() override;

  int Write(const void* bytes, std::size_t count) override;
  int SetFlowControl(bool on) override;
  bool SetBaudRate(std::uint32_t rate) override;
  // Throws away what waits in the port both ways and what the reader holds unframed.
  void Purge();

  const std::string& PortName() const { return m_PortName; }
  std::uint32_t LineRate() const { return m_Rate; }

 private:
  bool openPort();
  bool startReader();
  void readerLoop(Platform::ThreadContext& ctx);
  void dial();
  void stopReader();

  std::string m_PortName;
  ModemTarget m_Target;
  std::uint32_t m_Rate = kModemRate;
  bool m_Connected = false;
  std::atomic<std::uint32_t> m_LastWrite{0};  // tick of the latest write, for the guard time
  Platform::SerialPort m_Port;
  SerialLineErrors m_LineErrors;
  ModemDialer m_Dialer{m_Port};
  Platform::Thread m_Reader{"Dev/MODEM", 8000};
};
