#pragma once
// CModemConnection: the receiver link behind a GSM modem on a local serial port. The string is
// "GSM" + port + ":" + telephone number + ":" + PIN ("GSM/dev/ttyUSB1:0041791234567:1234"),
// the port a device path or a number n meaning /dev/ttyS<n-1>, a PIN of "0" meaning none.
// The constructor does the whole open: the port at 19200 bit/s, then the AT dialogue ("ate0",
// "atv1", "atd" + number, "at+cpin=" + the PIN in double quotes), each answer awaited with its
// own time-out; the modem must have said "CONNECT" in one of the answers. Then the receiver's
// bytes go to the receiver dialogue. A failed open leaves the object alive with a non-empty
// StatusText() ("ER:error login! - " + what the modem said, "COM " + system text, ...).
// Threads: see CReceiverConnection; the destructor stops and joins the reader (bounded).
#include <cstdint>
#include <mutex>
#include <string>

#include "gridlink/platform/Event.h"
#include "gridlink/platform/SerialPort.h"
#include "gridlink/platform/Thread.h"
#include "links/CReceiverConnection.h"
#include "links/ModemAnswer.h"
#include "links/SerialLine.h"

class CModemConnection : public CReceiverConnection {
 public:
  static constexpr std::uint32_t kModemRate = 19200;
  static constexpr std::size_t kMaxAtCommand = 39;
  static constexpr std::uint32_t kEchoOffMs = 4000, kVerboseMs = 8000, kDialMs = 60000, kPinMs = 2000;
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

 private:
  bool parse(const std::string& receiverString);
  bool openPort();
  bool startReader();
  void readerLoop(Platform::ThreadContext& ctx);
  void dial();
  bool atExchange(const std::string& command, std::uint32_t timeoutMs);
  void stopReader();

  std::string m_PortName, m_Number, m_Pin;
  Platform::SerialPort m_Port;
  SerialLineErrors m_LineErrors;
  Platform::Thread m_Reader{"Dev/MODEM", 8000};

  // While dialling, the reader hands the modem's bytes here instead of to the receiver dialogue.
  std::mutex m_DialLock;
  bool m_Dialling = false;
  std::string m_Collected;  // everything the modem said during the dialogue
  ModemAnswer m_Answer;
  Platform::Event m_LineEvent{Platform::EventReset::Auto};
};
