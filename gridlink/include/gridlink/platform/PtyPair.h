#pragma once
// PtyPair: a pseudo-terminal pair standing in for a serial cable, for tests and the receiver
// simulator. The slave path is what the client opens as its serial port; the owner of the pair
// plays the device on the master descriptor.
//
// Line speed: on Linux the terminal settings of a pair are the slave's, and tcgetattr or TCGETS2
// on the master reports them; SlaveSpeed() reads them that way, so the device side learns the
// speed the client set and can garble bytes sent at another speed. No notice comes when the
// client changes it: ask SlaveSpeed() whenever bytes arrive (one ioctl). A client sets the speed
// before it writes, so the answer after a read is never older than the bytes read.
//
// The pair holds a descriptor of its own on the slave (until ReleaseSlave), so the master does not
// see a hang-up while no client has the port open and a client may close and reopen the port.
// CloseMaster() makes the client's reads and writes fail with EIO: a cut cable.
//
// Owner thread: Open, ReleaseSlave, CloseMaster, destruction. ReadMaster and WriteMaster may run on
// two different threads at once. The descriptors belong to the pair and close with it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gridlink/Export.h"

namespace Platform {

class GRIDLINK_API PtyPair {
 public:
  PtyPair() = default;
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  // Creates the pair, raw mode, 115200 bit/s; false with LastError() when the system refuses.
  bool Open();
  bool IsOpen() const { return master_ >= 0; }
  int LastError() const { return lastError_; }
  int MasterFd() const { return master_; }
  const std::string& SlavePath() const { return slavePath_; }

  // The speed the slave side holds, in bit/s; 0 when it cannot be read.
  std::uint32_t SlaveSpeed() const;
  // True when the slave side asked for RTS/CTS handshake.
  bool SlaveHardwareFlow() const;

  // As SerialPort::Read / Write, on the master side.
  int ReadMaster(void* buf, std::size_t n, std::uint32_t timeoutMs);
  int WriteMaster(const void* data, std::size_t n, std::uint32_t timeoutMs);

  // Drops the pair's own slave descriptor: once the client closes too, master reads fail (EIO).
  void ReleaseSlave();
  void CloseMaster();
  void Close();

 private:
  int master_ = -1;
  int heldSlave_ = -1;
  std::string slavePath_;
  int lastError_ = 0;
};

}  // namespace Platform
