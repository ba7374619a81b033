#include "C_Ex_DataCash.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "TuningValues.h"

namespace engine {

namespace {
constexpr std::uint64_t B = C_Ex_DataCash::kBlockSize;

// Blocks of buffers that have ended, for the next buffer: a stream buffer
// per short input (a nested analyser's, a fuzz input's) then costs no fresh
// 64 KiB. Bounded, so an ended analysis keeps little.
class BlockPool {
 public:
  std::unique_ptr<std::uint8_t[]> get() {
    std::lock_guard<std::mutex> g(m_cs);
    if (m_free.empty()) return nullptr;
    auto b = std::move(m_free.back());
    m_free.pop_back();
    return b;
  }
  void put(std::unique_ptr<std::uint8_t[]> b) {
    std::lock_guard<std::mutex> g(m_cs);
    if (b && m_free.size() < kKept) m_free.push_back(std::move(b));
  }

 private:
  static constexpr std::size_t kKept = 16;
  std::mutex m_cs;
  std::vector<std::unique_ptr<std::uint8_t[]>> m_free;
};

BlockPool& blockPool() {
  static BlockPool* pool = new BlockPool();  // never destroyed: buffers may end after static destruction
  return *pool;
}
}  // namespace

C_Ex_DataCash::~C_Ex_DataCash() {
  for (auto& b : m_spare) blockPool().put(std::move(b));
  for (auto& b : m_blocks) blockPool().put(std::move(b.data));
}

// ---- writer side ----------------------------------------------------------

void C_Ex_DataCash::appendLocked(const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const std::uint64_t inBlock = m_writePos % B;
    const std::uint64_t idx = m_writePos / B;
    if (m_blocks.empty()) m_firstBlock = idx;
    if (idx >= m_firstBlock + m_blocks.size()) {
      Block b;
      if (!m_spare.empty()) {
        b.data = std::move(m_spare.back());
        m_spare.pop_back();
      } else if (!(b.data = blockPool().get())) {
        b.data.reset(new std::uint8_t[B]);  // no zeroing: every byte is written before it is read
      }
      m_blocks.push_back(std::move(b));
    }
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(count, B - inBlock));
    std::memcpy(m_blocks.back().data.get() + inBlock, bytes, n);
    bytes += n;
    count -= n;
    m_writePos += n;
  }
}

void C_Ex_DataCash::addMarkerLocked(std::uint64_t pos, std::uint32_t tag, std::int32_t object) {
  m_markers.push_back(Marker{pos, tag, object});
  m_markerCount.store(m_markers.size());
}

bool C_Ex_DataCash::write(const std::uint8_t* bytes, std::size_t count) {
  return writeMarked(bytes, count, 0, -1);
}

bool C_Ex_DataCash::writeMarked(const std::uint8_t* bytes, std::size_t count, std::uint32_t tag,
                                std::int32_t object) {
  if (!bytes && count) return false;
  const std::size_t chunk = std::max<std::uint32_t>(1, tuning::writeChunkSize.load());
  bool first = true;
  do {
    const std::size_t n = std::min(count, chunk);
    {
      std::lock_guard<std::mutex> g(m_cs);
      if (first && object >= 0) addMarkerLocked(m_writePos, tag, object);
      appendLocked(bytes, n);
    }
    m_arrived.notify_all();
    bytes += n;
    count -= n;
    first = false;
  } while (count > 0);
  return true;
}

bool C_Ex_DataCash::writeByteMarked(std::uint8_t byte, std::uint32_t tag, std::int32_t object) {
  return writeMarked(&byte, 1, tag, object);
}

void C_Ex_DataCash::reset() {
  {
    std::lock_guard<std::mutex> g(m_cs);
    m_blocks.clear();
    m_markers.clear();
    m_markerCount.store(0);
    m_abort = false;
    m_firstBlock = m_writePos / B;
    m_readPos.store(m_writePos.load());
    m_taken = 0;
    m_marked = false;
    m_lastComplete = true;
    m_winLen = 0;
    m_winPtr = nullptr;
  }
  m_arrived.notify_all();
}

std::uint64_t C_Ex_DataCash::pending() {
  std::lock_guard<std::mutex> g(m_cs);
  return m_writePos.load() - m_readPos.load();
}

std::uint64_t C_Ex_DataCash::readPosition() {
  std::lock_guard<std::mutex> g(m_cs);
  return m_readPos;
}

