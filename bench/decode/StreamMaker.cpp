#include "StreamMaker.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "rcvsim/CmrMessages.h"
#include "rcvsim/Geodesy.h"
#include "rcvsim/NmeaMessages.h"
#include "rcvsim/RtcmMessages.h"
#include "rcvsim/SkyModel.h"
#include "rcvsim/ZrxMessages.h"

namespace benchdecode {

namespace {

const rcvsim::Geodetic kSite{47.3769, 8.5417, 430.0};

// Epoch after epoch until the target size; `make` appends one epoch's messages.
template <class Make>
Input build(const char* name, std::size_t target, Make make) {
  Input in;
  in.name = name;
  rcvsim::SkyModel sky(kSite, 7);
  std::int64_t t = 1796000000000;
  while (in.bytes.size() < target) {
    make(sky.at(t, 5.0, 2), in);
    t += 100;
  }
  return in;
}

}  // namespace

Input zrxStream(std::size_t target) {
  return build("ZRX", target, [](const rcvsim::SkyEpoch& ep, Input& in) {
    for (const auto& n : rcvsim::zrxNames()) {
      const std::string f = rcvsim::zrxMessage(n, ep);
      if (f.empty()) continue;
      in.bytes += f;
      ++in.messages;
    }
  });
}

Input nmeaStream(std::size_t target) {
  return build("NMEA", target, [](const rcvsim::SkyEpoch& ep, Input& in) {
    for (const auto& n : rcvsim::nmeaNames()) {
      const std::string s = rcvsim::nmeaMessage(n, ep);
      for (std::size_t at = 0; (at = s.find('$', at)) != std::string::npos; ++at) ++in.messages;
      in.bytes += s;
    }
  });
}

Input rtcm3Stream(std::size_t target) {
  const rcvsim::Ecef ref = rcvsim::toEcef(kSite);
  return build("RTCM_3", target, [&](const rcvsim::SkyEpoch& ep, Input& in) {
    for (const auto& n : rcvsim::rtcmNames()) {
      const std::string f = rcvsim::rtcmMessage(n, ep, ref);
      if (f.empty()) continue;
      in.bytes += f;
      ++in.messages;
    }
  });
}

Input cmrStream(std::size_t target) {
  const rcvsim::Ecef ref = rcvsim::toEcef(kSite);
  return build("CMR", target, [&](const rcvsim::SkyEpoch& ep, Input& in) {
    for (const auto& n : rcvsim::cmrNames()) {
      const std::string f = rcvsim::cmrMessage(n, ep, ref);
      if (f.empty()) continue;
      in.bytes += f;
      ++in.messages;
    }
  });
}

Input unknownHeavyStream(std::size_t target) {
  Input in;
  in.name = "unknown-heavy";
  const std::string gga =
      rcvsim::nmeaSentence("GPGGA,120000.00,4722.6140,N,00832.5020,E,1,08,0.9,430.0,M,48.0,M,,");
  std::uint64_t x = 88172645463325252ull;
  while (in.bytes.size() < target) {
    for (int i = 0; i < 4096; ++i) {
      x ^= x << 13;
      x ^= x >> 7;
      x ^= x << 17;
      in.bytes.push_back(static_cast<char>(0x20 + x % 95));  // printable, "$" included
    }
    in.bytes += "\r\n" + gga;
    ++in.messages;
  }
  return in;
}

Input lineEndStream(std::size_t target) {
  Input in;
  in.name = "line-ends";
  const std::string gga =
      rcvsim::nmeaSentence("GPGGA,120000.00,4722.6140,N,00832.5020,E,1,08,0.9,430.0,M,48.0,M,,");
  std::size_t pairs = 1;
  while (in.bytes.size() < target) {
    for (std::size_t i = 0; i < pairs; ++i) in.bytes += "\r\n";
    in.bytes += gga;
    ++in.messages;
    pairs = pairs >= (std::size_t{1} << 16) ? 1 : pairs * 4;
  }
  return in;
}

Input captureStream(const std::string& name, const std::string& path, std::size_t target) {
  Input in;
  in.name = name;
  std::ifstream f(path, std::ios::binary);
  const std::string one((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (one.empty()) return in;
  while (in.bytes.size() < target) in.bytes += one;
  return in;
}

Input shiftedRtcm2Stream(const std::string& name, const std::string& path, std::size_t target,
                         unsigned bits) {
  Input in = captureStream(name, path, 1);
  if (in.bytes.empty()) return in;
  std::vector<int> stream(bits, 0);
  for (unsigned char c : in.bytes) {
    if ((c & 0xC0) != 0x40) continue;
    for (int i = 0; i < 6; ++i) stream.push_back((c >> i) & 1);  // bit 0 goes first
  }
  std::string one;
  for (std::size_t i = 0; i + 6 <= stream.size(); i += 6) {
    int b = 0x40;
    for (int j = 0; j < 6; ++j) b |= stream[i + j] << j;
    one.push_back(static_cast<char>(b));
  }
  in.bytes.clear();
  while (in.bytes.size() < target) in.bytes += one;
  return in;
}

}  // namespace benchdecode
