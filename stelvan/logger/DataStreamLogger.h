#pragma once
// The open log file: bytes from the reading thread go straight into it under its lock.
// Detach hands the file (flushed) to whoever closes it, so a rotation costs the reading
// thread one flush and one open, never a close or a rename.
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace Gnss {

class DataStreamLogger {
 public:
  ~DataStreamLogger();

  // Binary output, truncating or appending; false (and no file) when it cannot be opened.
  bool Open(const std::string& path, bool truncate);
  void Close();
  bool IsOpen();
  // The open file, flushed, now the caller's to close; null when none is open.
  std::FILE* Detach();
  // Writes to the open file; false when none is open or the write failed.
  bool Write(const std::uint8_t* bytes, std::size_t count);

  // Bytes written since the last call.
  std::uint64_t TakeByteCount() { return bytes_.exchange(0); }
  std::uint64_t TotalBytes() const { return total_.load(); }
  std::uint32_t LastWriteTick() const { return lastWrite_.load(); }

 private:
  std::mutex lock_;
  std::FILE* file_ = nullptr;
  std::atomic<std::uint64_t> bytes_{0}, total_{0};
  std::atomic<std::uint32_t> lastWrite_{0};
};

}  // namespace Gnss
