#pragma once
// The process-wide tuning values (shared by every analyser; each setter is
// an atomic exchange returning the old value).
#include <cstdint>
#include <string>

#include "ITUnknown.h"

namespace engine {

class IDA_Tuning : public ITUnknown {
 public:
  virtual void setName(const std::string& name) = 0;               // 2
  virtual int setPriorityKind(int kind) = 0;                       // 3
  virtual int priorityKind() = 0;                                  // 4
  virtual int setNestingLimit(int v) = 0;                          // 5
  virtual int nestingLimit() = 0;                                  // 6
  virtual std::uint32_t setWriteChunkSize(std::uint32_t v) = 0;    // 7
  virtual std::uint32_t writeChunkSize() = 0;                      // 8
  virtual std::uint32_t setUnknownFlushSize(std::uint32_t v) = 0;  // 9
  virtual std::uint32_t unknownFlushSize() = 0;                    // 10
  virtual std::uint32_t setReadWait(std::uint32_t ms) = 0;         // 11
  virtual std::uint32_t readWait() = 0;                            // 12
  virtual std::uint32_t setReadRetries(std::uint32_t n) = 0;       // 13
  virtual std::uint32_t readRetries() = 0;                         // 14
  virtual std::uint32_t setIdleWait(std::uint32_t ms) = 0;         // 15
  virtual std::uint32_t idleWait() = 0;                            // 16
  virtual int setBoundedBuffer(int on) = 0;                        // 17
  virtual bool boundedBuffer() = 0;                                // 18
  virtual std::uint32_t setBoundedBlocks(std::uint32_t n) = 0;     // 19
  virtual std::uint32_t boundedBlocks() = 0;                       // 20
  virtual int setSwitch(int which, int v) = 0;                     // 21,23,...: which 0..4
  virtual bool switchOn(int which) = 0;                            // 22,24,...
};

}  // namespace engine
