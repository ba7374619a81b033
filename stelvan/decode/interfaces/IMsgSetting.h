#pragma once
// The status record of the message being recognised: reset before each
// parser attempt, filled by the parser, read by the storage when the
// message is created. Used by the analysis worker only.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ITUnknown.h"

namespace engine {

class IMsgSetting : public ITUnknown {
 public:
  virtual void reset() = 0;                               // 2
  virtual void setValid(bool v) = 0;                      // 3
  virtual bool isValid() = 0;                             // 4
  virtual void setSource(const std::string& s) = 0;       // 5
  virtual const std::string& source() = 0;                // 6
  virtual void setFormat(const std::string& s) = 0;       // 7
  virtual const std::string& format() = 0;                // 8
  virtual void setId(const std::string& s) = 0;           // 9
  virtual const std::string& id() = 0;                    // 10
  virtual void setDescription(const std::string& s) = 0;  // 11
  virtual const std::string& description() = 0;           // 12
  virtual void addStatus(std::int32_t code) = 0;          // 13
  virtual std::size_t statusCount() = 0;                  // 14
  virtual std::int32_t status(std::size_t i) = 0;         // 15: 0 outside the list
};

}  // namespace engine
