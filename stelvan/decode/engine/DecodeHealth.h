#pragma once
// How well one analyser's stream decodes: the frames its parsers refused
// with a status code, and the runs of unknown bytes between messages. A
// frame counts once, however many attempts reach it: an attempt that runs
// out of bytes is tried again and counts only when it is whole, and a
// refusal by the same parser inside a frame already counted (a parser marks
// the refused frame's extent) is part of that frame. The worker records;
// any thread may read.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace engine {

class DecodeHealth {
 public:
  using Refusals = std::map<std::pair<std::string, int>, std::uint64_t>;  // (format, status code) -> frames

  // Worker: parser `entry` of format `format` refused a frame at stream
  // position `pos` with `code`; the frame reaches to `end` (exclusive).
  void refused(std::size_t entry, const std::string& format, int code, std::uint64_t pos, std::uint64_t end);
  // Worker: true when a refusal by `entry` at `pos` would be part of a counted frame.
  bool insideCounted(std::size_t entry, std::uint64_t pos) {
    sync();
    return entry < m_countedUntil.size() && pos < m_countedUntil[entry];
  }
  // Worker: a message was found; unknown bytes were taken.
  void message() {
    sync();
    if (m_sawMessage && m_inGap) m_gaps.fetch_add(1, std::memory_order_relaxed);
    m_sawMessage = true;
    m_inGap = false;
  }
  void unknown() {
    sync();
    m_inGap = true;
  }
  // Any thread: starts counting afresh (the worker drops its own state on its next call).
  void reset();

  Refusals refusals() const;
  std::uint64_t gaps() const { return m_gaps.load(std::memory_order_relaxed); }

 private:
  mutable std::mutex m_cs;  // m_refused
  Refusals m_refused;
  std::atomic<std::uint64_t> m_gaps{0};
  std::atomic<std::uint64_t> m_resets{0};
  // Worker only.
  void sync() {
    const std::uint64_t r = m_resets.load(std::memory_order_acquire);
    if (r == m_seenResets) return;
    m_seenResets = r;
    m_countedUntil.clear();
    m_sawMessage = m_inGap = false;
  }
  std::uint64_t m_seenResets = 0;
  std::vector<std::uint64_t> m_countedUntil;  // by pool entry
  bool m_sawMessage = false, m_inGap = false;
};

}  // namespace engine
