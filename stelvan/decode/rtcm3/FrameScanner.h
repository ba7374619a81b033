#pragma once
// Finds whole RTCM 3 frames (0xD3, length, body, CRC-24Q) in bytes that
// arrive in pieces of any size, as a receiver's wrapped output does; bytes
// that do not start a frame with a good CRC are skipped one at a time. Holds
// at most one frame of pending bytes. One owner thread.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace engine::rtcm3 {

class FrameScanner {
 public:
  // Called with the body (payload) of every frame found, in order.
  using FrameSink = std::function<void(const std::uint8_t* payload, std::size_t length)>;

  explicit FrameScanner(FrameSink sink) : m_sink(std::move(sink)) {}
  void write(const std::uint8_t* bytes, std::size_t count);
  std::uint64_t framesFound() const { return m_frames; }
  std::uint64_t bytesSkipped() const { return m_skipped; }

 private:
  FrameSink m_sink;
  std::vector<std::uint8_t> m_pending;
  std::uint64_t m_frames = 0, m_skipped = 0;
};

}  // namespace engine::rtcm3
