// The recognition pass of an analyser and what happens to the bytes no
// parser accepts.
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
  if (m_waiting && m_processed) m_processed->set();
}

void C_Analyser::runPass() {
  if (!pool()->anyEnabled()) {
    Lock lock(this);
    endOfData();
    return;
  }
  m_pool->rewind();
  C_Ex_DataCash* buf = cash();
  for (;;) {
    std::uint64_t seq;
    {
      Lock lock(this);
      if (stopRequested()) break;
      if (!buf->hasData()) {
        endOfData();
        return;
      }
      seq = m_writeSeq;
    }
    Ref<IParserData> parser(m_pool->current());
    if (!parser) {
      takeUnknownByte();
      m_pool->rewind();
      continue;
    }
    m_status->reset();
    parser->lock();
    const bool accepted = parser->parse(buf, m_status.get());
    parser->unlock();
    parser->resetState();
    if (accepted) {
      storeMessage();
      {
        Lock lock(this);
        if (m_nested) m_nested->start();
        m_messageFound = true;
      }
      m_pool->promote();
      continue;
    }
    const bool complete = buf->lastReadComplete();
    buf->rewind();
    if (!complete) {
      Lock lock(this);
      // Out of bytes mid-message: wait for the next write, unless one came
      // in meanwhile (its wake-up found us pending) or input has ended.
      if (!m_flush && seq == m_writeSeq) break;
      if (!m_flush) continue;
    }
    m_pool->next();  // none left: the next turn takes an unknown byte
  }
  Lock lock(this);
  m_pending = false;
  if (m_waiting && m_processed) m_processed->set();
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

void C_Analyser::forwardUnknown() {
  if (m_unknown.empty() || !m_nested) return;
  static_cast<C_Analyser*>(m_nested.get())->write(m_unknown.data(), m_unknown.size());
  m_unknown.clear();
}

void C_Analyser::takeUnknownByte() {
  std::uint8_t b = 0;
  Marker mk;
  if (!cash()->takeUnknownByte(b, &mk, true)) return;
  Lock lock(this);
  m_messageFound = false;
  if (!m_nested) {
    const int limit = tuning::nestingLimit.load();
    if (!m_manager || m_manager->levelCount() > limit + 1) return;  // dropped
    Ref<I_ParserPool> pool(m_pool->clone());
    auto* n = new TUnknown<C_Analyser>(m_manager, pool.get(), m_storage.get());
    m_nested = static_cast<I_Analyser*>(n);
    n->setMode(0);
    n->setName(m_name);
  }
  auto* n = static_cast<C_Analyser*>(m_nested.get());
  if (mk.object >= 0) {
    forwardUnknown();
    n->writeByteMarked(b, mk.tag, mk.object);
    return;
  }
  m_unknown.push_back(b);
  if (m_unknown.size() > tuning::unknownFlushSize.load()) forwardUnknown();
}

}  // namespace engine
