#include <gtest/gtest.h>

#include <string>

#include "PacketBytes.h"
#include "session/ConnectionEvents.h"
#include "session/PacketScrambler.h"
#include "session/RequestPacket.h"
#include "session/ServerPacket.h"

using namespace ServerLink;

TEST(RequestPacket, HeaderCountsTheTextButNotTheZeroByte) {
  const std::string p = buildRequestPacket("OpenUsr anna secret stelvan", 0);
  EXPECT_EQ(p, std::string("001b00OpenUsr anna secret stelvan") + '\0');
  EXPECT_EQ(buildRequestPacket("Command %1%print,/par/pos", 0x2a).substr(0, 6), "00192a");
  EXPECT_EQ(buildRequestPacket("", 3), std::string("000003") + '\0');
  EXPECT_TRUE(buildRequestPacket(std::string(0x10000, 'a'), 1).empty());
  EXPECT_EQ(buildRequestPacket(std::string(0xFFFF, 'a'), 1).substr(0, 4), "ffff");
}

TEST(RequestPacket, ParsesOnlyWhatItsLengthFieldHolds) {
  const std::string p = buildRequestPacket("Attach 0 PV:1,DP", 7);
  auto r = parseRequestPacket(u8(p), p.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->rcvId, 7);
  EXPECT_EQ(r->text, "Attach 0 PV:1,DP");
  r = parseRequestPacket(u8(p), p.size() - 1);  // scrambled requests come without the zero byte
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, "Attach 0 PV:1,DP");
  EXPECT_FALSE(parseRequestPacket(u8(p), p.size() - 2));  // length field claims more than is there
  EXPECT_FALSE(parseRequestPacket(u8(p), 5));
  const std::string bad = "zz0001Ping";
  r = parseRequestPacket(u8(bad), bad.size());
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, "");  // an unreadable length reads as 0
}

TEST(ServerPacket, LocalLayoutEndsWithACountedZeroByte) {
  const std::string p = buildServerPacket(makeType(kKindReply, 0), 1, 1, "RE:OK.", PacketForm::Local);
  EXPECT_EQ(p, std::string("00120000101RE:OK.") + '\0');
  const std::string data =
      buildServerPacket(makeType(kKindNmeaData, 0x17), 0x0a, 0, "$GPGGA", PacketForm::Local);
  EXPECT_EQ(data.substr(0, 11),
            "0012317"
            "0a00");
  const auto h = readHeader(u8(data));
  EXPECT_EQ(h.length, data.size());
  EXPECT_EQ(kindOf(h.type), 3u);
  EXPECT_EQ(slotOf(h.type), 0x17u);
  EXPECT_EQ(h.rcvId, 0x0a);
}

TEST(ServerPacket, RemoteLayoutEndsWithItsChecksum) {
  const std::string p =
      buildServerPacket(makeType(kKindReply, 0), 2, 0, "ER:Don't support", PacketForm::Remote);
  ASSERT_EQ(p.size(), 11u + 16 + 4);
  EXPECT_EQ(p.substr(0, 4), "001f");
  const std::uint32_t sum = packetChecksum(u8(p), p.size() - 4);
  EXPECT_EQ(static_cast<std::uint8_t>(p[p.size() - 4]), sum & 0xFF);
  EXPECT_EQ(static_cast<std::uint8_t>(p[p.size() - 1]), sum >> 24);
}

TEST(ServerPacket, ChecksumSumsLittleEndianWordsPaddedWithZeros) {
  EXPECT_EQ(packetChecksum(u8(std::string("abcde")), 5), 0x64636261u + 0x65u);
  EXPECT_EQ(packetChecksum(u8(std::string("abcd")), 4), 0x64636261u);
  const std::string ff(8, '\xff');
  EXPECT_EQ(packetChecksum(u8(ff), 8), 0xFFFFFFFEu);  // wraps
  EXPECT_EQ(packetChecksum(nullptr, 0), 0u);
}

TEST(ServerPacket, HeaderDigitsOfEitherCaseAndBadOnesReadAsZero) {
  const auto upper = readHeader(u8(std::string("001F80A0B01")));
  EXPECT_EQ(upper.length, 0x1F);
  EXPECT_EQ(upper.type, 0x80A);
  EXPECT_EQ(upper.rcvId, 0x0B);
  EXPECT_EQ(upper.result, 1);
  const auto bad = readHeader(u8(std::string("00g1000zz01")));
  EXPECT_EQ(bad.length, 0);
  EXPECT_EQ(bad.rcvId, 0);
  EXPECT_EQ(bad.result, 1);
}

