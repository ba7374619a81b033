#pragma once
// The facade of one analysis: what the receiver model, the logger and
// stelvan-decode hold. write/writeMarked may come from any thread; start,
// flush, waitProcessed and stop from the owner's thread. Every wait is
// bounded (the idle wait).
#include <cstddef>
#include <cstdint>
#include <string>

#include "IDA_Tuning.h"
#include "IEx_StorageMsg.h"
#include "IMsgSettings.h"
#include "IParserData.h"
#include "ITUnknown.h"

namespace engine {

class IParserManager : public ITUnknown {
 public:
  virtual bool addParser(IParserData* parser) = 0;                          // 2
  virtual std::size_t parserCount() = 0;                                    // 3
  virtual std::string parserName(std::size_t i) = 0;                        // 4
  virtual IParserData* parserAt(std::size_t i) = 0;                         // 5
  virtual bool setParserEnabled(std::size_t i, bool on) = 0;                // 6
  virtual bool isParserEnabled(std::size_t i) = 0;                          // 7
  virtual bool configureParser(std::size_t i, IMsgSettings* settings) = 0;  // 8
  virtual bool setAcceptUnknown(std::size_t i, bool on) = 0;                // 9
};

class IDataAnalyser : public ITUnknown {
 public:
  virtual IDA_Tuning* getTuning() = 0;                                   // 2: not counted for the caller
  virtual IParserManager* getParserManager() = 0;                        // 3
  virtual IEx_StorageMsg* getStorage() = 0;                              // 4
  virtual bool init(IEx_StorageMsg* storage, void* reserved) = 0;        // 5
  virtual bool start() = 0;                                              // 6
  virtual bool waitProcessed() = 0;                                      // 7
  virtual void stop() = 0;                                               // 8
  virtual bool write(const std::uint8_t* bytes, std::size_t count) = 0;  // 9
  virtual bool writeMarked(const std::uint8_t* bytes, std::size_t count, std::uint32_t tag,
                           std::int32_t object) = 0;  // 10
  virtual void flush() = 0;                           // 11
};

class IAnalysisManager {
 public:
  virtual int levelCount() = 0;  // 0
  virtual int takeLevel() = 0;   // 1: returns the level taken
  // 2: bytes that went into delivered messages, at any level (for the
  // unknown-byte count of an analysis).
  virtual void addConsumed(std::uint64_t n) = 0;

 protected:
  virtual ~IAnalysisManager() = default;
};

// Error sink of an analysis; the engine's only implementation ignores every call.
class IDB_ErWr : public ITUnknown {
 public:
  virtual void writeError(int code, const std::string& text) = 0;  // 2
};

}  // namespace engine
