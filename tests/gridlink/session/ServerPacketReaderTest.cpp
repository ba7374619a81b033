#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "PacketBytes.h"
#include "session/ServerPacketReader.h"

using namespace ServerLink;

namespace {

// Everything a reader made of a byte stream: packets as "kind/slot/id/result:text",
// drops by reason, the dropped byte count.
struct Outcome {
  std::vector<std::string> packets;
  std::vector<DropReason> drops;
  std::size_t droppedBytes = 0;
  std::size_t left = 0;
};

std::string describe(const ServerPacket& p) {
  return std::to_string(p.kind()) + "/" + std::to_string(p.slot()) + "/" + std::to_string(p.rcvId) + "/" +
         std::to_string(p.result) + (p.scrambled ? "s" : "") + ":" + std::string(p.text());
}

void drain(ServerPacketReader& reader, Outcome& o) {
  ServerPacket p;
  for (int guard = 0; guard < 1000000; ++guard) {
    const std::size_t before = reader.buffered();
    const ScanStatus s = reader.next(p);
    if (s == ScanStatus::NeedMore) {
      ASSERT_GE(reader.writable().size(), 2u);
      return;
    }
    ASSERT_LT(reader.buffered(), before) << "no progress";
    if (s == ScanStatus::Packet) o.packets.push_back(describe(p));
    if (s == ScanStatus::Dropped) {
      o.drops.push_back(reader.lastDrop());
      o.droppedBytes += reader.lastDropped().size();
    }
  }
  FAIL() << "reader loops";
}

// Feeds the stream in the given chunk sizes (cycled), draining after each.
Outcome run(const Bytes& stream, PacketForm form, const std::vector<std::size_t>& chunks = {}) {
  ServerPacketReader reader(form);
  Outcome o;
  std::size_t at = 0, k = 0;
  while (at < stream.size()) {
    std::size_t n = chunks.empty() ? stream.size() - at : chunks[k++ % chunks.size()];
    n = std::min(n, stream.size() - at);
    const std::size_t took = reader.feed(stream.data() + at, n);
    at += took;
    drain(reader, o);
    if (took == 0) break;
  }
  o.left = reader.buffered();
  return o;
}

struct Case {
  const char* legend;
  PacketForm form;
  Bytes stream;
  std::vector<std::string> packets;
  std::vector<DropReason> drops;
  std::size_t left;
};

Bytes prefix(const Bytes& b, std::size_t drop) {
  return Bytes(b.begin(), b.end() - static_cast<long>(drop));
}

Bytes withByte(Bytes b, std::size_t at, std::uint8_t xorWith) {
  b[at] ^= xorWith;
  return b;
}

const Bytes kReply = remotePacket(0, 0, 1, 1, "RE:OK.");
const Bytes kData = remotePacket(1, 0x21, 1, 0, "PV012abc");
const Bytes kEnd = remotePacket(15, 0, 0, 0, "bye");

std::vector<Case> cases() {
  using D = DropReason;
  const PacketForm R = PacketForm::Remote, L = PacketForm::Local;
  return {
      {"one remote packet", R, kReply, {"0/0/1/1:RE:OK."}, {}, 0},
      {"two merged packets", R, kReply + kData, {"0/0/1/1:RE:OK.", "1/33/1/0:PV012abc"}, {}, 0},
      {"local packets keep their zero byte out of the text",
       L,
       localPacket(0, 0, 2, 1, "RE006%Loop%") + localPacket(3, 5, 2, 0, "$GPGGA"),
       {"0/0/2/1:RE006%Loop%", "3/5/2/0:$GPGGA"},
       {},
       0},
      {"leading garbage", R, bytesOf("zzzzzzzz") + kReply, {"0/0/1/1:RE:OK."}, {D::BadLength}, 0},
      {"zero length field", R, bytesOf("0000000000") + kReply, {"0/0/1/1:RE:OK."}, {D::BadLength}, 0},
      {"length 0xFFFF", R, bytesOf("ffffzzzzzzz") + kReply, {"0/0/1/1:RE:OK."}, {D::BadLength}, 0},
      {"length below the smallest packet",
       R,
       bytesOf("0005zzzzz") + kReply,
       {"0/0/1/1:RE:OK."},
       {D::BadLength},
       0},
      {"length 12 is too short for a remote packet",
       R,
       bytesOf("000czzzzzzz") + kReply,
       {"0/0/1/1:RE:OK."},
       {D::BadLength},
       0},
      {"incomplete packet waits", R, prefix(kReply, 1), {}, {}, kReply.size() - 1},
      {"length beyond what came waits without reading on", L, bytesOf("01000000000abc"), {}, {}, 14},
      {"fewer than six bytes wait", R, bytesOf("00"), {}, {}, 2},
      // "0150" after the first byte reads as a length: wait for it.
      {"checksum off by one",
       R,
       withByte(kReply, kReply.size() - 4, 1),
       {},
       {D::BadChecksum},
       kReply.size() - 1},
      {"scrambled frame", R, scrambled(kData), {"1/33/1/0s:PV012abc"}, {}, 0},
      {"scrambled frame between plain packets",
       R,
       kReply + scrambled(kData) + kEnd,
       {"0/0/1/1:RE:OK.", "1/33/1/0s:PV012abc", "15/0/0/0:bye"},
       {},
       0},
      {"frame that does not restore is dropped whole",
       R,
       withByte(scrambled(kData), 12, 0x40) + kReply,
       {"0/0/1/1:RE:OK."},
       {D::BadFrame},
       0},
      {"frame whose packet has a bad checksum is dropped whole",
       R,
       scrambled(withByte(kReply, kReply.size() - 1, 1)) + kEnd,
       {"15/0/0/0:bye"},
       {D::BadChecksum},
       0},
      {"frame whose packet claims more than the frame holds",
       R,
       scrambled(bytesOf("00ff000000abcd")) + kReply,
       {"0/0/1/1:RE:OK."},
       {D::BadFrame},
       0},
      {"frame header with an impossible length",
       R,
       bytesOf(std::string("\x05\x00\x06NLG", 6)) + kReply,
       {"0/0/1/1:RE:OK."},
       {D::BadFrame, D::BadLength},
       0},
      {"frame header with an oversize length",
       R,
       bytesOf("\x01\x10\x06NLGzz") + kReply,
       {"0/0/1/1:RE:OK."},
       {D::BadFrame, D::BadLength},
       0},
      {"incomplete frame waits", R, prefix(scrambled(kData), 3), {}, {}, scrambled(kData).size() - 3},
  };
}

}  // namespace

