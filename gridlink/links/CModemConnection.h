#pragma once
// CModemConnection: the receiver link behind a GSM modem on a local serial port. The string is
// "GSM" + port + ":" + telephone number + ":" + PIN [+ ":" + line speed]
// ("GSM/dev/ttyUSB1:0041791234567:1234:115200"), the port a device path or a number n meaning
// /dev/ttyS<n-1>, a PIN of "0" meaning none, the speed 115200 bit/s when not given.
// The constructor does the whole open: the port at that speed (when the modem does not answer
// "OK" there, the other line speeds are tried), then the AT dialogue: "ate0", "atv1",
// "at+cpin?" and, only when the SIM asks for it ("SIM PIN"), "at+cpin=" + the PIN in double
// quotes, then "atd" + number; each answer awaited with its own time-out; the modem must have
// said "CONNECT". Then the receiver's bytes go to the receiver dialogue. A failed open leaves
// the object alive with a non-empty StatusText() ("ER:error login! - " + what the modem said,
// "COM " + system text, ...).
// Deleting a connected link hangs up: DTR dropped where the port has the line, else (or when
// the modem still holds the call) the escape "+++" between guard times and "ath"; whether the
// modem confirmed it goes to the client log.
// Threads: see CReceiverConnection; the destructor stops and joins the reader (bounded).
#include <atomic>
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
  static constexpr std::uint32_t kModemRate = 115200;  // when the string names no speed
  static constexpr std::size_t kMaxAtCommand = 39;
  static constexpr std::uint32_t kEchoOffMs = 4000, kVerboseMs = 8000, kDialMs = 60000, kPinMs = 2000;
  // Another line speed gets a short try; the SIM query as long as the PIN.
  static constexpr std::uint32_t kRateProbeMs = 700, kSimQueryMs = 2000;
  // The escape's guard time (the modems' usual S12 of one second) and the hang-up's answer.
  static constexpr std::uint32_t kGuardMs = 1000, kEscapeAnswerMs = 2500, kHangUpMs = 5000, kDtrDropMs = 600;
  static constexpr std::uint32_t kGuardMarginMs = 200;  // the modem must see more than its guard
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
  bool parse(const std::string& receiverString);
  bool openPort();
  bool startReader();
  void readerLoop(Platform::ThreadContext& ctx);
  void dial();
  // "ate0" answered "OK", at the string's speed or, failing that, at another one.
  bool wakeModem();
  // Asks the SIM's state and sends the PIN only when it wants one.
  bool unlockSim();
  // The command's answer line (with untilResult, every line up to the result code); false on
  // time-out or a lost line.
  bool atExchange(const std::string& command, std::uint32_t timeoutMs, bool untilResult = false);
  bool answerIs(const char* text);
  void hangUp();
  bool dropDtr();
  void stopReader();

  std::string m_PortName, m_Number, m_Pin;
  std::uint32_t m_Rate = kModemRate;
  bool m_Connected = false;
  std::atomic<std::uint32_t> m_LastWrite{0};  // tick of the latest write, for the guard time
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
