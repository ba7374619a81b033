#pragma once
// What the serial and the modem link share on their port: the bounded write and the line-error
// watch of the reader. Used by one link's reader (Check) and its request thread (Write).
#include <cstddef>

#include "gridlink/platform/SerialPort.h"

// Writes all bytes and waits for them to leave, within 200 ms a byte plus 100 ms (at most
// 30 s). The count written, 0 on failure.
int WriteSerialBounded(Platform::SerialPort& port, const void* bytes, std::size_t count);

class SerialLineErrors {
 public:
  // Takes the port's counts as the base. False when the port cannot tell them (Failed).
  bool Start(Platform::SerialPort& port);
  // The text of a line error counted since the last call ("Break detected", "Framing error",
  // "Serial overrun", "Input buffer overflow", "Parity error"), or null. A port that keeps no
  // counts (a pseudo-terminal) is asked once.
  const char* Check(Platform::SerialPort& port);

 private:
  Platform::SerialLineCounters m_Counters;
  bool m_Supported = true;
};