TEST(ServerPacketReader, Table) {
  for (const auto& c : cases()) {
    const Outcome o = run(c.stream, c.form);
    EXPECT_EQ(o.packets, c.packets) << c.legend;
    EXPECT_EQ(o.drops, c.drops) << c.legend;
    EXPECT_EQ(o.left, c.left) << c.legend;
  }
}

TEST(ServerPacketReader, ByteByByteAndRandomSplitsGiveTheSamePackets) {
  std::mt19937 rng(4711);
  for (const auto& c : cases()) {
    const Outcome whole = run(c.stream, c.form);
    const Outcome single = run(c.stream, c.form, {1});
    EXPECT_EQ(single.packets, whole.packets) << c.legend;
    EXPECT_EQ(single.droppedBytes, whole.droppedBytes) << c.legend;
    EXPECT_EQ(single.left, whole.left) << c.legend;
    for (int round = 0; round < 20; ++round) {
      std::vector<std::size_t> chunks(8);
      for (auto& n : chunks) n = 1 + rng() % 23;
      const Outcome split = run(c.stream, c.form, chunks);
      EXPECT_EQ(split.packets, whole.packets) << c.legend;
      EXPECT_EQ(split.droppedBytes, whole.droppedBytes) << c.legend;
    }
  }
}

// Without a sync marker, a damaged remote packet can leave the reader on a false
// length that reaches up to 64 KiB ahead; the checksum rejects it once those
// bytes are in. So: nothing damaged ever comes out, and everything after the
// last damage comes out once 64 KiB more have passed.
TEST(ServerPacketReader, DamagedPacketsNeverComeOutAndTheStreamRecovers) {
  std::mt19937 rng(99);
  Bytes stream;
  std::vector<std::string> sent;
  std::size_t lastDamaged = 0, firstDamaged = 0;
  for (int i = 0; stream.size() < 3 * kMaxPacket; ++i) {
    const std::string text = "msg" + std::to_string(i) + std::string(rng() % 300, 'a' + i % 26);
    Bytes p = remotePacket(1 + i % 4, i % 256, 1 + i % 3, 0, text);
    const bool damage = i % 17 == 5 && stream.size() < kMaxPacket;
    if (damage) {
      p[11 + rng() % (p.size() - 11)] ^= static_cast<std::uint8_t>(1 + rng() % 255);
      lastDamaged = sent.size();
      if (!firstDamaged) firstDamaged = sent.size();
    } else {
      sent.push_back(std::to_string(1 + i % 4) + "/" + std::to_string(i % 256) + "/" +
                     std::to_string(1 + i % 3) + "/0:" + text);
    }
    stream = stream + (i % 9 == 4 ? scrambled(p) : p);
  }
  ASSERT_GT(lastDamaged, 0u);
  const Outcome o = run(stream, PacketForm::Remote, {1500, 7, 4096});
  std::vector<std::string> got;
  for (auto s : o.packets) {
    const auto colon = s.find(':');
    if (s[colon - 1] == 's') s.erase(colon - 1, 1);
    got.push_back(s);
  }
  // In order, and only what was sent whole.
  std::size_t at = 0;
  for (const auto& p : got) {
    while (at < sent.size() && sent[at] != p) ++at;
    ASSERT_LT(at, sent.size()) << "not sent, or out of order: " << p;
  }
  ASSERT_GE(got.size(), firstDamaged);
  EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + static_cast<long>(firstDamaged), got.begin()));
  // Everything after the last damaged packet, well within the last two-thirds of the stream.
  const std::size_t tail = sent.size() - lastDamaged;
  ASSERT_GE(got.size(), tail);
  EXPECT_TRUE(
      std::equal(sent.end() - static_cast<long>(tail), sent.end(), got.end() - static_cast<long>(tail)));
  EXPECT_FALSE(o.drops.empty());
}

