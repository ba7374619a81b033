#include "Rtcm2Messages.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace rcvsim {

namespace {

class Bits {
 public:
  void put(std::uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) bits_.push_back(((value >> i) & 1u) != 0);
  }
  void putSigned(std::int64_t value, int count) {
    put(static_cast<std::uint64_t>(value) & ((1ull << count) - 1), count);
  }
  // Fills the last data word with the 1010... pattern.
  void fill() {
    for (bool one = true; bits_.size() % 24 != 0; one = !one) bits_.push_back(one);
  }
  std::size_t words() const { return bits_.size() / 24; }
  std::uint32_t word(std::size_t i) const {
    std::uint32_t w = 0;
    for (std::size_t b = 0; b < 24; ++b) w = w << 1 | (bits_[i * 24 + b] ? 1u : 0u);
    return w;
  }

 private:
  std::vector<bool> bits_;
};

unsigned parity(std::uint32_t x) {
  unsigned p = 0;
  for (; x != 0; x &= x - 1) p ^= 1u;
  return p;
}

// Data bits d1..d24 of a word as a mask (d1 the highest of 24).
constexpr std::uint32_t dataMask(std::initializer_list<int> bits) {
  std::uint32_t m = 0;
  for (int i : bits) m |= 1u << (24 - i);
  return m;
}

// The transmitted 30 bits of one data word after a word that ended in D29*, D30*.
std::uint32_t sealWord(std::uint32_t data, unsigned& d29, unsigned& d30) {
  struct Equation {
    std::uint32_t mask;
    bool withD29;
  };
  static const Equation kParity[6] = {
      {dataMask({1, 2, 3, 5, 6, 10, 11, 12, 13, 14, 17, 18, 20, 23}), true},
      {dataMask({2, 3, 4, 6, 7, 11, 12, 13, 14, 15, 18, 19, 21, 24}), false},
      {dataMask({1, 3, 4, 5, 7, 8, 12, 13, 14, 15, 16, 19, 20, 22}), true},
      {dataMask({2, 4, 5, 6, 8, 9, 13, 14, 15, 16, 17, 20, 21, 23}), false},
      {dataMask({1, 3, 5, 6, 7, 9, 10, 14, 15, 16, 17, 18, 21, 22, 24}), false},
      {dataMask({3, 5, 6, 8, 9, 10, 11, 13, 15, 19, 22, 23, 24}), true},
  };
  std::uint32_t p = 0;
  for (const Equation& e : kParity) p = p << 1 | (parity(data & e.mask) ^ (e.withD29 ? d29 : d30));
  const std::uint32_t sent = (d30 ? data ^ 0xFFFFFFu : data) << 6 | p;
  d29 = (p >> 1) & 1u;
  d30 = p & 1u;
  return sent;
}

std::string message(int type, const SkyEpoch& ep, Bits& body, Rtcm2Tail& tail) {
  body.fill();
  const std::int64_t hourMs = ep.utcMs % 3600000;
  const std::uint32_t first = 0x66u << 16 | static_cast<std::uint32_t>(type) << 10;  // station 0
  const std::uint32_t second = static_cast<std::uint32_t>(hourMs / 600) << 11 |
                               (tail.sequence++ & 7u) << 8 |
                               static_cast<std::uint32_t>(body.words()) << 3;  // health 0: UDRE scale 1
  std::vector<std::uint32_t> data = {first, second};
  for (std::size_t i = 0; i < body.words(); ++i) data.push_back(body.word(i));
  std::string out;
  for (std::uint32_t d : data) {
    const std::uint32_t w = sealWord(d, tail.d29, tail.d30);
    for (int g = 4; g >= 0; --g) {
      const unsigned six = (w >> (6 * g)) & 0x3Fu;
      unsigned reversed = 0;
      for (int b = 0; b < 6; ++b) reversed |= ((six >> b) & 1u) << (5 - b);
      out.push_back(static_cast<char>(0x40u | reversed));
    }
  }
  return out;
}

}  // namespace

bool isRtcm2Name(const std::string& name) {
  return name == "1" || name == "3";
}

std::string rtcm2Message(const std::string& name, const SkyEpoch& ep, const Ecef& reference, Rtcm2Tail& tail) {
  Bits body;
  if (name == "3") {
    for (double c : {reference.x, reference.y, reference.z}) body.putSigned(std::llround(c * 100.0), 32);
    return message(3, ep, body, tail);
  }
  if (name != "1") return std::string();
  int count = 0;
  for (const SatView& s : ep.sats) {
    if (s.sys != Gnss::Gps || count == 12) continue;
    body.put(0, 1);                                                             // scale factor 0.02 m
    body.put(0, 2);                                                             // UDRE
    body.put(static_cast<unsigned>(s.number) & 0x1Fu, 5);                       // 32 is sent as 0
    body.putSigned(std::llround((std::fmod(s.range, 100.0) - 50.0) / 0.02), 16);  // range correction
    body.putSigned(0, 8);                                                       // its rate
    body.put(static_cast<unsigned>(ep.utcMs / 7200000) & 0xFFu, 8);             // IOD
    ++count;
  }
  return message(1, ep, body, tail);
}

}  // namespace rcvsim
