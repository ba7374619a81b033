#include <gtest/gtest.h>

#include <string>

#include "gridlink/Framing.h"

using namespace Zrx;

namespace {
const std::uint8_t* bytes(const std::string& s) { return reinterpret_cast<const std::uint8_t*>(s.data()); }
}  // namespace

TEST(Checksums, KnownVectors) {
  EXPECT_EQ(checksum8("abc", 3), 0xF3);
  EXPECT_EQ(crc16("123456789", 9), 0x31C3);
  EXPECT_EQ(checksum8("", 0), 0);
  const auto upper = textChecksum("abc", 3);
  EXPECT_EQ(std::string(upper.data(), 2), "F3");
  const auto lower = textChecksum("abc", 3, false);
  EXPECT_EQ(std::string(lower.data(), 2), "f3");
}

TEST(Checksums, FrameWithItsChecksumByteVerifiesToZero) {
  std::string frame = "PG00Dabcdefghijkl";
  frame.push_back(static_cast<char>(checksum8(frame.data(), frame.size())));
  // Running the unrotated accumulator over the checksum byte yields zero:
  // rotl(acc)^cs == 0 where cs = rotl(acc).
  std::uint8_t acc = 0;
  for (unsigned char c : frame) acc = static_cast<std::uint8_t>(((acc << 2) | (acc >> 6)) ^ c);
  EXPECT_EQ(acc, 0);
}

TEST(Checksums, Crc16CarriesAcrossCalls) {
  const std::string s = "123456789";
  const std::uint16_t part = crc16(s.data(), 4);
  EXPECT_EQ(crc16(s.data() + 4, 5, part), 0x31C3);
}

TEST(HexField, DigitsOfBothCasesAndInvalidOnes) {
  EXPECT_EQ(hexField(3, "FFF"), 0xFFFu);
  EXPECT_EQ(hexField(3, "0aB"), 0x0ABu);
  EXPECT_EQ(hexField(3, "0G1"), 0u);
  EXPECT_EQ(hexField(2, " 1"), 0u);
}

TEST(SealCommand, PlainTextIsSealedLowercase) {
  const std::string text = "print,/par/rcvid";
  const std::string line = sealCommand(text);
  const auto cs = textChecksum((text + "@").data(), text.size() + 1, false);
  EXPECT_EQ(line, text + "@" + std::string(cs.data(), 2) + "\r\n");
  for (char c : line.substr(text.size() + 1, 2)) EXPECT_FALSE(c >= 'A' && c <= 'F');
}

TEST(SealCommand, ScriptsListsAndSealedTextsGoOutUnchanged) {
  for (const std::string text : {"##\n#OFF#\r\ndm\r\n", "dm;em", "a||b", "a&&b", "print,x@1f", "#comment"}) {
    EXPECT_EQ(sealCommand(text), text + "\r\n") << text;
  }
}

TEST(SealCommand, TooLongForTheCommandBufferIsRefused) {
  EXPECT_TRUE(sealCommand(std::string(2042, 'a')).size() == 2047);  // 2042 + "@xx" + CR LF + zero = 2048
  EXPECT_TRUE(sealCommand(std::string(2043, 'a')).empty());
}

struct ScanCase {
  const char* legend;
  std::string input;
  std::size_t skip;
  std::size_t length;
  bool complete;
};

class FindFrameTable : public ::testing::TestWithParam<ScanCase> {};

TEST_P(FindFrameTable, Scan) {
  const ScanCase& c = GetParam();
  const FrameScan s = findFrame(bytes(c.input), c.input.size());
  EXPECT_EQ(s.skip, c.skip) << c.legend;
  EXPECT_EQ(s.length, c.length) << c.legend;
  EXPECT_EQ(s.complete, c.complete) << c.legend;
}

INSTANTIATE_TEST_SUITE_P(
    Framing, FindFrameTable,
    ::testing::Values(ScanCase{"empty reply", "RE000", 0, 5, true},
                      ScanCase{"empty reply followed by more", "RE000RE001x", 0, 5, true},
                      ScanCase{"CR LF before a reply", "\r\nRE002ok", 2, 7, true},
                      ScanCase{"ER with zero length is skipped", "ER000\r\nRE000", 7, 5, true},
                      ScanCase{"incomplete frame waits", "PG010abc", 0, 21, false},
                      ScanCase{"too few bytes to judge", "\r\nRE0", 1, 0, false},
                      ScanCase{"bad length digit only as empty RE", "REx12", 0, 5, true},
                      ScanCase{"bad length digit for data id", "PGx12\r\nRE000", 7, 5, true},
                      ScanCase{"wrapper id", ">>003\x01" "ab", 0, 8, true},
                      ScanCase{"punctuation ids are noise", "$$003\r\nRE000", 7, 5, true},
                      ScanCase{"false start of letter + R", "xRE002ok", 0, 3589, false}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(FindFrame, FalseStartIsHandedOnAt3589Bytes) {
  std::string buf = "xRE002ok";
  buf.resize(3589, 'z');
  const FrameScan s = findFrame(bytes(buf), buf.size());
  EXPECT_EQ(s.skip, 0u);
  EXPECT_EQ(s.length, 3589u);
  EXPECT_TRUE(s.complete);
}

TEST(FindFrame, LongestFrameIs4100Bytes) {
  std::string frame = "RDFFF";
  frame.append(4095, 'q');
  FrameScan s = findFrame(bytes(frame), frame.size());
  EXPECT_TRUE(s.complete);
  EXPECT_EQ(s.length, kMaxFrame);
  s = findFrame(bytes(frame), frame.size() - 1);
  EXPECT_FALSE(s.complete);
}

TEST(FindFrame, NeverLooksPastTheGivenBytes) {
  // The byte past `available` would complete a frame; the scanner must not see it.
  const std::string buf = "\r\nRE00";
  const FrameScan s = findFrame(bytes(buf), 5);
  EXPECT_FALSE(s.complete);
}

TEST(Wrapper, ChecksumInEitherCaseAndMismatch) {
  std::string frame = ">>006\x03xyz";
  const auto cs = textChecksum(frame.data(), frame.size());
  std::string upper = frame + std::string(cs.data(), 2);
  EXPECT_TRUE(wrapperChecksumOk(bytes(upper), upper.size()));
  const auto lc = textChecksum(frame.data(), frame.size(), false);
  std::string lower = frame + std::string(lc.data(), 2);
  EXPECT_TRUE(wrapperChecksumOk(bytes(lower), lower.size()));
  std::string bad = upper;
  bad[7] = 'Y';
  EXPECT_FALSE(wrapperChecksumOk(bytes(bad), bad.size()));
  std::string junk = frame + "G0";
  EXPECT_FALSE(wrapperChecksumOk(bytes(junk), junk.size()));
}
