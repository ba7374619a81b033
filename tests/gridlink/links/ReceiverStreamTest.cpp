// The reader's framing pass under hostile input, and the raw modes of a transfer.
#include <gtest/gtest.h>

#include <random>

#include "LinkTestOwner.h"
#include "ScriptedLink.h"
#include "gridlink/Framing.h"

namespace {

std::string goodWrapper(std::uint8_t number, const std::string& data) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%03X", static_cast<unsigned>(data.size() + 3));
  std::string f = std::string(">>") + digits + static_cast<char>(number) + data;
  auto cs = Zrx::textChecksum(f.data(), f.size());
  return f.append(cs.data(), 2);
}

TEST(ReceiverStream, RandomBytesAroundFramesNeverDeliverABadWrapper) {
  LinkTestOwner owner;
  owner.addMessage(1, 0);
  ScriptedLink link(owner, [](const std::string&) { return std::vector<std::string>{}; });
  std::mt19937 rng(7);
  std::string stream;
  // No digit runs in the payload: scanning resumed inside a swallowed frame would read them as lengths.
  const std::string payload = "payload-xyz-wvut";
  for (int i = 0; i < 300; ++i) {
    std::string noise(rng() % 64, '\0');
    for (char& c : noise) c = static_cast<char>(rng());
    // Noise that looks like headers with wild length fields, too.
    if (i == 10) noise += ">>FFF";  // swallows the next 4100 bytes: a false start is not undone
    if (i % 7 == 0) noise += "RE";
    stream += noise + goodWrapper(1, payload);
  }
  for (std::size_t i = 0; i < stream.size();) {
    const std::size_t n = 1 + rng() % 700;
    link.inject(stream.substr(i, n));
    i += n;
  }
  // Whatever was found, nothing reached the owner that fails the wrapper's own checksum.
  link.WaitQuiet(CReceiverConnection::kStallResyncMs + 50, 10000);
  link.OnReaderIdle();
  for (const auto& p : owner.packets()) {
    if (p.type == kLinkPacketFrame) continue;  // data frames go on unchecked, as the decoders check them
    EXPECT_EQ(p.type, 0x102u);
    EXPECT_EQ(p.payload, payload);
  }
  EXPECT_GT(owner.packets().size(), 100u);  // the stream resynchronises after the noise
}

TEST(ReceiverStream, HandshakeModeGathersAndWaitsForTheTransfer) {
  LinkTestOwner owner;
  ScriptedLink link(owner, [](const std::string&) { return std::vector<std::string>{}; });
  Platform::Event ready, go;
  link.SetTransferEvents(&ready, &go);
  link.SetReaderMode(ReaderMode::Handshake);
  link.inject("RE003abc");  // not framed in this mode
  ASSERT_EQ(ready.Wait(5000), Platform::WaitResult::Signalled);
  std::string raw;
  link.TakeRawBytes(raw);
  EXPECT_EQ(raw, "RE003abc");
  go.Set();
  link.SetReaderMode(ReaderMode::Latest);
  link.inject("first");
  ASSERT_EQ(ready.Wait(5000), Platform::WaitResult::Signalled);
  link.inject("second");
  ASSERT_EQ(ready.Wait(5000), Platform::WaitResult::Signalled);
  link.TakeRawBytes(raw);
  EXPECT_EQ(raw, "second");  // only the latest chunk is kept
  link.SetTransferEvents(nullptr, nullptr);
  link.SetReaderMode(ReaderMode::Frames);
  EXPECT_TRUE(owner.packets().empty());
}

}  // namespace
