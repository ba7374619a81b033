#pragma once
// One analyser: a pool of parsers over one stream buffer, worked by its own
// thread. Pool operations (2, 6, 8, 9) also act on the nested analyser.
#include <cstddef>
#include <string>

#include "IEx_StorageMsg.h"
#include "IMsgSettings.h"
#include "IParserData.h"
#include "ITUnknown.h"

namespace engine {

class I_Analyser : public ITUnknown {
 public:
  virtual bool addParser(IParserData* parser) = 0;                          // 2
  virtual std::size_t parserCount() = 0;                                    // 3
  virtual std::string parserName(std::size_t i) = 0;                        // 4
  virtual IParserData* parserAt(std::size_t i) = 0;                         // 5
  virtual bool setParserEnabled(std::size_t i, bool on) = 0;                // 6
  virtual bool isParserEnabled(std::size_t i) = 0;                          // 7
  virtual bool configureParser(std::size_t i, IMsgSettings* settings) = 0;  // 8
  virtual bool setAcceptUnknown(std::size_t i, bool on) = 0;                // 9
  virtual void applyPriority() = 0;                                         // 10
  virtual void setName(const std::string& name) = 0;                        // 11
  virtual void setMode(int flag) = 0;                                       // 12
  virtual void setStorage(IEx_StorageMsg* storage) = 0;                     // 13
  virtual bool start() = 0;                                                 // 14
  virtual void flush() = 0;                                                 // 15
  virtual bool waitProcessed() = 0;                                         // 16: false on time-out
  virtual void stop() = 0;                                                  // 17
};

}  // namespace engine
