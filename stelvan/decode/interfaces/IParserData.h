#pragma once
// One format parser. parse() runs on the analysis worker with the parser
// locked; configure/setAcceptUnknown may come from other threads and take
// the same lock (through the pool). `leading` selects the leading pattern
// list (true) or the trailing list (false).
#include <cstddef>
#include <cstdint>
#include <string>

#include "ITUnknown.h"

namespace engine {

class IEx_DataCash;
class IMsgSetting;
class IMsgSettings;

class IParserData : public ITUnknown {
 public:
  virtual void lock() = 0;                                        // 2
  virtual void unlock() = 0;                                      // 3
  virtual IParserData* clone() = 0;                               // 4: count 0
  virtual std::string name() = 0;                                 // 5
  virtual void configure(IMsgSettings* settings) = 0;             // 6
  virtual void setAcceptUnknown(bool on) = 0;                     // 7
  virtual bool acceptsUnknown() = 0;                              // 8
  virtual void setPatternCount(bool leading, std::size_t n) = 0;  // 9
  virtual void addPattern(bool leading, const std::string& text, std::uint32_t limit,
                          bool enabled) = 0;                                                          // 10
  virtual void setPatternEnabled(bool leading, std::size_t i, bool on) = 0;                           // 11
  virtual void setPatternText(bool leading, std::size_t i, const std::string& text) = 0;              // 12
  virtual void setPatternLimit(bool leading, std::size_t i, std::uint32_t limit) = 0;                 // 13
  virtual std::size_t patternCount(bool leading) = 0;                                                 // 14
  virtual bool isPatternEnabled(bool leading, std::size_t i) = 0;                                     // 15
  virtual std::string patternText(bool leading, std::size_t i) = 0;                                   // 16
  virtual std::uint32_t patternLimit(bool leading, std::size_t i) = 0;                                // 17
  virtual void resetState() = 0;                                                                      // 18
  virtual bool mapField(const std::string& key, const std::string& text, const std::string& id) = 0;  // 19
  virtual bool mapMessageType(const std::string& key, const std::string& typeText,
                              const std::string& id) = 0;             // 20
  virtual bool parse(IEx_DataCash* reader, IMsgSetting* status) = 0;  // 21: true = accepted
  virtual void resetDefaults() = 0;                                   // 22
  virtual IParserData* createInstance() = 0;                          // 23: count 0
  virtual std::size_t typicalLength() = 0;                            // 24
};

}  // namespace engine
