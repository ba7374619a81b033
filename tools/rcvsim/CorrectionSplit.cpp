#include "CorrectionSplit.h"

#include <cstdint>

#include "RtcmMessages.h"

namespace rcvsim {

void CorrectionSplit::feed(const char* bytes, std::size_t count, const Sink& text, const Sink& frame) {
  std::string in = std::move(pending_);
  pending_.clear();
  in.append(bytes, count);
  std::size_t textStart = 0, at = 0;
  auto flushText = [&](std::size_t end) {
    if (end > textStart) text(in.data() + textStart, end - textStart);
  };
  while (at < in.size()) {
    if (in[at] != '\xD3') {
      ++at;
      continue;
    }
    flushText(at);
    const auto* p = reinterpret_cast<const std::uint8_t*>(in.data() + at);
    const std::size_t left = in.size() - at;
    if (left < 3) {
      pending_ = in.substr(at);
      return;
    }
    const std::size_t length = (static_cast<std::size_t>(p[1] & 3) << 8) | p[2];
    bool whole = (p[1] & 0xFC) == 0;
    if (whole && left < length + 6) {
      pending_ = in.substr(at);
      return;
    }
    if (whole) {
      const std::uint32_t crc = (static_cast<std::uint32_t>(p[length + 3]) << 16) |
                                (static_cast<std::uint32_t>(p[length + 4]) << 8) | p[length + 5];
      whole = crc24q(p, length + 3) == crc;
    }
    if (whole) {
      frame(in.data() + at, length + 6);
      at += length + 6;
    } else {
      ++at;  // no frame starts here: the byte is dropped, what follows is read afresh
    }
    textStart = at;
  }
  flushText(in.size());
}

}  // namespace rcvsim
