#pragma once
// The open log file: bytes from the reading thread go straight to the kernel under its
// lock, so a crash of this process loses nothing that was received. Detach hands the file
// to whoever closes it, so a rotation costs the reading thread one open, never a close or
// a rename. The file is held with an advisory lock while it is open, so a second logger
// starting on the same folder knows it is not a leftover of a crashed run.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace Gnss {

class DataStreamLogger {
 public:
  ~DataStreamLogger();

  // Binary output, truncating or appending; false (and no file) when it cannot be opened,
  // with the system's reason in `error`.
  bool Open(const std::string& path, bool truncate, std::string* error = nullptr);
  void Close();
  bool IsOpen();
  // The open file descriptor, now the caller's to close; -1 when none is open.
  int Detach();
  // Writes to the open file; returns how many bytes reached it (less than `count` when
  // none is open or the write failed: `error` then says why).
  std::size_t Write(const std::uint8_t* bytes, std::size_t count, std::string* error = nullptr);

  // Bytes written since the last call.
  std::uint64_t TakeByteCount() { return bytes_.exchange(0); }
  std::uint64_t TotalBytes() const { return total_.load(); }
  std::uint32_t LastWriteTick() const { return lastWrite_.load(); }

 private:
  std::mutex lock_;
  int fd_ = -1;
  std::atomic<std::uint64_t> bytes_{0}, total_{0};
  std::atomic<std::uint32_t> lastWrite_{0};
};

}  // namespace Gnss
