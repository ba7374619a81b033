#include "CmrMessages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace rcvsim {

namespace {

// CMR header: version (3 bits), station (5), message type (3), satellite count (5),
// epoch time in milliseconds of the GPS week / 2 (18 bits, wrapping), clock flags.
std::string header(int type, int count, std::int64_t utcMs) {
  const std::uint32_t t = static_cast<std::uint32_t>((utcMs / 2) & 0x3FFFF);
  std::string h;
  h.push_back(static_cast<char>((3 << 5) | 0));
  h.push_back(static_cast<char>(((type & 7) << 5) | (count & 0x1F)));
  h.push_back(static_cast<char>(t >> 10));
  h.push_back(static_cast<char>((t >> 2) & 0xFF));
  h.push_back(static_cast<char>((t & 3) << 6));
  h.push_back(0);
  return h;
}

void put32(std::string& s, std::int64_t v) {
  for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::string frame(const std::string& data) {
  std::string f;
  f.push_back(0x02);
  f.push_back(0x00);
  f.push_back(static_cast<char>(0x93));
  f.push_back(static_cast<char>(data.size() & 0xFF));
  f += data;
  unsigned sum = 0;
  for (std::size_t i = 1; i < f.size(); ++i) sum += static_cast<unsigned char>(f[i]);
  f.push_back(static_cast<char>(sum & 0xFF));
  f.push_back(0x03);
  return f;
}

}  // namespace

const std::vector<std::string>& cmrNames() {
  static const std::vector<std::string> n = {"0", "1", "2"};
  return n;
}

std::string cmrMessage(const std::string& name, const SkyEpoch& ep, const Ecef& ref) {
  if (name == "0") {
    std::string d;
    int count = 0;
    for (const SatView& s : ep.sats) {
      if (s.sys != Gnss::Gps || count == 24 || d.size() + 14 > 240) continue;
      const std::uint32_t code = static_cast<std::uint32_t>(std::fmod(s.range, 299792.458) / 0.02) & 0xFFFFFF;
      d.push_back(static_cast<char>((s.number & 0x1F) << 3));
      d.push_back(static_cast<char>(code >> 16));
      d.push_back(static_cast<char>(code >> 8));
      d.push_back(static_cast<char>(code));
      d.push_back(static_cast<char>(std::lround(s.snr) & 0xFF));
      d.push_back(static_cast<char>(std::min<std::uint32_t>(s.lockSec, 255)));
      ++count;
    }
    return frame(header(0, count, ep.utcMs) + d);
  }
  if (name == "1") {
    std::string d = header(1, 0, ep.utcMs);
    put32(d, std::llround(ref.x * 100.0));  // centimetres
    put32(d, std::llround(ref.y * 100.0));
    put32(d, std::llround(ref.z * 100.0));
    return frame(d);
  }
  if (name == "2") {
    std::string d = header(2, 0, ep.utcMs);
    const std::string shortId = "SIM0", cogo = "RCVSIM BASE     ", longId = "Simulated reference";
    d += shortId;
    d += cogo;
    d.push_back(static_cast<char>(longId.size()));
    d += longId;
    return frame(d);
  }
  return std::string();
}

}  // namespace rcvsim
