#include "C_Analyser.h"

#include <algorithm>
#include <chrono>

#include "TuningValues.h"

namespace engine {

using Lock = CLock<C_Analyser>;

namespace {
std::atomic<std::uint64_t> g_abandoned{0};

std::int64_t steadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

std::uint64_t C_Analyser::abandonedWorkers() {
  return g_abandoned.load();
}

void C_Analyser::noteWrite() {
  ++m_writeSeq;
  m_lastWriteMs.store(steadyMs(), std::memory_order_relaxed);
}

std::uint32_t C_Analyser::quietForMs() const {
  const std::int64_t d = steadyMs() - m_lastWriteMs.load(std::memory_order_relaxed);
  return d <= 0 ? 0 : static_cast<std::uint32_t>(std::min<std::int64_t>(d, 0x7FFFFFFF));
}

C_Analyser::C_Analyser(IAnalysisManager* manager, I_ParserPool* pool, IEx_StorageMsg* storage)
    : m_manager(manager),
      m_pool(pool ? pool : static_cast<I_ParserPool*>(new TUnknown<C_ParserPool>())),
      m_storage(storage),
      m_data(new TUnknown<C_DataManager>()),
      m_status(new TUnknown<C_MsgSetting>()) {
  if (m_manager) {
    m_level = m_manager->levelCount();
    m_manager->takeLevel();
  }
  m_tooDeep = m_level > tuning::nestingLimit.load();
}

C_Analyser::~C_Analyser() {
  stop();
  if (m_worker && !m_worker->Stop(10000)) (void)m_worker.release();  // abandoned, see stop()
}

// ---- pool operations: this pool, then the nested analyser's ----------------

bool C_Analyser::addParser(IParserData* parser) {
  Lock lock(this);
  const bool ok = m_pool->add(parser);
  if (m_nested) m_nested->addParser(parser);
  return ok;
}

std::size_t C_Analyser::parserCount() {
  Lock lock(this);
  return m_pool->count();
}
std::string C_Analyser::parserName(std::size_t i) {
  Lock lock(this);
  return m_pool->name(i);
}
IParserData* C_Analyser::parserAt(std::size_t i) {
  Lock lock(this);
  return m_pool->at(i);
}

bool C_Analyser::setParserEnabled(std::size_t i, bool on) {
  Lock lock(this);
  const bool ok = m_pool->setEnabled(i, on);
  if (m_nested) m_nested->setParserEnabled(i, on);
  return ok;
}

bool C_Analyser::isParserEnabled(std::size_t i) {
  Lock lock(this);
  return m_pool->isEnabled(i);
}

bool C_Analyser::configureParser(std::size_t i, IMsgSettings* settings) {
  Lock lock(this);
  const bool ok = m_pool->configure(i, settings);
  if (m_nested) m_nested->configureParser(i, settings);
  return ok;
}

bool C_Analyser::setAcceptUnknown(std::size_t i, bool on) {
  Lock lock(this);
  const bool ok = m_pool->setAcceptUnknown(i, on);
  if (m_nested) m_nested->setAcceptUnknown(i, on);
  return ok;
}

void C_Analyser::applyPriority() {
  Lock lock(this);
  if (m_nested) m_nested->applyPriority();
  if (m_worker) m_worker->setPriorityKind(tuning::priorityKind.load());
}

void C_Analyser::setName(const std::string& name) {
  Lock lock(this);
  if (m_nested) m_nested->setName(name);
  m_name = name;
}

void C_Analyser::setMode(int flag) {
  Lock lock(this);
  m_mode = flag;
}

void C_Analyser::setStorage(IEx_StorageMsg* storage) {
  Lock lock(this);
  m_storage = storage;
  if (m_nested) m_nested->setStorage(storage);
}

bool C_Analyser::hasThread() {
  Lock lock(this);
  return m_worker && m_worker->hasThread();
}

C_Analyser* C_Analyser::nested() {
  Lock lock(this);
  return static_cast<C_Analyser*>(m_nested.get());
}

std::size_t C_Analyser::unknownPending() {
  Lock lock(this);
  return m_unknown.size();
}

// ---- life --------------------------------------------------------------------

void C_Analyser::post(AnalyserWorker::Request r) {
  if (m_worker) m_worker->post(r, this);
}

bool C_Analyser::start() {
  Lock lock(this);
  if (m_tooDeep) return false;
  if (m_worker && m_worker->hasThread()) return true;
  m_messageFound = true;
  m_pool->rewind();
  m_unknown.clear();
  if (!m_processed) m_processed = std::make_unique<Platform::Event>(Platform::EventReset::Auto);
  if (!m_worker) m_worker = std::make_unique<AnalyserWorker>();
  m_worker->setPriorityKind(tuning::priorityKind.load());
  m_worker->Start();
  m_data->setThreadId(true);
  m_flush = false;
  m_pending = true;
  post(AnalyserWorker::kBind);
  post(AnalyserWorker::kPass);
  return true;
}

void C_Analyser::wake() {
  Lock lock(this);
  if (m_flush) {
    m_flush = false;
    cash()->setNoWait(false);
  }
  if (m_pending || !m_worker || !m_worker->hasThread()) return;
  m_pending = true;
  post(AnalyserWorker::kPass);
}

void C_Analyser::flush() {
  Lock lock(this);
  if (m_flush) return;
  m_flush = true;
  cash()->setNoWait(true);
  if (m_pending || !m_worker || !m_worker->hasThread()) return;
  m_pending = true;
  post(AnalyserWorker::kPass);
}

bool C_Analyser::waitProcessed() {
  Platform::Event* ev = nullptr;
  Ref<I_Analyser> nested;
  {
    Lock lock(this);
    if (m_worker && m_worker->hasThread() && m_processed) {
      ev = m_processed.get();
      ev->Reset();
      m_waiting = true;
      post(AnalyserWorker::kPass);
    }
  }
  bool ok = true;
  if (ev) {
    ok = ev->Wait(tuning::idleWaitMs.load()) == Platform::WaitResult::Signalled;
    Lock lock(this);
    m_waiting = false;
  }
  {
    Lock lock(this);
    nested = m_nested;
  }
  if (nested) ok = nested->waitProcessed() && ok;
  return ok;
}

void C_Analyser::stop() {
  m_stopRequested.store(1);
  // The worker takes our lock between messages, so its end is awaited
  // without holding it. Every wait in a pass is bounded (read waits), so
  // 1000 ms is ample; a worker that still runs is abandoned rather than
  // destroyed under its feet.
  std::unique_ptr<AnalyserWorker> worker;
  {
    Lock lock(this);
    worker = std::move(m_worker);
    m_data->setThreadId(false);
  }
  cash()->abortWaits();  // a worker waiting for bytes must not sit out its read waits
  if (worker && !worker->Stop(1000)) {
    g_abandoned.fetch_add(1);
    AddRef();  // keeps this analyser alive for the abandoned thread
    (void)worker.release();
  }
  Ref<I_Analyser> nested;
  {
    Lock lock(this);
    m_flush = true;
    m_data->reset();
    m_unknown.clear();
    nested = std::move(m_nested);
    m_hasNested.store(false);
    m_pending = false;
    if (m_waiting && m_processed) m_processed->Set();
  }
  if (nested) nested->stop();
  m_stopRequested.store(0);
}

// ---- writing -------------------------------------------------------------------

bool C_Analyser::write(const std::uint8_t* bytes, std::size_t count) {
  bool ok;
  {
    Lock lock(this);
    ok = m_data->write(bytes, count);
    noteWrite();
  }
  wake();
  return ok;
}

bool C_Analyser::writeMarked(const std::uint8_t* bytes, std::size_t count, std::uint32_t tag,
                             std::int32_t object) {
  bool ok;
  {
    Lock lock(this);
    ok = m_data->writeMarked(bytes, count, tag, object);
    noteWrite();
  }
  wake();
  return ok;
}

bool C_Analyser::writeByteMarked(std::uint8_t byte, std::uint32_t tag, std::int32_t object) {
  bool ok;
  {
    Lock lock(this);
    ok = m_data->writeByteMarked(byte, tag, object);
    noteWrite();
  }
  wake();
  return ok;
}

void C_Analyser::reset() {
  Lock lock(this);
  m_data->reset();
  m_pool->rewind();
  m_unknown.clear();
  m_messageFound = true;
  m_health.reset();
}

}  // namespace engine
