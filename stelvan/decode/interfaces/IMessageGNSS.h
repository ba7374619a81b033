#pragma once
// One recognised message: its raw bytes, the parser's sub-range, names and
// the markers of its bytes. Created by a storage, filled by the stream
// buffer's commit on the analysis worker, then read by any thread (its own
// lock guards the fields).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ITUnknown.h"
#include "Marker.h"

namespace engine {

class IMessageGNSS : public ITUnknown {
 public:
  virtual void lock() = 0;                      // 2
  virtual void unlock() = 0;                    // 3
  virtual bool isValid() = 0;                   // 4
  virtual std::string format() = 0;             // 5
  virtual std::string identifier() = 0;         // 6
  virtual std::string description() = 0;        // 7
  virtual std::string source() = 0;             // 8
  virtual std::size_t rawLength() = 0;          // 9
  virtual const std::uint8_t* rawData() = 0;    // 10: valid while the message lives and is not re-set
  virtual std::size_t subOffset() = 0;          // 11: offset of the marked sub-range in the raw bytes
  virtual std::size_t subLength() = 0;          // 12: 0 when no sub-range was marked
  virtual std::size_t markerCount() = 0;        // 13
  virtual Marker markerAt(std::size_t i) = 0;   // 14
  virtual void addMarker(const Marker& m) = 0;  // 15
  virtual void appendRaw(std::vector<std::uint8_t>& out) = 0;                   // 16
  virtual std::size_t copyRaw(std::uint8_t* buffer, std::size_t capacity) = 0;  // 17
  virtual void setMarker(ITUnknown* object, std::int32_t value) = 0;            // 18
  virtual std::int32_t markerValue() = 0;                                       // 19
  virtual void setRaw(const std::uint8_t* bytes, std::size_t n) = 0;            // 20
  virtual void setOffset(std::size_t offset, std::size_t length) = 0;           // 21: the sub-range
  virtual std::uint8_t flag(int which) = 0;                                     // 22: which 0 or 1
  virtual void setFlag(int which, std::uint8_t v) = 0;                          // 23
  virtual ITUnknown* markerObject() = 0;                  // 24: not counted for the caller
  virtual std::uint64_t streamPosition() = 0;             // 25: absolute position of the first raw byte
  virtual void setStreamPosition(std::uint64_t pos) = 0;  // 26
};

}  // namespace engine