TEST(ServerPacket, RefusesWhatTheLengthFieldCannotHold) {
  EXPECT_EQ(buildServerPacket(0, 0, 0, std::string(kMaxPacket - 12, 'x'), PacketForm::Local).size(),
            kMaxPacket);
  EXPECT_TRUE(buildServerPacket(0, 0, 0, std::string(kMaxPacket - 11, 'x'), PacketForm::Local).empty());
  EXPECT_TRUE(buildServerPacket(0, 0, 0, std::string(kMaxPacket - 14, 'x'), PacketForm::Remote).empty());
  EXPECT_TRUE(buildServerPacket(0x1000, 0, 0, "x", PacketForm::Local).empty());
}

TEST(FrameChecksum, AddsOneWhenTopBitsAgree) {
  const Bytes one = {1, 0, 0, 0};
  EXPECT_EQ(frameChecksum(one.data(), 4), 2u);
  const Bytes two = {1, 0, 0, 0, 1, 0, 0, 0};
  EXPECT_EQ(frameChecksum(two.data(), 8), 4u);
  const Bytes mixed = {0xff, 0xff, 0xff, 0xff, 1, 0, 0, 0};  // tops differ both times
  EXPECT_EQ(frameChecksum(mixed.data(), 8), 0u);
  const Bytes padded = {5};
  EXPECT_EQ(frameChecksum(padded.data(), 1), 6u);
}

TEST(Scrambling, BitsOfTheMaskGoFrontTheOthersBack) {
  // 'B' = 0x42 gives the mask 0x66 (01100110): bits 1, 2, 5, 6 go to 0..3,
  // bits 0, 3, 4, 7 to 4..7. A one-byte block uses the first key byte alone.
  struct Case {
    std::uint8_t in, out;
  };
  for (const Case c :
       {Case{0x80, 0x08}, Case{0x40, 0x80}, Case{0x01, 0x01}, Case{0x02, 0x10}, Case{0xFF, 0xFF}}) {
    std::uint8_t out = 0, back = 0;
    scrambleBits(&c.in, &out, 1, kPacketKey);
    EXPECT_EQ(out, c.out) << int{c.in};
    unscrambleBits(&out, &back, 1, kPacketKey);
    EXPECT_EQ(back, c.in);
  }
}

TEST(Scrambling, FramesRestoreForEveryLengthAroundTheKeyLength) {
  for (const std::string_view key :
       {kPacketKey, std::string_view("k"), std::string_view("0123456789abcdefghijklmnopqrstuv")}) {
    for (std::size_t n : {1u, 2u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 32u, 33u, 100u, 4085u, 4086u}) {
      Bytes plain(n);
      for (std::size_t i = 0; i < n; ++i) plain[i] = static_cast<std::uint8_t>(i * 37 + n);
      Bytes frame = CryptPacket(plain.data(), n, key);
      ASSERT_EQ(frame.size(), n + 10) << n;
      EXPECT_EQ(frameLength(frame.data()), n + 10);
      EXPECT_EQ(frame[2], 6);
      EXPECT_EQ(std::string(frame.begin() + 3, frame.begin() + 6), "NLG");
      ASSERT_EQ(UnCryptPacket(frame.data(), frame.size(), key), n) << "key " << key << " n " << n;
      EXPECT_TRUE(std::equal(plain.begin(), plain.end(), frame.begin())) << n;
    }
  }
}

TEST(Scrambling, ScrambledBytesDifferFromThePlainOnes) {
  const std::string plain = buildServerPacket(0, 1, 1, "RE:OK.", PacketForm::Remote);
  const Bytes frame = CryptPacket(u8(plain), plain.size());
  EXPECT_NE(std::string(frame.begin() + 6, frame.begin() + 6 + static_cast<long>(plain.size())), plain);
}

