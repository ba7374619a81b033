// Property: scanning any byte stream with findFrame, as a link's reader does,
// never reads past the buffered bytes (the buffer is an exact-size heap block,
// so ASan sees any over-read), always makes progress, and never yields a frame
// longer than 4100 bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gridlink/Framing.h"

namespace {

// Scans buf[0, size) to the end; returns how many bytes stay for the next read.
std::size_t scanAll(const std::uint8_t* buf, std::size_t size) {
  std::size_t pos = 0;
  for (;;) {
    const Zrx::FrameScan scan = Zrx::findFrame(buf + pos, size - pos);
    if (scan.skip > size - pos || scan.length > Zrx::kMaxFrame) std::abort();
    if (!scan.complete) {
      pos += scan.skip;
      // Waiting is only allowed when nothing more can be decided.
      if (size - pos >= 6 && scan.length == 0) std::abort();
      return size - pos;
    }
    if (scan.length < Zrx::kHeaderSize || scan.skip + scan.length > size - pos) std::abort();
    const std::uint8_t* frame = buf + pos + scan.skip;
    if (frame[0] == '>' && frame[1] == '>') (void)Zrx::wrapperChecksumOk(frame, scan.length);
    pos += scan.skip + scan.length;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Two reads split at a point chosen by the first byte, so frames that
  // straddle reads are exercised too.
  const std::size_t split = size ? data[0] % (size + 1) : 0;
  std::size_t kept = 0;
  std::vector<std::uint8_t> carry;
  for (int read = 0; read < 2; ++read) {
    const std::uint8_t* chunk = data + (read == 0 ? 0 : split);
    const std::size_t chunkSize = read == 0 ? split : size - split;
    const std::size_t total = carry.size() + chunkSize;
    auto* exact = static_cast<std::uint8_t*>(std::malloc(total ? total : 1));
    if (!carry.empty()) std::memcpy(exact, carry.data(), carry.size());
    if (chunkSize) std::memcpy(exact + carry.size(), chunk, chunkSize);
    kept = scanAll(exact, total);
    carry.assign(exact + (total - kept), exact + total);
    std::free(exact);
  }
  (void)Zrx::sealCommand(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
