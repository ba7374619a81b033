#pragma once
// CMR framing: STX, status, type, length, data, checksum, ETX.
#include <cstddef>
#include <cstdint>

namespace engine::cmr {

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kStatus = 0x00;
constexpr std::uint8_t kTypeObservables = 0x93;
constexpr std::uint8_t kTypeSsi = 0x94;
constexpr std::size_t kHeaderSize = 4;
constexpr std::size_t kFrameOverhead = 6;  // header + checksum + ETX

inline bool headerOk(const std::uint8_t* h) {
  return h[0] == kStx && h[1] == kStatus && (h[2] == kTypeObservables || h[2] == kTypeSsi);
}
// Sum modulo 256 of status, type, length and the data bytes.
inline std::uint8_t checksum(const std::uint8_t* header, const std::uint8_t* data, std::size_t n) {
  unsigned s = header[1] + header[2] + header[3];
  for (std::size_t i = 0; i < n; ++i) s += data[i];
  return static_cast<std::uint8_t>(s);
}
// CMR message type of a 0x93 frame: the top three bits of the second data byte; -1 when L < 2.
inline int messageType(const std::uint8_t* data, std::size_t n) {
  return n > 1 ? data[1] >> 5 : -1;
}

}  // namespace engine::cmr