std::size_t C_Ex_DataCash::blockCount() {
  std::lock_guard<std::mutex> g(m_cs);
  return m_blocks.size();
}

// ---- reader side ------------------------------------------------------------
// The reader's per-byte primitives carry no coverage tracing (NoCoverage.h):
// a fuzzer cannot steer them, and every parse attempt goes through them. The
// paths with markers, waits and block changes keep it.

bool C_Ex_DataCash::isEndOfInput() {
  std::lock_guard<std::mutex> g(m_cs);
  return m_noWait;
}

void C_Ex_DataCash::setNoWait(bool on) {
  {
    std::lock_guard<std::mutex> g(m_cs);
    m_noWait = on;
  }
  m_arrived.notify_all();
}

void C_Ex_DataCash::abortWaits() {
  {
    std::lock_guard<std::mutex> g(m_cs);
    m_abort = true;
  }
  m_arrived.notify_all();
}

bool C_Ex_DataCash::waitBeyond(std::uint64_t pos, std::uint32_t ms) {
  std::unique_lock<std::mutex> g(m_cs);
  m_arrived.wait_for(g, std::chrono::milliseconds(ms),
                     [&] { return m_abort || m_noWait || m_writePos > pos; });
  return m_writePos > pos;
}

unsigned C_Ex_DataCash::waitsForRead() const {
  return tuning::readRetries.load() + 1;
}

std::uint8_t C_Ex_DataCash::byteAt(std::uint64_t pos) const {
  return m_blocks[static_cast<std::size_t>(pos / B - m_firstBlock)].data[pos % B];
}

bool C_Ex_DataCash::refreshWindow(std::uint64_t pos) {
  if (pos >= m_writePos || pos < m_readPos) return false;
  const std::uint64_t k = pos / B - m_firstBlock;
  if (k >= m_blocks.size()) return false;
  const std::uint64_t start = (pos / B) * B;
  m_winPos = start;
  m_winPtr = m_blocks[k].data.get();
  m_winLen = static_cast<std::size_t>(std::min<std::uint64_t>(m_writePos, start + B) - start);
  return true;
}

bool C_Ex_DataCash::ensureSlow(std::uint64_t pos, unsigned waits) {
  std::unique_lock<std::mutex> g(m_cs);
  if (refreshWindow(pos)) return true;
  const auto slice = std::chrono::milliseconds(tuning::readWaitMs.load());
  for (unsigned i = 0; i < waits && !m_noWait && !m_abort; ++i) {
    m_arrived.wait_for(g, slice, [&] { return m_noWait || m_abort || pos < m_writePos; });
    if (refreshWindow(pos)) return true;
  }
  return false;
}

STELVAN_NO_COVERAGE bool C_Ex_DataCash::peek(std::uint8_t& out, std::size_t offset) {
  if (offset == 0) return false;
  const std::uint64_t pos = m_readPos + m_taken + offset - 1;
  m_lastComplete = ensure(pos, waitsForRead());
  if (m_lastComplete) out = m_winPtr[pos - m_winPos];
  return m_lastComplete;
}

STELVAN_NO_COVERAGE bool C_Ex_DataCash::readByte(std::uint8_t& out) {
  const std::uint64_t pos = m_readPos + m_taken;
  m_lastComplete = ensure(pos, 1);
  if (!m_lastComplete) return false;
  out = m_winPtr[pos - m_winPos];
  ++m_taken;
  return true;
}

STELVAN_NO_COVERAGE std::size_t C_Ex_DataCash::read(std::vector<std::uint8_t>& buffer, std::size_t n) {
  std::size_t got = 0;
  const unsigned waits = waitsForRead();
  while (got < n) {
    const std::uint64_t pos = m_readPos + m_taken;
    if (!ensure(pos, waits)) break;
    const std::size_t inWin = static_cast<std::size_t>(m_winPos + m_winLen - pos);
    const std::size_t k = std::min(inWin, n - got);
    const std::uint8_t* p = m_winPtr + (pos - m_winPos);
    buffer.insert(buffer.end(), p, p + k);
    m_taken += k;
    got += k;
  }
  m_lastComplete = got == n;
  return got;
}

