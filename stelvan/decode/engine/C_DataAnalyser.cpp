#include "C_DataAnalyser.h"

#include "../parsers/DefaultParsers.h"
#include "C_Ex_StorageMsgMem.h"
#include "TuningValues.h"

namespace engine {

using G = std::lock_guard<std::recursive_mutex>;

C_DataAnalyser::~C_DataAnalyser() {
  if (m_top) m_top->stop();
  m_manager.reset();
  m_tuning.reset();
  m_top.reset();
}

IDA_Tuning* C_DataAnalyser::getTuning() {
  G g(m_cs);
  return m_tuning.get();
}
IParserManager* C_DataAnalyser::getParserManager() {
  G g(m_cs);
  return m_manager.get();
}
IEx_StorageMsg* C_DataAnalyser::getStorage() {
  G g(m_cs);
  return m_storage.get();
}

C_Analyser* C_DataAnalyser::topAnalyser() {
  G g(m_cs);
  return static_cast<C_Analyser*>(m_top.get());
}

DecodeHealth::Refusals C_DataAnalyser::refusals() {
  C_Analyser* top = topAnalyser();
  return top ? top->health().refusals() : DecodeHealth::Refusals();
}

std::uint64_t C_DataAnalyser::gaps() {
  C_Analyser* top = topAnalyser();
  return top ? top->health().gaps() : 0;
}

bool C_DataAnalyser::init(IEx_StorageMsg* storage, void*) {
  G g(m_cs);
  if (m_initialised) return true;
  m_storage = storage ? storage : static_cast<IEx_StorageMsg*>(new TUnknown<C_Ex_StorageMsgMem>());
  auto* top = new TUnknown<C_Analyser>(static_cast<IAnalysisManager*>(this), nullptr, m_storage.get());
  m_top = static_cast<I_Analyser*>(top);
  if (!m_top) return false;
  m_top->setMode(1);
  m_tuning = static_cast<IDA_Tuning*>(new TUnknown<C_DA_Tuning>(m_top.get()));
  m_tuning->setNestingLimit(5);
  m_manager = static_cast<IParserManager*>(new TUnknown<C_ParserManager>(m_top.get()));
  m_errors = static_cast<IDB_ErWr*>(new TUnknown<CDummyErrDB>());
  registerDefaultParsers(m_top.get());
  m_initialised = true;
  return m_top->start();
}

bool C_DataAnalyser::ensureInit() {
  G g(m_cs);
  return m_initialised || init(nullptr, nullptr);
}

bool C_DataAnalyser::start() {
  if (!ensureInit()) return false;
  G g(m_cs);
  auto* top = static_cast<C_Analyser*>(m_top.get());
  if (!top->hasThread()) top->reset();
  return m_top->start();
}

bool C_DataAnalyser::waitProcessed() {
  Ref<I_Analyser> top;
  {
    G g(m_cs);
    top = m_top;
  }
  return top ? top->waitProcessed() : true;
}

void C_DataAnalyser::stop() {
  Ref<I_Analyser> top;
  {
    G g(m_cs);
    top = m_top;
  }
  if (top) top->stop();
}

bool C_DataAnalyser::write(const std::uint8_t* bytes, std::size_t count) {
  return writeMarked(bytes, count, 0, -1);
}

bool C_DataAnalyser::writeMarked(const std::uint8_t* bytes, std::size_t count, std::uint32_t tag,
                                 std::int32_t object) {
  if (!ensureInit()) return false;
  C_Analyser* top = topAnalyser();
  m_written.fetch_add(count);
  return object >= 0 ? top->writeMarked(bytes, count, tag, object) : top->write(bytes, count);
}

void C_DataAnalyser::flush() {
  Ref<I_Analyser> top;
  {
    G g(m_cs);
    top = m_top;
  }
  if (top) top->flush();
}

}  // namespace engine