TEST(Scrambling, RefusesOversizeEmptyAndBadKeys) {
  const Bytes big(4087, 'a');
  EXPECT_TRUE(CryptPacket(big.data(), 4087).empty());  // 4097-byte frame
  EXPECT_EQ(CryptPacket(big.data(), 4086).size(), 4096u);
  EXPECT_TRUE(CryptPacket(big.data(), 0).empty());
  EXPECT_TRUE(CryptPacket(big.data(), 10, std::string(33, 'k')).empty());
  EXPECT_TRUE(CryptPacket(big.data(), 10, "").empty());
  EXPECT_FALSE(CryptPacket(big.data(), 10, std::string(32, 'k')).empty());
}

TEST(Scrambling, RestoreRefusesDamagedOrShortFrames) {
  const Bytes plain = bytesOf("0013000010RE:OK.x");
  const Bytes good = CryptPacket(plain.data(), plain.size());
  auto restore = [](Bytes f, std::size_t available) { return UnCryptPacket(f.data(), available); };
  EXPECT_EQ(restore(good, good.size()), plain.size());
  EXPECT_EQ(restore(good, good.size() - 1), 0u);  // frame longer than the bytes at hand
  for (std::size_t at : {std::size_t{2}, std::size_t{6}, std::size_t{10}, good.size() - 1}) {
    Bytes bad = good;
    bad[at] ^= 0x10;
    EXPECT_EQ(restore(bad, bad.size()), 0u) << at;
  }
  Bytes wrongKey = good;
  EXPECT_EQ(UnCryptPacket(wrongKey.data(), wrongKey.size(), "OtherKey"), 0u);
  Bytes tiny = good;
  tiny[0] = 10;  // no room for a checksum and one byte
  tiny[1] = 0;
  EXPECT_EQ(restore(tiny, tiny.size()), 0u);
  Bytes huge = good;
  huge[0] = 0x01;  // 4097
  huge[1] = 0x10;
  EXPECT_EQ(restore(huge, huge.size()), 0u);
}

TEST(ConnectionEvents, EveryKindHasItsRouteAndCode) {
  struct Case {
    unsigned kind;
    Route route;
    int event;
    unsigned slot;
  };
  const Case cases[] = {
      {0, Route::Reply, 0, 0},     {1, Route::Data, 0, 0},     {2, Route::Data, 0, 1},
      {3, Route::Data, 0, 2},      {4, Route::Data, 0, 3},     {5, Route::Data, 0, 4},
      {6, Route::ServerLog, 0, 0}, {7, Route::Event, -4, 0},   {8, Route::Transfer, -5, 0},
      {9, Route::Event, -6, 0},    {10, Route::Event, -2, 0},  {11, Route::Data, 0, 0},
      {12, Route::Event, -8, 0},   {13, Route::Event, -10, 0}, {14, Route::Unknown, 0, 0},
      {15, Route::End, -1, 0},
  };
  for (const auto& c : cases) {
    const Dispatch d = dispatchOf(c.kind);
    EXPECT_EQ(d.route, c.route) << c.kind;
    EXPECT_EQ(d.event, c.event) << c.kind;
    EXPECT_EQ(d.attachSlot, c.slot) << c.kind;
  }
  EXPECT_EQ(kEventConnectionLost, -9);
}

TEST(RequestPacket, WireFormIsThePacketOrItsFrameWithoutTheZeroByte) {
  const std::string text = "Command %123%print,/par/rcv/id";
  const Bytes plain = buildRequestWire(text, 4, false);
  EXPECT_EQ(textOf(plain), buildRequestPacket(text, 4));
  Bytes frame = buildRequestWire(text, 4, true);
  ASSERT_EQ(frame.size(), 6 + text.size() + 10);
  const std::size_t n = UnCryptPacket(frame.data(), frame.size());
  ASSERT_EQ(n, 6 + text.size());
  const auto r = parseRequestPacket(frame.data(), n);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->text, text);
  EXPECT_EQ(r->rcvId, 4);
  // The longest text whose frame still fits: 4086 plain bytes, header included.
  EXPECT_FALSE(buildRequestWire(std::string(kMaxPlain - 6, 'a'), 1, true).empty());
  EXPECT_TRUE(buildRequestWire(std::string(kMaxPlain - 5, 'a'), 1, true).empty());
  EXPECT_FALSE(buildRequestWire(std::string(kMaxPlain, 'a'), 1, false).empty());
}
