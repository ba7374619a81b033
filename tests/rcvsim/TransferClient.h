#pragma once
// The client's half of the block transfer, written from the protocol rules
// (not from the simulator's code): download with NAK/ACK and the CRC carried
// over blocks, upload answering the receiver's handshake bytes.
#include <cstdint>
#include <string>

#include "SimClient.h"

namespace simtest {

constexpr char kAck = 6, kNak = 21;

inline std::uint16_t crcOver(const std::string& b, std::size_t n, std::uint16_t crc) {
  return Zrx::crc16(b.data(), n, crc);
}

struct DownloadResult {
  bool ok = false;
  std::string data;
  int crcRetries = 0;
  std::string error;
};

// Runs the download after the "get" reply; ends by sending the stop text.
inline DownloadResult download(Link& link, std::size_t blockSize, int maxMs = 10000) {
  DownloadResult r;
  const std::size_t frame = blockSize + 6;
  std::uint16_t running = 0;
  char handshake = kNak;
  std::uint16_t number = 0;
  const std::int64_t end = nowMs() + maxMs;
  while (nowMs() < end) {
    link.buffer().clear();
    link.send(std::string(1, handshake));
    if (!link.readUntil([&](const std::string& b) { return b.size() >= frame; }, 4000)) {
      r.error = "no block";
      return r;
    }
    const std::string b = link.buffer().substr(0, frame);
    const std::uint16_t got = static_cast<std::uint16_t>(static_cast<unsigned char>(b[blockSize + 3]) |
                                                         (static_cast<unsigned char>(b[blockSize + 4]) << 8));
    const std::uint16_t calc = crcOver(b, blockSize + 3, running);
    if (calc != got || b[frame - 1] != 3) {
      ++r.crcRetries;
      handshake = kNak;
      continue;
    }
    const unsigned tag = static_cast<unsigned char>(b[0]);
    const unsigned field = static_cast<unsigned char>(b[1]) | (static_cast<unsigned char>(b[2]) << 8);
    if (tag == 4) {
      r.data += b.substr(3, field);
      r.ok = true;
      break;
    }
    if (tag != 2 || field != number) {
      r.error = "tag or number";
      return r;
    }
    running = calc;
    r.data += b.substr(3, blockSize);
    ++number;
    handshake = kAck;
  }
  link.buffer().clear();
  link.sendCommand("###\ndm\n");
  return r;
}

inline std::string uploadBlock(const std::string& data, std::size_t blockSize, std::size_t index,
                               std::uint16_t& running) {
  const std::size_t start = index * blockSize;
  const std::size_t n = start < data.size() ? std::min(blockSize, data.size() - start) : 0;
  const bool last = start + n >= data.size();
  std::string b(blockSize + 6, '\0');
  b[0] = static_cast<char>(last ? 4 : 2);
  const std::size_t f = last ? n : index;
  b[1] = static_cast<char>(f & 0xFF);
  b[2] = static_cast<char>(f >> 8);
  b.replace(3, n, data, start, n);
  running = crcOver(b, blockSize + 3, running);
  b[blockSize + 3] = static_cast<char>(running & 0xFF);
  b[blockSize + 4] = static_cast<char>(running >> 8);
  b[blockSize + 5] = 3;
  return b;
}

// Runs the upload after the "put" reply: each NAK sends the current block again,
// each ACK the next; the last block is sent without waiting for its ACK.
inline bool upload(Link& link, const std::string& data, std::size_t blockSize, int* naks = nullptr) {
  std::uint16_t running = 0;
  std::size_t index = 0;
  std::string block;
  bool sentAny = false;
  const std::int64_t end = nowMs() + 10000;
  while (nowMs() < end) {
    if (!link.readUntil([](const std::string& b) { return !b.empty(); }, 999)) continue;
    const char c = link.buffer()[0];
    link.buffer().erase(0, 1);
    if (c == kNak) {
      if (naks) ++*naks;
      if (!sentAny) {
        block = uploadBlock(data, blockSize, index, running);
        sentAny = true;
      }
    } else if (c == kAck && sentAny) {
      ++index;
      block = uploadBlock(data, blockSize, index, running);
    } else {
      continue;
    }
    link.send(block);
    if (block[0] == 4) {
      link.sendCommand("###\ndm\n");
      return true;
    }
  }
  return false;
}

}  // namespace simtest
