#include "C_DA_Tuning.h"

#include "TuningValues.h"

namespace engine {

void C_DA_Tuning::setName(const std::string& name) {
  if (m_analyser) m_analyser->setName(name);
}

// Only the four kinds exist; anything else is stored as normal.
int C_DA_Tuning::setPriorityKind(int kind) {
  const int old = tuning::priorityKind.exchange((kind >= 0 && kind <= 3) ? kind : 2);
  if (m_analyser) m_analyser->applyPriority();
  return old;
}

int C_DA_Tuning::priorityKind() {
  const int k = tuning::priorityKind.load();
  return (k >= 0 && k <= 3) ? k : 2;
}

int C_DA_Tuning::setNestingLimit(int v) {
  return tuning::nestingLimit.exchange(v);
}
int C_DA_Tuning::nestingLimit() {
  return tuning::nestingLimit.load();
}
std::uint32_t C_DA_Tuning::setWriteChunkSize(std::uint32_t v) {
  return tuning::writeChunkSize.exchange(v);
}
std::uint32_t C_DA_Tuning::writeChunkSize() {
  return tuning::writeChunkSize.load();
}
std::uint32_t C_DA_Tuning::setUnknownFlushSize(std::uint32_t v) {
  return tuning::unknownFlushSize.exchange(v);
}
std::uint32_t C_DA_Tuning::unknownFlushSize() {
  return tuning::unknownFlushSize.load();
}
std::uint32_t C_DA_Tuning::setReadWait(std::uint32_t ms) {
  return tuning::readWaitMs.exchange(ms);
}
std::uint32_t C_DA_Tuning::readWait() {
  return tuning::readWaitMs.load();
}
std::uint32_t C_DA_Tuning::setReadRetries(std::uint32_t n) {
  return tuning::readRetries.exchange(n);
}
std::uint32_t C_DA_Tuning::readRetries() {
  return tuning::readRetries.load();
}
std::uint32_t C_DA_Tuning::setIdleWait(std::uint32_t ms) {
  return tuning::idleWaitMs.exchange(ms);
}
std::uint32_t C_DA_Tuning::idleWait() {
  return tuning::idleWaitMs.load();
}
int C_DA_Tuning::setBoundedBuffer(int on) {
  return tuning::boundedBuffer.exchange(on);
}
bool C_DA_Tuning::boundedBuffer() {
  return tuning::boundedBuffer.load() == 1;
}
std::uint32_t C_DA_Tuning::setBoundedBlocks(std::uint32_t n) {
  return tuning::boundedBlocks.exchange(n);
}
std::uint32_t C_DA_Tuning::boundedBlocks() {
  return tuning::boundedBlocks.load();
}

int C_DA_Tuning::setSwitch(int which, int v) {
  if (which < 0 || which > 4) return 0;
  return tuning::switches[which].exchange(v);
}

bool C_DA_Tuning::switchOn(int which) {
  return which >= 0 && which <= 4 && tuning::switches[which].load() == 1;
}

}  // namespace engine
