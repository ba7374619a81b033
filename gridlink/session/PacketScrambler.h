#pragma once
// Scrambled frames, used in both directions when scrambling is on:
//   16-bit little-endian frame length (scrambled block + 6), the header length
//   6, "NLG", then the scrambled block: the plain packet and its 32-bit frame
//   checksum (little-endian), bit-permuted block by block under the key.
// Pure functions on caller buffers; any thread.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace ServerLink {

constexpr std::string_view kPacketKey = "BrantoQX";
constexpr std::size_t kMaxKey = 32;
constexpr std::size_t kFrameHeader = 6;
constexpr std::size_t kFrameChecksum = 4;
constexpr std::size_t kMaxFrame = 4096;
constexpr std::size_t kMaxPlain = kMaxFrame - kFrameHeader - kFrameChecksum;  // 4086
constexpr std::size_t kMinFrame = kFrameHeader + kFrameChecksum + 1;

// True when the header of a scrambled frame may start at p (n bytes there);
// needs 6 bytes, looks only at the "NLG" tag.
bool isFrameTag(const std::uint8_t* p, std::size_t n);

// Sum of little-endian 32-bit words (the last padded with zeros), adding one
// more whenever the word's top bit equals the top bit of the sum so far.
std::uint32_t frameChecksum(const std::uint8_t* p, std::size_t n);

// The bit permutation. in and out hold n bytes each and must not overlap.
// The key must not be empty.
void scrambleBits(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::string_view key);
void unscrambleBits(const std::uint8_t* in, std::uint8_t* out, std::size_t n, std::string_view key);

// The frame for n plain bytes; empty (refused) when n is 0, the frame would
// exceed 4096 bytes (n > 4086), or the key is empty or longer than 32 bytes.
std::vector<std::uint8_t> CryptPacket(const std::uint8_t* in, std::size_t n,
                                      std::string_view key = kPacketKey);

// Restores the frame at the front of `frame` (`available` bytes there) in
// place: the plain packet then starts at frame[0]. Returns the plain length
// (without the frame checksum), or 0 when the frame is malformed, longer than
// `available`, or its checksum does not match. Only the frame's own bytes are
// read or written; after 0 they hold unspecified data.
std::size_t UnCryptPacket(std::uint8_t* frame, std::size_t available, std::string_view key = kPacketKey);

// Frame length from a frame header (6 bytes at p).
inline std::size_t frameLength(const std::uint8_t* p) {
  return std::size_t{p[0]} | (std::size_t{p[1]} << 8);
}

}  // namespace ServerLink
