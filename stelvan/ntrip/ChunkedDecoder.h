#pragma once
// Undoes HTTP/1.1 chunked transfer coding (an NTRIP 2.0 stream) incrementally:
// chunk-size lines, extensions and trailers are dropped, chunk data is
// appended to the output. A malformed size line or a chunk above kMaxChunk
// is an error; after the last chunk nothing more is taken. Not thread-safe.
#include <cstddef>
#include <cstdint>
#include <string>

namespace Ntrip {

class ChunkedDecoder {
 public:
  enum class State { Size, Extension, SizeEnd, Data, DataCr, DataLf, Trailer, TrailerLine, Done, Error };
  static constexpr std::uint64_t kMaxChunk = 1u << 24;

  // Appends the data carried by `count` bytes to `out`; false once in error.
  bool Feed(const char* bytes, std::size_t count, std::string& out);
  bool done() const { return state_ == State::Done; }
  bool failed() const { return state_ == State::Error; }
  const std::string& error() const { return error_; }

 private:
  bool sizeDigit(char c);
  void fail(const std::string& why);

  State state_ = State::Size;
  std::uint64_t remaining_ = 0;
  int digits_ = 0;
  std::string error_;
};

}  // namespace Ntrip
