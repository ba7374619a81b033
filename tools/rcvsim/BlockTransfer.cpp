#include "BlockTransfer.h"

#include <algorithm>

#include "gridlink/Framing.h"

namespace rcvsim {

namespace {
std::uint16_t le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
}  // namespace

std::size_t blockCount(std::size_t bytes, std::size_t blockSize) {
  // An empty file is one (last) block with no data; a full last block stays a tag-4 block.
  return bytes == 0 ? 1 : (bytes + blockSize - 1) / blockSize;
}

std::string makeBlock(const std::string& data, std::size_t blockSize, std::size_t index, std::uint16_t crc,
                      std::uint16_t* crcOut) {
  const std::size_t n = blockCount(data.size(), blockSize);
  const bool last = index + 1 >= n;
  const std::size_t start = index * blockSize;
  const std::size_t valid = start < data.size() ? std::min(blockSize, data.size() - start) : 0;
  std::string b(blockSize + 6, '\0');
  b[0] = static_cast<char>(last ? 4 : 2);
  const std::size_t field = last ? valid : index;
  b[1] = static_cast<char>(field & 0xFF);
  b[2] = static_cast<char>((field >> 8) & 0xFF);
  if (valid) b.replace(3, valid, data, start, valid);
  const std::uint16_t c = Zrx::crc16(b.data(), blockSize + 3, crc);
  b[blockSize + 3] = static_cast<char>(c & 0xFF);
  b[blockSize + 4] = static_cast<char>(c >> 8);
  b[blockSize + 5] = 3;
  if (crcOut) *crcOut = c;
  return b;
}

DownloadSender::DownloadSender(std::string data, std::size_t blockSize, int badCrcBlock, int badCrcTimes)
    : data_(std::move(data)),
      blockSize_(blockSize),
      blocks_(blockCount(data_.size(), blockSize)),
      badCrcBlock_(badCrcBlock),
      badCrcLeft_(badCrcTimes) {}

std::string DownloadSender::onByte(std::uint8_t b, bool& done, bool& consumed) {
  done = false;
  consumed = true;
  if (b == kAck && currentSent_) {
    crcBefore_ = crcOfCurrent_;
    ++current_;
    currentSent_ = false;
    if (current_ >= blocks_) {
      done = true;
      return std::string();
    }
  } else if (b != kNak) {
    if (b == kAck) return std::string();  // an acknowledgement before anything was sent
    // Anything else: the client has left the transfer (after the last block, or to abort).
    done = true;
    consumed = false;
    return std::string();
  }
  std::string block = makeBlock(data_, blockSize_, current_, crcBefore_, &crcOfCurrent_);
  currentSent_ = true;
  if (static_cast<int>(current_) == badCrcBlock_ && badCrcLeft_ > 0) {
    --badCrcLeft_;
    block[blockSize_ + 3] = static_cast<char>(block[blockSize_ + 3] ^ 0x5A);
  }
  return block;
}

UploadReceiver::UploadReceiver(std::size_t blockSize, std::int64_t freeSpace)
    : blockSize_(blockSize), freeSpace_(freeSpace) {}

std::string UploadReceiver::feed(const std::uint8_t* bytes, std::size_t count) {
  std::string answer;
  if (done_ || failed_) return answer;
  buffer_.append(reinterpret_cast<const char*>(bytes), count);
  const std::size_t frame = blockSize_ + 6;
  while (buffer_.size() >= frame && !done_ && !failed_) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(buffer_.data());
    const std::uint16_t got = le16(p + blockSize_ + 3);
    const std::uint8_t tag = p[0];
    const std::uint16_t field = le16(p + 1);
    bool good = p[frame - 1] == 3 && (tag == 2 || tag == 4) && Zrx::crc16(p, blockSize_ + 3, crc_) == got;
    if (good && tag == 2 && field != expected_) good = false;
    if (good && tag == 4 && field > blockSize_) good = false;
    // The same block again (our ACK was lost): acknowledge it without taking it twice.
    const bool repeat = !good && tag == 2 && expected_ > 0 &&
                        static_cast<std::size_t>(field) + 1 == expected_ &&
                        Zrx::crc16(p, blockSize_ + 3, crcBeforeLast_) == got;
    if (good) {
      const std::size_t n = tag == 4 ? field : blockSize_;
      if (static_cast<std::int64_t>(data_.size() + n) > freeSpace_) {
        failed_ = true;
        answer.push_back(static_cast<char>(kAbortNoSpace));
        break;
      }
      data_.append(buffer_, 3, n);
      crcBeforeLast_ = crc_;
      crc_ = got;
      ++expected_;
      done_ = tag == 4;
      answer.push_back(static_cast<char>(kAck));
      buffer_.erase(0, frame);
    } else if (repeat) {
      answer.push_back(static_cast<char>(kAck));
      buffer_.erase(0, frame);
    } else {
      // Out of step or damaged: drop everything held and ask for the block again.
      buffer_.clear();
      answer.push_back(static_cast<char>(kNak));
    }
  }
  return answer;
}

std::string UploadReceiver::stalled() {
  buffer_.clear();
  return std::string(1, static_cast<char>(kNak));
}

}  // namespace rcvsim
