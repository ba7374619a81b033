#include "session/PacketScrambler.h"

#include <array>
#include <cstring>

namespace ServerLink {
namespace {

// The permutation of one block: mask bit i (counted from the top bit of the
// first byte) sends bit i to the front group, a clear bit to the back group.
struct BlockMask {
  std::array<std::uint8_t, kMaxKey> bits{};
  std::size_t ones = 0;

  BlockMask(std::string_view key, std::size_t count) {
    for (std::size_t j = 0; j < count; ++j) {
      const auto b = static_cast<std::uint8_t>(key[j]);
      bits[j] = static_cast<std::uint8_t>(b ^ static_cast<std::uint8_t>((b << 4) | (b >> 4)));
      ones += static_cast<std::size_t>(__builtin_popcount(bits[j]));
    }
  }
  bool set(std::size_t i) const { return (bits[i / 8] >> (7 - i % 8)) & 1; }
};

bool getBit(const std::uint8_t* p, std::size_t i) {
  return (p[i / 8] >> (7 - i % 8)) & 1;
}
void putBit(std::uint8_t* p, std::size_t i, bool v) {
  const auto m = static_cast<std::uint8_t>(0x80u >> (i % 8));
  p[i / 8] = static_cast<std::uint8_t>(v ? (p[i / 8] | m) : (p[i / 8] & ~m));
}

template <bool Scramble>
void permute(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::string_view key) {
  const std::size_t k = key.size() < kMaxKey ? key.size() : kMaxKey;
  if (k == 0) return;
  const BlockMask full(key, k);
  for (std::size_t at = 0; at < n; at += k) {
    const std::size_t count = n - at < k ? n - at : k;
    const BlockMask mask = count == k ? full : BlockMask(key, count);
    std::size_t front = 0, back = mask.ones;
    for (std::size_t i = 0; i < count * 8; ++i) {
      const std::size_t to = mask.set(i) ? front++ : back++;
      if (Scramble)
        putBit(out + at, to, getBit(in + at, i));
      else
        putBit(out + at, i, getBit(in + at, to));
    }
  }
}

void putLe32(std::uint8_t* p, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) p[k] = static_cast<std::uint8_t>(v >> (8 * k));
}
std::uint32_t getLe32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
         (std::uint32_t{p[3]} << 24);
}

}  // namespace

bool isFrameTag(const std::uint8_t* p, std::size_t n) {
  return n >= kFrameHeader && p[3] == 'N' && p[4] == 'L' && p[5] == 'G';
}

std::uint32_t frameChecksum(const std::uint8_t* p, std::size_t n) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < n; i += 4) {
    std::uint32_t w = 0;
    for (std::size_t k = 0; k < 4 && i + k < n; ++k) w |= static_cast<std::uint32_t>(p[i + k]) << (8 * k);
    sum += ((w >> 31) == (sum >> 31)) ? w + 1 : w;
  }
  return sum;
}

void scrambleBits(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::string_view key) {
  permute<true>(in, out, n, key);
}

void unscrambleBits(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::string_view key) {
  permute<false>(in, out, n, key);
}

std::vector<std::uint8_t> CryptPacket(const std::uint8_t* in, std::size_t n, std::string_view key) {
  if (!in || n == 0 || n > kMaxPlain || key.empty() || key.size() > kMaxKey) return {};
  std::vector<std::uint8_t> block(n + kFrameChecksum);
  std::memcpy(block.data(), in, n);
  putLe32(block.data() + n, frameChecksum(in, n));
  std::vector<std::uint8_t> frame(kFrameHeader + block.size());
  frame[0] = static_cast<std::uint8_t>(frame.size() & 0xFF);
  frame[1] = static_cast<std::uint8_t>(frame.size() >> 8);
  frame[2] = static_cast<std::uint8_t>(kFrameHeader);
  std::memcpy(frame.data() + 3, "NLG", 3);
  scrambleBits(block.data(), frame.data() + kFrameHeader, block.size(), key);
  return frame;
}

std::size_t UnCryptPacket(std::uint8_t* frame, std::size_t available, std::string_view key) {
  if (!frame || !isFrameTag(frame, available) || frame[2] != kFrameHeader) return 0;
  if (key.empty() || key.size() > kMaxKey) return 0;
  const std::size_t length = frameLength(frame);
  if (length < kMinFrame || length > kMaxFrame || length > available) return 0;
  const std::size_t block = length - kFrameHeader;
  std::array<std::uint8_t, kMaxFrame> plain;
  unscrambleBits(frame + kFrameHeader, plain.data(), block, key);
  std::memcpy(frame, plain.data(), block);
  const std::size_t n = block - kFrameChecksum;
  return frameChecksum(frame, n) == getLe32(frame + n) ? n : 0;
}

}  // namespace ServerLink
