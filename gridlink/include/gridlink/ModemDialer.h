#pragma once
// ModemDialer: the AT dialogue with a GSM modem that stands before a receiver on a serial port
// the caller has opened. Gridlink's modem link and the receiver model's modem port both dial
// and hang up through it.
// Dial: "ate0" at the string's line speed (when the modem does not answer "OK" there, the
// other line speeds are tried), "atv1", "at+cpin?" and, only when the SIM asks for it
// ("SIM PIN"), "at+cpin=" + the PIN in double quotes, then "atd" + number; each answer awaited
// with its own time-out; the modem must have said "CONNECT".
// HangUp: DTR dropped where the port has the line (then "at" proves the modem listens), else
// the escape "+++" between guard times and "ath", each answer checked.
// The dialer reads the port itself: nobody else may read it during Dial or HangUp. One thread
// uses a dialer at a time; every wait is bounded, and a dial ends early when its `cancel` is set.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "gridlink/Export.h"
#include "gridlink/platform/SerialPort.h"

class ModemAnswer;

// "GSM" + port + ":" + telephone number + ":" + PIN [+ ":" + line speed], the port a device
// path or a number n meaning /dev/ttyS<n-1>, a PIN of "0" meaning none.
struct GRIDLINK_API ModemTarget {
  static constexpr std::uint32_t kDefaultRate = 115200;  // when the string names no speed
  std::string port, number, pin;
  std::uint32_t rate = kDefaultRate;

  // False with the reason: "ER:Modem string needs GSM + port + :number:PIN - " + the string,
  // or "Error baud!!" for a speed no serial port takes.
  bool Parse(const std::string& text, std::string& error);
  std::string DevicePath() const;
};

class GRIDLINK_API ModemDialer {
 public:
  static constexpr std::size_t kMaxAtCommand = 39;
  static constexpr std::uint32_t kEchoOffMs = 4000, kVerboseMs = 8000, kDialMs = 60000, kPinMs = 2000;
  // Another line speed gets a short try; the SIM query as long as the PIN.
  static constexpr std::uint32_t kRateProbeMs = 700, kSimQueryMs = 2000;
  // The escape's guard time (the modems' usual S12 of one second) and the hang-up's answer.
  static constexpr std::uint32_t kGuardMs = 1000, kEscapeAnswerMs = 2500, kHangUpMs = 5000, kDtrDropMs = 600;
  static constexpr std::uint32_t kGuardMarginMs = 200;  // the modem must see more than its guard

  explicit ModemDialer(Platform::SerialPort& port);
  ~ModemDialer();
  ModemDialer(const ModemDialer&) = delete;
  ModemDialer& operator=(const ModemDialer&) = delete;

  // True once the modem said "CONNECT": the line is the receiver's from here on.
  bool Dial(const ModemTarget& target, const std::atomic<bool>* cancel = nullptr);
  // The line speed the modem answered at (the string's unless the search found another).
  std::uint32_t Rate() const { return m_Rate; }
  // Why the last Dial failed, in words ("the SIM refused the PIN"); empty after a success.
  const std::string& Failure() const { return m_Failure; }
  // Everything the modem said during the last Dial or HangUp.
  const std::string& Said() const { return m_Said; }
  // `quietMs`: how long the caller has sent nothing (the escape needs a guard time of
  // silence). True when the modem confirmed the hang-up.
  bool HangUp(std::uint32_t quietMs);
  // The tick of the dialer's latest write.
  std::uint32_t LastWriteTick() const { return m_LastWrite; }

 private:
  bool dial(const ModemTarget& target);
  bool wake();
  bool unlockSim(const std::string& pin);
  bool exchange(const std::string& command, std::uint32_t timeoutMs, bool untilResult = false);
  bool answerIs(const char* text) const;
  // The result code that ended an answer awaited with untilResult.
  bool resultIs(const char* text) const;
  bool dropDtr();
  bool fail(const char* why);

  Platform::SerialPort& m_Port;
  const std::atomic<bool>* m_Cancel = nullptr;  // the running dial's
  std::unique_ptr<ModemAnswer> m_Answer;
  std::string m_Said, m_Failure;
  std::uint32_t m_Rate = ModemTarget::kDefaultRate;
  std::uint32_t m_LastWrite = 0;
  bool m_Lost = false;
};
