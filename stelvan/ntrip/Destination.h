#pragma once
// Where received corrections go: a receiver port on its own cable (a serial
// device, "COM" + device + ":" + rate, e.g. "COM/dev/ttyUSB1:115200"), a
// receiver's TCP port whose input mode takes corrections ("TCP:" + host + ":"
// + port), or standard output ("-"). Writes are whole and bounded in time.
// Used by the correction client's thread only (Open, Write and Close on one
// thread).
#include <atomic>
#include <memory>
#include <string>

namespace Ntrip {

class Destination {
 public:
  virtual ~Destination() = default;
  virtual bool Open(std::string& error) = 0;
  // Writes every byte; false with the reason when the destination failed.
  virtual bool Write(const char* bytes, std::size_t count, std::string& error) = 0;
  virtual void Close() = 0;
  // Opens again a destination that failed (a receiver unplugged, restarted or its port taken
  // away); gives up soon after `stop` is set.
  virtual bool Reopen(const std::atomic<bool>& stop, std::string& error) {
    (void)stop;
    Close();
    return Open(error);
  }
  virtual std::string Describe() const = 0;

  // The destination a text names; null (with the reason) when it names none.
  static std::unique_ptr<Destination> Create(const std::string& text, std::string& error);
};

}  // namespace Ntrip
