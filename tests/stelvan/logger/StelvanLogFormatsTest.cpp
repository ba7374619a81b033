// stelvan-log enabling several CMR and several RTCM (2 and 3) messages in one command: every
// message asked for arrives in the file, the file holds whole frames of the stream and nothing else,
// and a message the receiver refuses stops the start with the receiver's own text.
#include <gtest/gtest.h>

#include <set>

#include "LogTestSupport.h"
#include "TempDir.h"
#include "TestPaths.h"
#include "parsers/Crc24q.h"
#include "parsers/Rtcm2Word.h"

namespace fs = std::filesystem;
using namespace logtest;

namespace {

struct Station {
  Station() { fs::create_directory(logs); }
  std::vector<std::string> logger(const std::string& port, std::vector<std::string> args) const {
    args.insert(args.begin(), {bin + "/stelvan-log", "--port", port, "--dir", logs.string(), "--period", "3600",
                               "--naming", "2", "--seconds", "5"});
    return args;
  }
  TempDir dir;
  ScopedConfigHome config;
  fs::path logs = dir.path() / "logs";
  std::string bin = TestPaths::binDir();
};

std::uint8_t at(const std::string& s, std::size_t i) {
  return static_cast<std::uint8_t>(s[i]);
}

// The CMR message types of a file that must be CMR frames from end to end (STX, status, 0x93,
// length, data, checksum, ETX); false at the first byte that is not.
bool cmrTypes(const std::string& f, std::multiset<int>& types) {
  for (std::size_t i = 0; i < f.size();) {
    if (f.size() - i < 6 || at(f, i) != 0x02 || at(f, i + 2) != 0x93) return false;
    const std::size_t len = at(f, i + 3), end = i + 4 + len + 2;
    if (end > f.size() || at(f, end - 1) != 0x03 || len < 2) return false;
    unsigned sum = 0;
    for (std::size_t k = i + 1; k < i + 4 + len; ++k) sum += at(f, k);
    if ((sum & 0xFF) != at(f, end - 2)) return false;
    types.insert(at(f, i + 5) >> 5);
    i = end;
  }
  return true;
}

// The byte length of the RTCM 2 message at `i` (preamble, parity of every word, as many data
// words as its header says) and its type; 0 when the words do not hold. `last` is the last
// word of the message before (0: none), whose parity bits the first word's rests on.
std::size_t rtcm2Message(const std::string& f, std::size_t i, int& type, std::uint32_t& last) {
  using namespace engine::rtcm2;
  const auto* p = reinterpret_cast<const std::uint8_t*>(f.data()) + i;
  std::uint32_t first = 0, second = 0;
  if (f.size() - i < 2 * kBytesPerWord || !assembleWord(p, first) || !assembleWord(p + kBytesPerWord, second))
    return 0;
  const unsigned polarity = (first >> 22) == kPreambleWord ? 0 : 1;
  if ((decoded(first, polarity) >> 22) != kPreambleWord) return 0;
  if (last != 0 ? polarity != (last & 1u) || !parityOk(first, (last >> 1) & 1u, polarity)
                : !parityOk(first, 0, polarity) && !parityOk(first, 1, polarity))
    return 0;
  if (!parityOk(second, (first >> 1) & 1u, first & 1u)) return 0;
  const std::size_t words = 2 + dataWordCount(decoded(second, first & 1u));
  if (f.size() - i < words * kBytesPerWord) return 0;
  std::uint32_t prev = second;
  for (std::size_t k = 2; k < words; ++k) {
    std::uint32_t w = 0;
    if (!assembleWord(p + k * kBytesPerWord, w) || !parityOk(w, (prev >> 1) & 1u, prev & 1u)) return 0;
    prev = w;
  }
  last = prev;
  type = static_cast<int>(messageType(decoded(first, polarity)));
  return words * kBytesPerWord;
}

// The message numbers of a file that must be RTCM 3 frames (0xD3, length, payload, CRC-24Q)
// and RTCM 2 messages from end to end, the RTCM 2 words one unbroken stream; false at the
// first byte that is neither.
bool rtcmNumbers(const std::string& f, std::multiset<int>& numbers) {
  std::uint32_t lastRtcm2 = 0;
  for (std::size_t i = 0; i < f.size();) {
    if (at(f, i) != 0xD3) {
      int type = 0;
      const std::size_t len = rtcm2Message(f, i, type, lastRtcm2);
      if (len == 0) return false;
      numbers.insert(type);
      i += len;
      continue;
    }
    if (f.size() - i < 8) return false;
    const std::size_t len = (at(f, i + 1) & 3u) << 8 | at(f, i + 2), end = i + 3 + len + 3;
    if (end > f.size() || len < 2) return false;
    const std::uint32_t crc = engine::rtcm3::crc24q(reinterpret_cast<const std::uint8_t*>(f.data() + i), 3 + len);
    if (crc != (static_cast<std::uint32_t>(at(f, end - 3)) << 16 | at(f, end - 2) << 8 | at(f, end - 1)))
      return false;
    numbers.insert(at(f, i + 3) << 4 | at(f, i + 4) >> 4);
    i = end;
  }
  return true;
}

TEST(StelvanLogFormats, EveryCmrAndRtcmItemOfOneEnableArrivesInTheFile) {
  Station s;
  Sim sim(s.bin, s.dir.path(), "sim", {"--seed", "21"});
  ASSERT_FALSE(sim.pty.empty());
  Child cmr(s.logger(sim.pty, {"--messages", "cmr/0:0.5,cmr/1:1,cmr/2:1", "--suffix", ".cmr"}), s.dir.path() / "out",
            s.dir.path() / "err");
  ASSERT_EQ(cmr.wait(30000), 0) << readAll(s.dir.path() / "err");
  EXPECT_NE(receivedText(sim.trace).find("em,,cmr/0:0.5,cmr/1:1,cmr/2:1"), std::string::npos);
  const std::string cmrFile = readAll(s.logs / "Site_1.cmr");
  std::multiset<int> types;
  ASSERT_TRUE(cmrTypes(cmrFile, types)) << "the file holds more than CMR frames";
  for (int type : {0, 1, 2}) EXPECT_GE(types.count(type), 1u) << "CMR type " << type;
  EXPECT_GT(types.count(0), types.count(1));  // at twice the rate
  const std::string sent = withoutOwnReplies(RcvsimSentBytes(sim.trace.string()));
  EXPECT_NE(sent.find(cmrFile), std::string::npos) << "the file is not a piece of the stream";

  // RTCM 2 and RTCM 3 in one stream, both spellings of the items, an MSM among them.
  Child rtcm(s.logger(sim.pty, {"--messages",
                                "rtcm/1:0.5,rtcm/3:0.5,rtcm3/1004:1,rtcm3/1005:1,rtcm/1006:1,rtcm/1033:1,rtcm3/1074:1",
                                "--suffix", ".rtcm"}),
             s.dir.path() / "out2", s.dir.path() / "err2");
  ASSERT_EQ(rtcm.wait(30000), 0) << readAll(s.dir.path() / "err2");
  std::multiset<int> numbers;
  ASSERT_TRUE(rtcmNumbers(readAll(s.logs / "Site_2.rtcm"), numbers)) << "the file holds more than RTCM frames";
  for (int n : {1, 3, 1004, 1005, 1006, 1033, 1074}) EXPECT_GE(numbers.count(n), 1u) << "RTCM " << n;
}

TEST(StelvanLogFormats, AnItemTheReceiverRefusesStopsTheStartWithItsText) {
  Station s;
  Sim sim(s.bin, s.dir.path(), "sim", {"--seed", "22"});
  ASSERT_FALSE(sim.pty.empty());
  Child run(s.logger(sim.pty, {"--messages", "cmr/0:1,rtcm3/1005:1,cmr/X9:1", "--suffix", ".cmr"}),
            s.dir.path() / "out", s.dir.path() / "err");
  EXPECT_EQ(run.wait(30000), 1);
  EXPECT_NE(readAll(s.dir.path() / "err").find("Unknown message cmr/X9"), std::string::npos)
      << readAll(s.dir.path() / "err");
  EXPECT_TRUE(filesIn(s.logs).empty());
}

}  // namespace
