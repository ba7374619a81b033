#include "ChunkedDecoder.h"

#include <algorithm>

namespace Ntrip {

void ChunkedDecoder::fail(const std::string& why) {
  state_ = State::Error;
  error_ = why;
}

bool ChunkedDecoder::sizeDigit(char c) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  if (v < 0) return false;
  remaining_ = remaining_ * 16 + static_cast<unsigned>(v);
  ++digits_;
  if (remaining_ > kMaxChunk) fail("a chunk larger than " + std::to_string(kMaxChunk) + " bytes");
  return true;
}

bool ChunkedDecoder::Feed(const char* bytes, std::size_t count, std::string& out) {
  for (std::size_t i = 0; i < count && state_ != State::Error && state_ != State::Done;) {
    const char c = bytes[i];
    switch (state_) {
      case State::Size:
        if (sizeDigit(c)) break;
        if (digits_ == 0) {
          fail("a chunk size line that does not start with a hexadecimal digit");
          break;
        }
        state_ = c == '\r' ? State::SizeEnd : c == '\n' ? State::Data : State::Extension;
        if (c != '\r' && c != '\n' && c != ';' && c != ' ' && c != '\t') fail("a malformed chunk size line");
        if (state_ == State::Data && remaining_ == 0) state_ = State::Trailer;
        break;
      case State::Extension:
        if (c == '\r') state_ = State::SizeEnd;
        if (c == '\n') state_ = remaining_ == 0 ? State::Trailer : State::Data;
        break;
      case State::SizeEnd:
        if (c != '\n') {
          fail("a chunk size line without its line end");
          break;
        }
        state_ = remaining_ == 0 ? State::Trailer : State::Data;
        break;
      case State::Data: {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(remaining_, count - i));
        out.append(bytes + i, n);
        i += n;
        remaining_ -= n;
        if (remaining_ == 0) state_ = State::DataCr;
        continue;
      }
      case State::DataCr:
        if (c == '\n') {
          state_ = State::Size;
          digits_ = 0;
        } else if (c == '\r') {
          state_ = State::DataLf;
        } else {
          fail("chunk data longer than its size line said");
        }
        break;
      case State::DataLf:
        if (c != '\n') {
          fail("chunk data longer than its size line said");
          break;
        }
        state_ = State::Size;
        digits_ = 0;
        break;
      case State::Trailer:
        // An empty line ends the message; anything else is a trailer field.
        if (c == '\n')
          state_ = State::Done;
        else if (c != '\r')
          state_ = State::TrailerLine;
        break;
      case State::TrailerLine:
        if (c == '\n') state_ = State::Trailer;
        break;
      case State::Done:
      case State::Error:
        break;
    }
    ++i;
  }
  return state_ != State::Error;
}

}  // namespace Ntrip