STELVAN_NO_COVERAGE std::size_t C_Ex_DataCash::take(std::size_t n) {
  std::size_t got = 0;
  const unsigned waits = waitsForRead();
  while (got < n) {
    const std::uint64_t pos = m_readPos + m_taken;
    if (!ensure(pos, waits)) break;
    const std::size_t inWin = static_cast<std::size_t>(m_winPos + m_winLen - pos);
    const std::size_t k = std::min(inWin, n - got);
    m_taken += k;
    got += k;
  }
  m_lastComplete = got == n;
  return got;
}

STELVAN_NO_COVERAGE std::size_t C_Ex_DataCash::peekSpan(std::size_t offset, std::size_t want,
                                                        const std::uint8_t** out) {
  if (offset == 0 || !out) return 0;
  const std::uint64_t pos = m_readPos + m_taken + offset - 1;
  if (!ensure(pos, 0)) return 0;
  *out = m_winPtr + (pos - m_winPos);
  return std::min<std::size_t>(want, static_cast<std::size_t>(m_winPos + m_winLen - pos));
}

STELVAN_NO_COVERAGE bool C_Ex_DataCash::markMessage(std::size_t start, std::size_t end) {
  if (end < start) return false;
  m_marked = true;
  m_markStart = start;
  m_markEnd = end;
  return true;
}

// A fresh attempt starts complete.
STELVAN_NO_COVERAGE void C_Ex_DataCash::rewind() {
  m_taken = 0;
  m_marked = false;
  m_lastComplete = true;
}

// Only the reader moves m_readPos, so no lock is needed here.
STELVAN_NO_COVERAGE bool C_Ex_DataCash::hasData() {
  return m_writePos.load(std::memory_order_acquire) > m_readPos;
}

// Drops bytes and markers before pos; frees whole blocks that fall behind.
void C_Ex_DataCash::dropBefore(std::uint64_t pos) {
  m_readPos = std::max(m_readPos.load(), std::min(pos, m_writePos.load()));
  while (!m_markers.empty() && m_markers.front().position < m_readPos) m_markers.pop_front();
  m_markerCount.store(m_markers.size());
  while (!m_blocks.empty() && (m_firstBlock + 1) * B <= m_readPos) {
    if (m_spare.size() < kSpareBlocks) m_spare.push_back(std::move(m_blocks.front().data));
    m_blocks.pop_front();
    ++m_firstBlock;
  }
  if (m_blocks.empty()) m_firstBlock = m_writePos / B;
  if (m_winPos + m_winLen <= m_readPos) {
    m_winLen = 0;
    m_winPtr = nullptr;
  }
}

bool C_Ex_DataCash::commit(IMessageGNSS* message) {
  const std::uint64_t begin = m_readPos;
  const std::size_t taken = m_taken;
  if (message && taken > 0) {
    std::size_t s = 0, e = taken;
    if (m_marked) {
      s = std::min(m_markStart, taken);
      e = std::clamp(m_markEnd, s, taken);
    }
    const std::uint64_t from = begin + s;
    if (e > s && ensure(from, 0) && from + (e - s) <= m_winPos + m_winLen) {
      message->setRaw(m_winPtr + (from - m_winPos), e - s);  // contiguous: one copy
    } else {
      std::vector<std::uint8_t> bytes;
      bytes.reserve(e - s);
      m_taken = s;  // copy [s, e) through the window helpers
      read(bytes, e - s);
      message->setRaw(bytes.data(), bytes.size());
    }
    // The raw bytes are the marked range itself, so the sub-range starts at 0.
    if (m_marked) message->setOffset(0, e - s);
    message->setStreamPosition(begin + s);
    m_taken = taken;
  }
  const std::uint64_t end = begin + taken;
  if (m_markerCount.load() == 0 && end / B == begin / B) {
    // No marker to move and no block falls free: no lock needed.
    m_readPos.store(end);
  } else {
    std::lock_guard<std::mutex> g(m_cs);
    if (message) {
      for (const Marker& m : m_markers) {
        if (m.position >= begin + taken) break;
        if (m.position >= begin) message->addMarker(m);
      }
    }
    dropBefore(begin + taken);
  }
  m_taken = 0;
  m_marked = false;
  m_lastComplete = true;
  return true;
}

std::size_t C_Ex_DataCash::lookupMarkers(IMessageGNSS* message) {
  std::lock_guard<std::mutex> g(m_cs);
  std::size_t n = 0;
  for (const Marker& m : m_markers) {
    if (m.position >= m_readPos + m_taken) break;
    if (m.position < m_readPos) continue;
    if (message) message->addMarker(m);
    ++n;
  }
  return n;
}

