// Property: the server's request reader, fed any bytes cut into any reads,
//  - never reads outside the bytes it was given (ASan on the reader's buffer),
//  - makes progress on every call (consumes bytes, or asks for more while the buffer has room),
//  - yields the same requests and blocks however the stream is cut,
//  - never yields a request whose text holds a zero byte, nor a block of more than 4096 bytes.
// Input: byte 0 seeds the read sizes (0: one read) and, with its top bit, wraps the first
// part of the stream in a valid scrambled frame so that restored frames are reached.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "session/PacketScrambler.h"
#include "session/RequestReader.h"

using namespace ServerLink;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

std::vector<std::string> readAll(const std::vector<std::uint8_t>& stream, unsigned seed) {
  RequestReader reader;
  std::vector<std::string> out;
  std::size_t at = 0;
  unsigned x = seed * 2654435761u + 1;
  IncomingRequest r;
  for (int rounds = 0; at < stream.size(); ++rounds) {
    check(rounds < 1000000);
    x = x * 1103515245u + 12345u;
    const std::size_t want = seed == 0 ? stream.size() - at : 1 + (x >> 16) % 97;
    at += reader.feed(stream.data() + at, std::min(want, stream.size() - at));
    for (int calls = 0;; ++calls) {
      check(calls <= 140000);
      const std::size_t before = reader.buffered();
      const RequestScan s = reader.next(r);
      if (s == RequestScan::NeedMore) {
        check(!reader.writable().empty());
        break;
      }
      check(reader.buffered() < before);
      if (s == RequestScan::Request) {
        check(r.text.find('\0') == std::string::npos);
        out.push_back("R" + std::to_string(r.rcvId) + ":" + r.text);
      } else if (s == RequestScan::Block) {
        check(r.data.size() <= RequestReader::kMaxBlockData);
        out.push_back("B" + r.verb + std::to_string(r.handle) + "/" + std::to_string(r.block) + ":" + r.data);
      }
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  std::vector<std::uint8_t> stream(data + 1, data + size);
  if ((data[0] & 0x80) && !stream.empty()) {
    const std::size_t n = std::min(stream.size(), kMaxPlain);
    std::vector<std::uint8_t> frame = CryptPacket(stream.data(), n);
    frame.insert(frame.end(), stream.begin() + static_cast<long>(n), stream.end());
    stream.swap(frame);
  }
  if (stream.size() > RequestReader::kInputBuffer) return 0;
  const auto whole = readAll(stream, 0);
  const auto split = readAll(stream, (data[0] & 0x7F) | 1u);
  check(whole == split);
  return 0;
}