TEST(ServerPacketReader, LargestPacketFitsAndRoomForAReadRemains) {
  const std::string text(kMaxPacket - minPacket(PacketForm::Local), 'x');
  const Bytes big = localPacket(0, 0, 1, 1, text);
  ASSERT_EQ(big.size(), kMaxPacket);
  ServerPacketReader reader(PacketForm::Local);
  ASSERT_EQ(reader.feed(big.data(), big.size() - 1), big.size() - 1);
  ServerPacket p;
  EXPECT_EQ(reader.next(p), ScanStatus::NeedMore);
  EXPECT_GE(reader.writable().size(), 2u);
  ASSERT_EQ(reader.feed(big.data() + big.size() - 1, 1), 1u);
  ASSERT_EQ(reader.next(p), ScanStatus::Packet);
  EXPECT_EQ(p.text().size(), text.size());
  EXPECT_EQ(reader.next(p), ScanStatus::NeedMore);
}

TEST(ServerPacketReader, ScanNeverLooksPastTheBytesItIsGiven) {
  // Exact-size heap copies: a read past the end would trip the address sanitizer.
  const Bytes stream = kReply + scrambled(kData) + bytesOf("0fff000");
  for (std::size_t n = 0; n <= stream.size(); ++n) {
    std::vector<std::uint8_t> exact(stream.begin(), stream.begin() + static_cast<long>(n));
    const ScanResult r = scanServerPacket(exact.data(), exact.size(), PacketForm::Remote);
    EXPECT_LE(r.consumed, n);
    if (r.status == ScanStatus::Packet) {
      EXPECT_LE(r.payloadOffset + r.payloadLength, n);
    }
  }
}

TEST(ServerPacketReader, DropNoticesAreTheLogTexts) {
  EXPECT_EQ(dropNotice(DropReason::BadLength), " NewBuf -- ");
  EXPECT_EQ(dropNotice(DropReason::BadChecksum), "\r\nError CRC!");
  EXPECT_EQ(dropNotice(DropReason::BadFrame), "ERDLL:Error uncript");
  EXPECT_EQ(dropNotice(DropReason::None), "");
}
