#pragma once
// The tuning object of an analysis: reads and changes the process-wide
// values (TuningValues.h); name and priority also reach the analyser.
#include "../interfaces/IDA_Tuning.h"
#include "../interfaces/I_Analyser.h"

namespace engine {

class C_DA_Tuning : public IDA_Tuning {
 public:
  explicit C_DA_Tuning(I_Analyser* analyser) : m_analyser(analyser) {}

  void setName(const std::string& name) override;
  int setPriorityKind(int kind) override;
  int priorityKind() override;
  int setNestingLimit(int v) override;
  int nestingLimit() override;
  std::uint32_t setWriteChunkSize(std::uint32_t v) override;
  std::uint32_t writeChunkSize() override;
  std::uint32_t setUnknownFlushSize(std::uint32_t v) override;
  std::uint32_t unknownFlushSize() override;
  std::uint32_t setReadWait(std::uint32_t ms) override;
  std::uint32_t readWait() override;
  std::uint32_t setReadRetries(std::uint32_t n) override;
  std::uint32_t readRetries() override;
  std::uint32_t setIdleWait(std::uint32_t ms) override;
  std::uint32_t idleWait() override;
  int setBoundedBuffer(int on) override;
  bool boundedBuffer() override;
  std::uint32_t setBoundedBlocks(std::uint32_t n) override;
  std::uint32_t boundedBlocks() override;
  int setSwitch(int which, int v) override;
  bool switchOn(int which) override;

 private:
  Ref<I_Analyser> m_analyser;
};

}  // namespace engine
