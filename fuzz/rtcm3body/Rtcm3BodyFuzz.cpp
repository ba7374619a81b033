// Fuzz target for the RTCM 3 contents decoder and frame scanner.
// Property: any body decodes without reading outside it, into contents that
// keep their own limits (MSM ids in range, at most 64 cells and no more than
// its satellites times signals), printed as one line of JSON without raw
// control bytes; the scanner finds the same frames whether the bytes come
// in one write or in two pieces split anywhere.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "RtcmJson.h"
#include "rtcm3/FrameScanner.h"
#include "rtcm3/MessageContents.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void checkBody(const std::uint8_t* p, std::size_t n) {
  using namespace engine::rtcm3;
  const MessageContents c = decodeContents(p, n);
  if (c.kind == ContentKind::Observations && c.observations.msmKind > 0) {
    const auto& o = c.observations;
    check(o.cells >= 0 && static_cast<std::size_t>(o.cells) <= o.satellites.size() * o.signalIds.size());
    check(o.satellites.size() * o.signalIds.size() <= 64);
    for (int s : o.satellites) check(s >= 1 && s <= 64);
    for (int s : o.signalIds) check(s >= 1 && s <= 32);
  }
  const std::string json = decodecli::rtcmJson(c);
  check(json.front() == '{' && json.back() == '}');
  for (unsigned char ch : json) check(ch >= 0x20 && ch < 0x7F);
}

std::vector<std::vector<std::uint8_t>> scan(const std::uint8_t* data, std::size_t size, std::size_t cut) {
  std::vector<std::vector<std::uint8_t>> frames;
  engine::rtcm3::FrameScanner s([&](const std::uint8_t* p, std::size_t n) { frames.emplace_back(p, p + n); });
  s.write(data, cut);
  s.write(data + cut, size - cut);
  return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The input as one body, exactly as long as it is (a copy, so reads past it are caught).
  std::vector<std::uint8_t> body(data, data + size);
  checkBody(body.data(), body.size());
  if (size == 0) return 0;
  const auto whole = scan(data, size, size);
  check(whole == scan(data, size, data[0] % size));
  for (const auto& f : whole) checkBody(f.data(), f.size());
  return 0;
}
