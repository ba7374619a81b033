#include "FrameScanner.h"

#include <algorithm>

#include "parsers/Crc24q.h"

namespace engine::rtcm3 {

void FrameScanner::write(const std::uint8_t* bytes, std::size_t count) {
  m_pending.insert(m_pending.end(), bytes, bytes + count);
  std::size_t at = 0;
  while (at < m_pending.size()) {
    const std::uint8_t* p = m_pending.data() + at;
    const std::size_t left = m_pending.size() - at;
    if (p[0] != kPreamble) {
      const auto* next = static_cast<const std::uint8_t*>(std::find(p, p + left, kPreamble));
      m_skipped += static_cast<std::uint64_t>(next - p);
      at += static_cast<std::size_t>(next - p);
      continue;
    }
    if (left < kHeaderSize) break;
    const std::size_t length = payloadLength(p);
    const std::size_t frame = kHeaderSize + length + kCrcSize;
    if (left < frame) break;
    const std::uint32_t crc = crc24q(p, kHeaderSize + length);
    const std::uint8_t* c = p + kHeaderSize + length;
    if (length >= 2 && crc == ((std::uint32_t{c[0]} << 16) | (std::uint32_t{c[1]} << 8) | c[2])) {
      ++m_frames;
      m_sink(p + kHeaderSize, length);
      at += frame;
    } else {
      ++m_skipped;
      ++at;
    }
  }
  m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace engine::rtcm3
