#pragma once
// The receiver's side of the block file transfer. A block is blockSize + 6 bytes:
// tag (2 more follow / 4 last), little-endian number (tag 2) or valid byte count
// (tag 4), data padded to full size, little-endian CRC-16 over the first
// blockSize + 3 bytes continued from the previous good block, and the byte 3.
// The side that receives blocks answers NAK (21: send, send again) or ACK (6).
#include <cstddef>
#include <cstdint>
#include <string>

namespace rcvsim {

constexpr std::uint8_t kAck = 6;
constexpr std::uint8_t kNak = 21;
constexpr std::uint8_t kAbortNoSpace = 33;  // abort codes are 33..47
constexpr std::uint8_t kAbortBadData = 34;

// Builds block `index` of `data` (from its start) with the CRC continued from `crc`.
std::string makeBlock(const std::string& data, std::size_t blockSize, std::size_t index, std::uint16_t crc,
                      std::uint16_t* crcOut = nullptr);
std::size_t blockCount(std::size_t bytes, std::size_t blockSize);

// Download ("get"): sends blocks as the client's handshake bytes ask for them.
class DownloadSender {
 public:
  DownloadSender(std::string data, std::size_t blockSize, int badCrcBlock, int badCrcTimes = 1);
  // Handles one handshake byte. Returns the bytes to send (maybe empty). `done`
  // turns true when the transfer is over; `consumed` is false when the byte is
  // not part of the transfer (the client went back to commands).
  std::string onByte(std::uint8_t b, bool& done, bool& consumed);
  std::size_t blocks() const { return blocks_; }
  std::size_t current() const { return current_; }

 private:
  std::string data_;
  std::size_t blockSize_, blocks_, current_ = 0;
  std::uint16_t crcBefore_ = 0, crcOfCurrent_ = 0;
  bool currentSent_ = false;
  int badCrcBlock_;
  int badCrcLeft_;
};

// Upload ("put"): takes blocks, checks them and answers ACK or NAK.
class UploadReceiver {
 public:
  UploadReceiver(std::size_t blockSize, std::int64_t freeSpace);
  // Takes received bytes; returns the handshake bytes to send.
  std::string feed(const std::uint8_t* bytes, std::size_t count);
  // Drops a partial block after a pause and asks again.
  std::string stalled();
  bool done() const { return done_; }
  bool failed() const { return failed_; }
  bool partial() const { return !buffer_.empty(); }
  const std::string& data() const { return data_; }
  // Bytes received behind the last block (the client's next commands).
  std::string leftover() const { return done_ ? buffer_ : std::string(); }
  std::size_t blocksTaken() const { return expected_; }

 private:
  std::size_t blockSize_;
  std::int64_t freeSpace_;
  std::string buffer_, data_;
  std::size_t expected_ = 0;
  std::uint16_t crc_ = 0, crcBeforeLast_ = 0;
  bool done_ = false, failed_ = false;
};

}  // namespace rcvsim
