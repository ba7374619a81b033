// Frames out of bytes in pieces: noise, a frame with a broken CRC, a frame cut across writes.
#include <gtest/gtest.h>

#include "BodyWriter.h"
#include "decode/rtcm3/FrameScanner.h"

using rtcm3test::BodyWriter;

TEST(Rtcm3FrameScanner, NoiseBrokenCrcAndSplitFrames) {
  BodyWriter a, b, c;
  a.put(1005, 12).put(1, 12).put(0, 128);
  b.put(1033, 12).put(2, 12).text("X").put(0, 8).text("").text("R").text("F").text("S");
  c.put(1077, 12).put(3, 12).put(0, 200);
  std::string broken = b.frame();
  broken[6] ^= 0x01;
  // A preamble announcing 1023 bytes holds the scan until that many have come, then falls through.
  const std::string stream = std::string("\xD3\x00", 2) + "noise" + std::string("\xD3\x03\xFF", 3) +
                             a.frame() + broken + "\r\n" + b.frame() + c.frame() + std::string(1100, 'z');
  std::vector<unsigned> types;
  engine::rtcm3::FrameScanner s([&](const std::uint8_t* p, std::size_t n) {
    ASSERT_GE(n, 2u);
    types.push_back((unsigned{p[0]} << 4) | (p[1] >> 4));
  });
  // One byte at a time: every frame is cut across writes.
  for (char ch : stream) {
    const auto byte = static_cast<std::uint8_t>(ch);
    s.write(&byte, 1);
  }
  EXPECT_EQ(types, (std::vector<unsigned>{1005, 1033, 1077}));
  EXPECT_EQ(s.framesFound(), 3u);
  EXPECT_EQ(s.bytesSkipped(), stream.size() - a.frame().size() - b.frame().size() - c.frame().size());
}
