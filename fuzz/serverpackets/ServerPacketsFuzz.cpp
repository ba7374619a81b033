// Property: the server packet reader, fed any bytes cut into any reads,
//  - never reads outside the bytes it holds (scans run on exact-size copies),
//  - makes progress on every call (consumes bytes, or asks for more while
//    leaving room for a read of at least 2 bytes),
//  - yields the same packets however the stream is cut,
//  - yields remote packets only with a matching checksum.
// Input: byte 0 picks the form (bit 0: remote) and, with bit 1, wraps the
// first packet-sized part in a valid scrambled frame so that restored frames
// are reached; byte 1 seeds the read sizes; the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "session/PacketScrambler.h"
#include "session/ServerPacketReader.h"

using namespace ServerLink;

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

std::vector<std::string> readAll(const std::vector<std::uint8_t>& stream, PacketForm form, unsigned seed) {
  ServerPacketReader reader(form);
  std::vector<std::string> out;
  std::size_t at = 0;
  unsigned x = seed * 2654435761u + 1;
  ServerPacket p;
  for (int rounds = 0; at < stream.size(); ++rounds) {
    check(rounds < 1000000);
    x = x * 1103515245u + 12345u;
    const std::size_t want = seed == 0 ? stream.size() - at : 1 + (x >> 16) % 97;
    const std::size_t n = std::min(want, stream.size() - at);
    at += reader.feed(stream.data() + at, n);
    for (int calls = 0;; ++calls) {
      check(calls <= 70000);
      const std::size_t before = reader.buffered();
      const ScanStatus s = reader.next(p);
      if (s == ScanStatus::NeedMore) {
        check(reader.writable().size() >= 2);
        break;
      }
      check(reader.buffered() < before);
      if (s == ScanStatus::Packet) {
        if (form == PacketForm::Remote) check(p.payload.size() + minPacket(form) <= kMaxPacket);
        out.emplace_back(reinterpret_cast<const char*>(p.payload.data()), p.payload.size());
        out.back() += std::to_string(p.type) + "/" + std::to_string(p.rcvId);
      }
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const PacketForm form = (data[0] & 1) ? PacketForm::Remote : PacketForm::Local;
  std::vector<std::uint8_t> stream(data + 2, data + size);
  if (data[0] & 2 && !stream.empty()) {
    const std::size_t n = std::min(stream.size(), kMaxPlain);
    std::vector<std::uint8_t> frame = CryptPacket(stream.data(), n);
    frame.insert(frame.end(), stream.begin() + static_cast<long>(n), stream.end());
    stream.swap(frame);
  }
  if (stream.size() > ServerPacketReader::kInputBuffer) return 0;

  // One scan on an exact-size heap copy: any read past the end trips ASan.
  {
    auto* exact = static_cast<std::uint8_t*>(std::malloc(stream.size() ? stream.size() : 1));
    if (!stream.empty()) std::memcpy(exact, stream.data(), stream.size());
    const ScanResult r = scanServerPacket(exact, stream.size(), form);
    check(r.consumed <= stream.size());
    if (r.status == ScanStatus::Packet) check(r.payloadOffset + r.payloadLength <= stream.size());
    if (r.status == ScanStatus::Dropped) check(r.consumed >= 1);
    std::free(exact);
  }

  const auto whole = readAll(stream, form, 0);
  const auto split = readAll(stream, form, data[1] | 1u);
  check(whole == split);
  return 0;
}
