#pragma once
// The parsers of one analyser with their enabled flags and the
// move-to-front try order. Indices outside the pool give 0/none/no effect.
// The cursor (current/next/promote/rewind) belongs to the analysis worker.
#include <cstddef>
#include <string>

#include "IParserData.h"
#include "ITUnknown.h"

namespace engine {

class I_ParserPool : public ITUnknown {
 public:
  virtual bool add(IParserData* parser) = 0;                          // 2: stores a clone
  virtual std::size_t count() = 0;                                    // 3
  virtual std::string name(std::size_t i) = 0;                        // 4
  virtual IParserData* at(std::size_t i) = 0;                         // 5: not counted for the caller
  virtual bool setEnabled(std::size_t i, bool on) = 0;                // 6
  virtual bool isEnabled(std::size_t i) = 0;                          // 7
  virtual bool configure(std::size_t i, IMsgSettings* settings) = 0;  // 8
  virtual bool setAcceptUnknown(std::size_t i, bool on) = 0;          // 9
  virtual I_ParserPool* clone() = 0;                                  // 10: count 0
  virtual IParserData* parserAt(std::size_t i) = 0;                   // 11
  virtual IParserData* current() = 0;                                 // 12
  virtual bool next() = 0;                                            // 13: false when none is left
  virtual void promote() = 0;                                         // 14
  virtual void rewind() = 0;                                          // 15
};

}  // namespace engine
