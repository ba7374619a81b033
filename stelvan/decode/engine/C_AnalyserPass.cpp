// The recognition pass of an analyser and what happens to the bytes no
// parser accepts.
#include <algorithm>

#include "C_Analyser.h"
#include "TuningValues.h"

namespace engine {

using Lock = CLock<C_Analyser>;

// Under our lock: the buffer ran dry. At end of input the gathered unknown
// bytes go to the nested analyser, which is flushed in turn.
void C_Analyser::endOfData() {
  m_pending = false;
  if (m_flush && m_nested) {
    auto* n = static_cast<C_Analyser*>(m_nested.get());
    if (!m_unknown.empty()) {
      n->write(m_unknown.data(), m_unknown.size());
      m_unknown.clear();
    }
    n->start();
    n->flush();
  }
  if (m_waiting && m_processed) m_processed->Set();
}

// The pool's try order is mirrored locally (re-read when the pool changes),
// and a parser is only called when the current byte may start one of its
// messages, so a run of bytes no parser wants costs one buffer lock.
void C_Analyser::runPass() {
  C_Ex_DataCash* buf = cash();
  C_ParserPool* pp = pool();
  std::vector<C_ParserPool::Candidate> order;
  std::bitset<256> starts;
  std::uint64_t version = 0;
  m_pool->rewind();
  for (;;) {
    if (stopRequested()) break;
    if (pp->version() != version) {
      version = pp->version();
      order = pp->enabledOrder();
      m_scanStale = true;
      starts.reset();
      for (const auto& c : order) starts |= c.start;
    }
    if (order.empty() || !buf->hasData()) {
      Lock lock(this);
      if (order.empty() || !buf->hasData()) {
        endOfData();
        return;
      }
      continue;
    }
    const std::uint64_t seq = m_writeSeq.load();
    std::uint8_t first = 0;
    buf->peekFirst(first);
    const std::uint8_t* look = nullptr;
    const std::size_t seen = buf->peekSpan(1, CParserData::kStartLook, &look);
    bool accepted = false, waitMore = false;
    for (std::size_t i = 0; i < order.size(); ++i) {
      C_ParserPool::Candidate& c = order[i];
      if (c.base && c.base->generation() != c.generation) {
        C_ParserPool::refreshStart(c);
        starts |= c.start;
        m_scanStale = true;
      }
      if (!c.start[first]) continue;
      // A start the parser's own test refuses needs neither its lock nor an attempt.
      if (seen > 0 && !c.mayStartAt(look, seen)) continue;
      m_status->reset();
      c.parser->lock();
      accepted = c.parser->parse(buf, m_status.get());
      c.parser->unlock();
      c.parser->resetState();
      if (accepted) {
        m_health.message();
        storeMessage();
        m_messageFound = true;
        if (m_hasNested.load()) startNested();
        if (i > 0) pp->promoteEntry(c.entry);
        std::rotate(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(i),
                    order.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        break;
      }
      const bool complete = buf->lastReadComplete();
      if (complete && m_status->statusCount() > 0) noteRefusal(c);
      buf->rewind();
      if (complete) continue;
      // Out of bytes mid-message: wait for the next write, unless one came
      // in meanwhile (its wake-up found us pending: try again) or input
      // has ended (then the other parsers get their turn). On a stream that
      // has gone quiet the start is given up, so that a false start does
      // not hold back the complete messages behind it.
      const std::uint32_t quietLimit = m_falseStartQuietMs.load();
      std::uint64_t writePos = 0;
      {
        Lock lock(this);
        if (m_flush) continue;
        if (seq != m_writeSeq.load()) {
          waitMore = true;
          break;
        }
        if (quietLimit == 0) {
          m_pending = false;
          if (m_waiting && m_processed) m_processed->Set();
          return;
        }
        writePos = buf->writePosition();
      }
      const std::uint32_t quiet = quietForMs();
      if (quiet >= quietLimit) continue;  // given up: the next parser, then the unknown way
      buf->waitBeyond(writePos, quietLimit - quiet);
      waitMore = true;
      break;
    }
    if (accepted || waitMore) continue;
    takeUnknownRun(order, starts);
  }
  Lock lock(this);
  m_pending = false;
  if (m_waiting && m_processed) m_processed->Set();
}

// A refusal with status of a whole attempt (one that ran out of bytes is
// tried again) is a refused frame. It begins past the leading patterns the
// parser took, or where the parser marked it, with the extent it marked.
void C_Analyser::noteRefusal(const C_ParserPool::Candidate& c) {
  C_Ex_DataCash* buf = cash();
  std::size_t markStart = 0, markEnd = 0;
  const bool marked = buf->markedRange(markStart, markEnd);
  const std::uint64_t begin = buf->frontPosition() + (marked ? markStart : buf->takenCount());
  const std::uint64_t end = marked ? buf->frontPosition() + markEnd : begin + 1;
  if (m_health.insideCounted(c.entry, begin)) return;
  m_health.refused(c.entry, c.parser->name(), m_status->status(m_status->statusCount() - 1), begin, end);
}

void C_Analyser::storeMessage() {
  C_Ex_DataCash* buf = cash();
  Ref<IEx_StorageMsg> storage;
  {
    Lock lock(this);
    storage = m_storage;
    if (!m_name.empty()) m_status->setSource(m_name);
  }
  const std::size_t consumed = buf->takenCount();
  if (!storage) {
    buf->commit(nullptr);
  } else {
    Ref<IMessageGNSS> msg(storage->createMessage(m_status.get()));
    buf->commit(msg.get());
    if (msg) storage->store(msg.get());
  }
  if (m_manager) m_manager->addConsumed(consumed);
}

// After a message: a nested analyser that may run gets its thread (it then
// works through the unknown bytes it was given). Once it runs, or when it is
// too deep to run, there is nothing more to do.
void C_Analyser::startNested() {
  if (m_nestedIdle) return;
  Lock lock(this);
  auto* n = static_cast<C_Analyser*>(m_nested.get());
  if (!n) return;
  if (!n->isTooDeep()) n->start();
  m_nestedIdle = n->isTooDeep() || n->hasThread();
}

void C_Analyser::forwardUnknown() {
  if (m_unknown.empty() || !m_nested) return;
  static_cast<C_Analyser*>(m_nested.get())->write(m_unknown.data(), m_unknown.size());
  m_unknown.clear();
}

// Every enabled parser refused at the current byte, which begins a run of leading line ends.
// An attempt inside the run skips the rest of it and decides on the same bytes as the attempt
// at its first byte did, so the positions are ruled out as far as every parser that may start
// at a byte has skipped it from there: the run goes at once, not a byte per round of attempts
// over all that is left of it (which made a long run of line ends cost its length squared).
std::size_t C_Analyser::leadingRunLength(const std::vector<C_ParserPool::Candidate>& order) {
  const std::uint8_t* p = nullptr;
  const std::size_t visible = cash()->peekSpan(1, ~std::size_t{0}, &p);
  if (visible == 0 || order.size() > 32) return 1;
  std::uint32_t inRun = 0;  // bit k: p[0, run) all skipped by candidate k's leading patterns
  for (std::size_t k = 0; k < order.size(); ++k)
    if (order[k].start[p[0]] && order[k].leadRun[p[0]]) inRun |= 1u << k;
  std::size_t run = 1;
  for (; run < visible && inRun != 0; ++run) {
    const std::uint8_t b = p[run];
    bool mayStart = false;
    for (std::size_t k = 0; k < order.size(); ++k) {
      if (!order[k].leadRun[b]) inRun &= ~(1u << k);
      mayStart = mayStart || (order[k].start[b] && !(inRun >> k & 1u));
    }
    if (mayStart) break;
  }
  return run;
}

// Every enabled parser refused at the current byte: that byte, and the
// bytes after it that no parser may start with, go the unknown way.
void C_Analyser::takeUnknownRun(const std::vector<C_ParserPool::Candidate>& order,
                                const std::bitset<256>& starts) {
  Marker mk;
  const std::size_t before = m_unknown.size();
  const std::size_t limit = std::max<std::size_t>(tuning::unknownFlushSize.load(), 1) + 1;
  // The run goes on over bytes at which every parser's start test refuses,
  // as the attempts there would; it ends where some parser may start. The
  // scan passes over most of them; the last visible positions, and those
  // the scan stops at, get the start tests themselves.
  if (m_scanStale) {
    m_scanReady = m_scan.update(order);
    m_scanStale = false;
  }
  const std::uint8_t* p = nullptr;
  const std::size_t avail = cash()->peekSpan(1, limit, &p);
  const std::size_t fast = m_scanReady && avail > UnknownScan::kLookAhead ? avail - UnknownScan::kLookAhead : 0;
  const std::uint64_t base = cash()->frontPosition();
  std::size_t run = leadingRunLength(order);
  for (; run < avail; ++run) {
    unsigned which = ~0u;
    if (run < fast) run = m_scan.next(p, run, fast, avail, base, which);
    if (!starts[p[run]]) continue;
    const std::size_t n = std::min(CParserData::kStartLook, avail - run);
    bool may = false;
    for (std::size_t k = 0; k < order.size() && !may; ++k)
      may = (which >> m_scan.bitOf(order[k].entry) & 1u) && order[k].mayStartAt(p + run, n);
    if (may) break;
  }
  static const std::bitset<256> kNoStop;
  if (cash()->takeUnknownRun(kNoStop, m_unknown, mk, run) == 0) return;
  m_messageFound = false;
  m_health.unknown();
  // Only this worker creates the nested analyser (stop() releases it after
  // the worker has ended), so reading m_nested here needs no lock.
  if (!m_nested) {
    Lock lock(this);
    const int nestLimit = tuning::nestingLimit.load();
    if (!m_manager || m_manager->levelCount() > nestLimit + 1) {
      m_unknown.resize(before);  // dropped
      return;
    }
    Ref<I_ParserPool> pool(m_pool->clone());
    auto* n = new TUnknown<C_Analyser>(m_manager, pool.get(), m_storage.get());
    m_nested = static_cast<I_Analyser*>(n);
    m_hasNested.store(true);
    m_nestedIdle = false;
    n->setMode(0);
    n->setName(m_name);
  }
  if (mk.object >= 0) {
    // A marked byte comes alone; the bytes gathered before it go first.
    const std::uint8_t b = m_unknown.back();
    m_unknown.pop_back();
    forwardUnknown();
    static_cast<C_Analyser*>(m_nested.get())->writeByteMarked(b, mk.tag, mk.object);
    return;
  }
  if (m_unknown.size() > tuning::unknownFlushSize.load()) forwardUnknown();
}

}  // namespace engine
