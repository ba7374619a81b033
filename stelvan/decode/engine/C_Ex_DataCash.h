#pragma once
// The stream buffer: bytes addressed by absolute 64-bit stream positions,
// kept in fixed-size blocks, with markers riding on positions.
// Writers (I_DataWriter) may run on any thread and take the buffer's lock;
// one reader (the analysis worker) uses the IEx_DataCash side. Bytes below
// the published write position never change, so the reader keeps a window
// onto one block and peeks inside it without locking. Waits for more data
// last the read wait each and happen with the lock released.
#include <atomic>
#include <bitset>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

#include "../interfaces/IEx_DataCash.h"
#include "../interfaces/IMessageGNSS.h"
#include "../interfaces/I_DataWriter.h"
#include "../parser/NoCoverage.h"

namespace engine {

class C_Ex_DataCash : public IEx_DataCash, public I_DataWriter {
 public:
  static constexpr std::size_t kBlockSize = 65536;

  C_Ex_DataCash() = default;
  ~C_Ex_DataCash() override;

  // IEx_DataCash
  bool isEndOfInput() override;
  bool readByte(std::uint8_t& out) override;
  std::size_t read(std::vector<std::uint8_t>& buffer, std::size_t n) override;
  bool peek(std::uint8_t& out, std::size_t offset) override;
  std::size_t take(std::size_t n) override;
  std::size_t takenCount() override { return m_taken; }
  bool markMessage(std::size_t start, std::size_t end) override;
  bool takeUnknownByte(std::uint8_t& out, Marker* outMarker, bool fromStart) override;
  std::size_t trim(std::size_t blocks) override;
  bool hasData() override;
  bool commit(IMessageGNSS* message) override;
  std::size_t lookupMarkers(IMessageGNSS* message) override;
  void rewind() override;
  bool lastReadComplete() override { return m_lastComplete; }
  void setNoWait(bool on) override;
  void reserved17() override {}
  std::size_t peekSpan(std::size_t offset, std::size_t want, const std::uint8_t** out) override;

  // I_DataWriter
  bool write(const std::uint8_t* bytes, std::size_t count) override;
  bool writeMarked(const std::uint8_t* bytes, std::size_t count, std::uint32_t tag,
                   std::int32_t object) override;
  bool writeByteMarked(std::uint8_t byte, std::uint32_t tag, std::int32_t object) override;
  void reset() override;

  // Drops a run of unknown bytes from the front into `out`: the first byte
  // always, then further bytes while they are buffered, not in `stopAt` and
  // carry no marker (a marked first byte is a run of one, returned in
  // `marker`). Does not wait. Returns the count taken.
  std::size_t takeUnknownRun(const std::bitset<256>& stopAt, std::vector<std::uint8_t>& out, Marker& marker,
                             std::size_t max);

  // The byte just past the taken ones, without waiting (the pass's look at
  // the current position).
  STELVAN_NO_COVERAGE bool peekFirst(std::uint8_t& out) {
    const std::uint64_t pos = m_readPos.load(std::memory_order_relaxed) + m_taken;
    if (!ensure(pos, 0)) return false;
    out = m_winPtr[pos - m_winPos];
    return true;
  }

  // Reader side: the stream position of the first byte not yet committed or
  // dropped (where the current attempt starts), and the range a parser
  // marked in this attempt, as offsets past it.
  std::uint64_t frontPosition() const { return m_readPos.load(std::memory_order_relaxed); }
  bool markedRange(std::size_t& start, std::size_t& end) const {
    start = m_markStart;
    end = m_markEnd;
    return m_marked;
  }

  // Wakes every read wait at once and keeps later ones from waiting until
  // the next reset (a stopping analyser must not sit out its read waits).
  void abortWaits();
  // Waits up to ms for bytes beyond stream position `pos` (or an abort, or
  // the no-wait flag); true when they are there.
  bool waitBeyond(std::uint64_t pos, std::uint32_t ms);
  std::uint64_t writePosition() const { return m_writePos.load(std::memory_order_acquire); }

  // Bytes written and not yet committed or dropped.
  std::uint64_t pending();
  std::uint64_t readPosition();
  std::size_t blockCount();

 private:
  struct Block {
    std::unique_ptr<std::uint8_t[]> data;
  };
  // Reader side: make `pos` readable, waiting at most `waits` times.
  STELVAN_NO_COVERAGE bool ensure(std::uint64_t pos, unsigned waits) {
    return pos - m_winPos < m_winLen || ensureSlow(pos, waits);  // unsigned: pos below the window fails too
  }
  bool ensureSlow(std::uint64_t pos, unsigned waits);
  bool refreshWindow(std::uint64_t pos);         // under m_cs
  std::uint8_t byteAt(std::uint64_t pos) const;  // under m_cs, m_readPos <= pos < m_writePos
  void appendLocked(const std::uint8_t* bytes, std::size_t count);
  void dropBefore(std::uint64_t pos);  // under m_cs
  // The slow paths of takeUnknownByte and takeUnknownRun: markers to look
  // at or a block to free, under the lock.
  void takeByteSlow(std::uint64_t pos, Marker* outMarker);
  std::size_t takeRunSlow(const std::bitset<256>& stopAt, std::vector<std::uint8_t>& out, Marker& marker,
                          std::size_t max);
  void addMarkerLocked(std::uint64_t pos, std::uint32_t tag, std::int32_t object);
  unsigned waitsForRead() const;

  std::mutex m_cs;
  std::condition_variable m_arrived;
  std::deque<Block> m_blocks;  // block k holds positions [(m_firstBlock+k)*B, ...)
  // Freed blocks kept for reuse: a writer of 1 MiB slices reuses them all
  // instead of having the heap give back and take fresh (zeroed) pages.
  static constexpr std::size_t kSpareBlocks = 20;
  std::vector<std::unique_ptr<std::uint8_t[]>> m_spare;
  std::uint64_t m_firstBlock = 0;
  std::atomic<std::uint64_t> m_writePos{0};   // changed under m_cs; read anywhere
  std::atomic<std::uint64_t> m_readPos{0};    // first byte not committed/dropped; the reader moves it
  std::atomic<std::size_t> m_markerCount{0};  // size of m_markers, readable without the lock
  std::deque<Marker> m_markers;               // marker table, ordered by position; under m_cs
  bool m_noWait = false;                      // under m_cs
  bool m_abort = false;                       // under m_cs

  // Reader-only state.
  std::size_t m_taken = 0;
  bool m_marked = false;
  std::size_t m_markStart = 0, m_markEnd = 0;
  bool m_lastComplete = true;
  std::uint64_t m_winPos = 0;
  std::size_t m_winLen = 0;
  const std::uint8_t* m_winPtr = nullptr;
};

}  // namespace engine
