#pragma once
// Keeps the receiver's answers to the logger's own commands out of the log files. The
// logger tags its commands with identifiers that begin "LG"; the receiver echoes them, so
// its replies are the frames "RE" or "ER" + three hexadecimal length digits + a body that
// begins "%LG". Those are dropped; every other byte passes through, in order.
#include <cstddef>
#include <cstdint>
#include <string>

namespace Gnss {

class ReplyFilter {
 public:
  static constexpr const char* kTag = "LG";

  // Appends to `out` the bytes that are not own replies. Up to 7 bytes that may begin one
  // are held back until the next call.
  void feed(const std::uint8_t* bytes, std::size_t n, std::string& out);
  // The end of the stream: held bytes began no reply after all.
  void flush(std::string& out);
  void reset() {
    head_.clear();
    skip_ = 0;
  }

 private:
  void scan(const std::uint8_t* b, std::size_t n, std::string& out);

  std::string head_;
  std::size_t skip_ = 0;  // bytes of an own reply still to drop
};

}  // namespace Gnss