STELVAN_NO_COVERAGE bool C_Ex_DataCash::takeUnknownByte(std::uint8_t& out, Marker* outMarker,
                                                        bool fromStart) {
  if (fromStart) rewind();
  const std::uint64_t pos = m_readPos + m_taken;
  m_lastComplete = ensure(pos, 1);
  if (!m_lastComplete) return false;
  out = m_winPtr[pos - m_winPos];
  if (outMarker) outMarker->object = -1;
  const std::uint64_t next = pos + 1;
  if (m_markerCount.load() == 0 && next / B == m_readPos / B && next < m_winPos + m_winLen) {
    // No marker to hand over and no block falls free: no lock needed.
    m_readPos.store(next);
    m_taken = 0;
    m_marked = false;
    return true;
  }
  takeByteSlow(pos, outMarker);
  return true;
}

void C_Ex_DataCash::takeByteSlow(std::uint64_t pos, Marker* outMarker) {
  std::lock_guard<std::mutex> g(m_cs);
  for (const Marker& m : m_markers) {
    if (m.position > pos) break;
    if (m.position == pos && outMarker) *outMarker = m;
  }
  dropBefore(pos + 1);
  m_taken = 0;
  m_marked = false;
}

STELVAN_NO_COVERAGE std::size_t C_Ex_DataCash::takeUnknownRun(const std::bitset<256>& stopAt,
                                                              std::vector<std::uint8_t>& out, Marker& marker,
                                                              std::size_t max) {
  rewind();
  marker.object = -1;
  const std::uint64_t start = m_readPos;
  if (m_markerCount.load() == 0 && ensure(start, 0)) {
    // No markers: scan inside the reader's window without the lock.
    const std::uint64_t end =
        std::min<std::uint64_t>(m_winPos + m_winLen, start + std::max<std::size_t>(max, 1));
    const std::uint8_t* p = m_winPtr + (start - m_winPos);
    const std::size_t n = static_cast<std::size_t>(end - start);
    std::size_t k = stopAt.none() ? n : 1;  // the pass stops nowhere: no byte to look at
    while (k < n && !stopAt[p[k]]) ++k;
    const std::size_t had = out.size();  // runs are short: resize + copy beats a range insert
    out.resize(had + k);
    std::memcpy(out.data() + had, p, k);
    const std::uint64_t pos = start + k;
    if (pos / B == start / B && pos < m_winPos + m_winLen) {
      m_readPos.store(pos);
    } else {
      std::lock_guard<std::mutex> g(m_cs);
      dropBefore(pos);
    }
    return static_cast<std::size_t>(pos - start);
  }
  return takeRunSlow(stopAt, out, marker, max);
}

std::size_t C_Ex_DataCash::takeRunSlow(const std::bitset<256>& stopAt, std::vector<std::uint8_t>& out,
                                       Marker& marker, std::size_t max) {
  const std::uint64_t start = m_readPos;
  std::lock_guard<std::mutex> g(m_cs);
  const std::uint64_t end = std::min<std::uint64_t>(m_writePos, start + std::max<std::size_t>(max, 1));
  if (start >= end) return 0;
  auto mk = m_markers.begin();
  while (mk != m_markers.end() && mk->position < start) ++mk;
  std::uint64_t pos = start;
  while (pos < end) {
    const bool marked = mk != m_markers.end() && mk->position == pos;
    if (pos > start && (marked || stopAt[byteAt(pos)])) break;
    if (marked) {
      if (pos == start) marker = *mk;
      ++mk;
    }
    out.push_back(byteAt(pos));
    ++pos;
    if (marked) break;
  }
  dropBefore(pos);
  return static_cast<std::size_t>(pos - start);
}

std::size_t C_Ex_DataCash::trim(std::size_t blocks) {
  std::lock_guard<std::mutex> g(m_cs);
  if (m_blocks.size() <= blocks) return 0;
  const std::uint64_t newFront = (m_firstBlock + (m_blocks.size() - blocks)) * B;
  const std::uint64_t before = m_readPos;
  m_taken = 0;
  m_marked = false;
  m_winLen = 0;
  m_winPtr = nullptr;
  dropBefore(newFront);
  return static_cast<std::size_t>(m_readPos - before);
}

}  // namespace engine
