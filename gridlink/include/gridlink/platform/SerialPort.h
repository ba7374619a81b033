#pragma once
// SerialPort: one serial device (real, USB-serial or the slave side of a pseudo-terminal) on
// termios. Open makes it exclusive (TIOCEXCL, plus an advisory lock that also holds against a
// privileged second opener), raw 8N1, receiver on, modem control lines ignored for open/read,
// no flow control, 115200 bit/s, both queues purged.
//
// The object owns the descriptor and closes it on Close or destruction. It takes no lock: one
// thread may read while another writes or changes settings, but Open and Close belong to the
// owner and must not race any other call. A failing call sets errno on the calling thread (the
// reliable cause when two threads use the port) and LastError() (the latest failure of any
// thread), and leaves the port as it was before the call, except that a failed Open leaves it
// closed.
//
// Modem-line and line-error ioctls are not there on every device (a pseudo-terminal answers
// ENOTTY or EINVAL); those calls then answer NotSupported and change nothing (the modem-line
// calls also write one line to the client log).
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "gridlink/Export.h"

namespace Platform {

enum class SerialSupport { Done, NotSupported, Failed };

// Counts of line errors since the driver started counting (TIOCGICOUNT).
struct SerialLineCounters {
  std::uint32_t frame = 0;
  std::uint32_t overrun = 0;  // the UART's own overrun
  std::uint32_t parity = 0;
  std::uint32_t brk = 0;
  std::uint32_t bufOverrun = 0;  // the driver's input buffer overflowed
};

class GRIDLINK_API SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  bool Open(const std::string& devicePath);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  const std::string& Path() const { return path_; }
  int LastError() const { return lastError_.load(); }

  // Any rate in bit/s: those with a B constant directly, any other through BOTHER. False when
  // the driver refuses (the previous speed stays).
  bool SetSpeed(std::uint32_t rate);
  // The output speed the driver holds, in bit/s; 0 when it cannot be read.
  std::uint32_t GetSpeed();
  // RTS/CTS handshake on or off.
  bool SetHardwareFlowControl(bool on);
  bool HardwareFlowControl();
  SerialSupport SetRts(bool on);
  SerialSupport SetDtr(bool on);
  // Throws away what waits in the driver's input and/or output queue.
  bool Purge(bool input, bool output);
  // Waits up to timeoutMs until the output queue and the transmitter are empty; false on
  // time-out (LastError() ETIMEDOUT). Never blocks beyond the bound, even with handshake held off.
  bool Drain(std::uint32_t timeoutMs);
  // Writes all bytes within timeoutMs. Returns n; fewer when the time ran out (LastError()
  // ETIMEDOUT); -1 on an error (EIO when the other end has gone).
  int Write(const void* data, std::size_t n, std::uint32_t timeoutMs);
  // Waits up to timeoutMs for bytes. >0: bytes read (at most n); 0: time-out; -1: error or
  // hang-up (LastError() EIO when the device or the pseudo-terminal's master has gone).
  int Read(void* buf, std::size_t n, std::uint32_t timeoutMs);
  // Bytes waiting in the input queue, -1 on error.
  int BytesAvailable();
  SerialSupport GetLineCounters(SerialLineCounters& out);

 private:
  bool fail(int err);
  SerialSupport modemLine(int bit, bool on, const char* name);

  int fd_ = -1;
  std::string path_;
  std::atomic<int> lastError_{0};
};

// True when the rate has a B constant of its own (no BOTHER needed).
GRIDLINK_API bool IsStandardSerialRate(std::uint32_t rate);

}  // namespace Platform
