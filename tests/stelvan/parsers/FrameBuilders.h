#pragma once
// Builders of well-formed frames of the five formats for tests (the checksums
// come from the shared framing code or are computed here from the standards).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "decode/parsers/Crc24q.h"
#include "decode/parsers/Rtcm2Word.h"
#include "gridlink/Framing.h"

namespace ptest {

inline std::string hex3(std::size_t n) {
  char b[8];
  std::snprintf(b, sizeof b, "%03zX", n);
  return b;
}

// ZRX frames. Binary: checksum8 byte appended; Crc: crc16 low byte first; HexText: uppercase digits.
enum class Seal { None, Binary, Crc, HexText };
inline std::string zrx(const std::string& id, const std::string& body, Seal seal) {
  const std::size_t extra = seal == Seal::None ? 0 : seal == Seal::Binary ? 1 : 2;
  std::string f = id + hex3(body.size() + extra) + body;
  if (seal == Seal::Binary) {
    f.push_back(static_cast<char>(Zrx::checksum8(f.data(), f.size())));
  } else if (seal == Seal::Crc) {
    const std::uint16_t c = Zrx::crc16(f.data(), f.size());
    f.push_back(static_cast<char>(c & 0xFF));
    f.push_back(static_cast<char>(c >> 8));
  } else if (seal == Seal::HexText) {
    const auto cs = Zrx::textChecksum(f.data(), f.size(), true);
    f.append(cs.data(), 2);
  }
  return f;
}

inline std::string nmea(const std::string& inner) {
  unsigned x = 0;
  for (unsigned char c : inner) x ^= c;
  char cs[4];
  std::snprintf(cs, sizeof cs, "%02X", x);
  return "$" + inner + "*" + cs;
}

inline std::string rtcm3(unsigned number, std::size_t payloadSize, std::uint8_t fill = 0x5A) {
  std::string f(3 + payloadSize, static_cast<char>(fill));
  f[0] = static_cast<char>(0xD3);
  f[1] = static_cast<char>((payloadSize >> 8) & 0x03);
  f[2] = static_cast<char>(payloadSize & 0xFF);
  if (payloadSize >= 2) {
    f[3] = static_cast<char>(number >> 4);
    f[4] = static_cast<char>(((number & 0x0F) << 4) | (fill & 0x0F));
  }
  const std::uint32_t crc = engine::rtcm3::crc24q(reinterpret_cast<const std::uint8_t*>(f.data()), f.size());
  f.push_back(static_cast<char>(crc >> 16));
  f.push_back(static_cast<char>(crc >> 8));
  f.push_back(static_cast<char>(crc));
  return f;
}

// Recomputes the CRC of a built RTCM 3 frame after its bytes were changed.
inline std::string resealRtcm3(std::string f) {
  f.resize(f.size() - 3);
  const std::uint32_t crc = engine::rtcm3::crc24q(reinterpret_cast<const std::uint8_t*>(f.data()), f.size());
  f.push_back(static_cast<char>(crc >> 16));
  f.push_back(static_cast<char>(crc >> 8));
  f.push_back(static_cast<char>(crc));
  return f;
}

// RTCM 2: header words (preamble, type, station; Z-count, sequence, count,
// health) and data words as raw 30-bit words, with parity chained from the
// previous word's D29*, D30* (updated) and data complemented after a set D30*.
inline std::vector<std::uint32_t> rtcm2Words(unsigned type, unsigned station,
                                             const std::vector<std::uint32_t>& data, unsigned& d29,
                                             unsigned& d30) {
  std::vector<std::uint32_t> words{
      (0x66u << 16) | ((type & 0x3F) << 10) | (station & 0x3FF),
      (1234u << 11) | (3u << 8) | ((static_cast<unsigned>(data.size()) & 0x1F) << 3)};
  words.insert(words.end(), data.begin(), data.end());
  for (std::uint32_t& w : words) {
    std::uint32_t raw = 0;
    for (std::uint32_t parity = 0; parity < 64; ++parity) {
      raw = (((w & 0xFFFFFF) << 6) ^ (d30 ? engine::rtcm2::kDataMask : 0)) | parity;
      if (engine::rtcm2::parityOk(raw, d29, d30)) break;
    }
    w = raw;
    d29 = (raw >> 1) & 1;
    d30 = raw & 1;
  }
  return words;
}

// Raw words as stream bytes, the first word starting at bit `offset` (0..5)
// of the first byte; the bits before it and after the last word are zero.
inline std::string rtcm2Bytes(const std::vector<std::uint32_t>& raw, unsigned offset = 0) {
  std::vector<unsigned> bits(offset, 0);
  for (std::uint32_t w : raw)
    for (int i = 29; i >= 0; --i) bits.push_back((w >> i) & 1);
  while (bits.size() % 6) bits.push_back(0);
  std::string out;
  for (std::size_t i = 0; i < bits.size(); i += 6) {
    unsigned b = 0x40;
    for (unsigned j = 0; j < 6; ++j) b |= bits[i + j] << j;  // the stream's first bit is the byte's bit 0
    out.push_back(static_cast<char>(b));
  }
  return out;
}

// One message on byte boundaries, its parity chain starting afresh.
inline std::string rtcm2(unsigned type, unsigned station, const std::vector<std::uint32_t>& data,
                         bool inverted = false) {
  unsigned d29 = 0, d30 = inverted ? 1 : 0;
  return rtcm2Bytes(rtcm2Words(type, station, data, d29, d30));
}

inline std::string cmr(std::uint8_t frameType, const std::string& data, int checksumDelta = 0,
                       std::uint8_t end = 0x03) {
  std::string f{'\x02', '\x00', static_cast<char>(frameType), static_cast<char>(data.size())};
  f += data;
  unsigned s = 0;
  for (std::size_t i = 1; i < f.size(); ++i) s += static_cast<unsigned char>(f[i]);
  f.push_back(static_cast<char>((s + static_cast<unsigned>(checksumDelta)) & 0xFF));
  f.push_back(static_cast<char>(end));
  return f;
}

// A CMR 0x93 data block whose second byte carries `type` in its top three bits.
inline std::string cmrData(unsigned type, std::size_t size = 12) {
  std::string d(size, '\x11');
  if (size > 1) d[1] = static_cast<char>((type & 7) << 5);
  return d;
}

}  // namespace ptest
