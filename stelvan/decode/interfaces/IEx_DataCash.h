#pragma once
// The stream buffer as a parser sees it. Bytes are "taken" while a parser
// reads a candidate message; commit moves the taken bytes into a message,
// rewind gives them back unread. Only the analysis worker reads; writers
// (I_DataWriter) may run on any thread. Waits for more data are bounded
// (read wait x retries) and skipped while the no-wait flag is set.
// Offsets for peek are 1-based past the taken bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ITUnknown.h"
#include "Marker.h"

namespace engine {

class IMessageGNSS;

class IEx_DataCash : public ITUnknown {
 public:
  virtual bool isEndOfInput() = 0;                                                 // 2: the no-wait flag
  virtual bool readByte(std::uint8_t& out) = 0;                                    // 3: takes one byte
  virtual std::size_t read(std::vector<std::uint8_t>& buffer, std::size_t n) = 0;  // 4: appends and takes
  virtual bool peek(std::uint8_t& out, std::size_t offset) = 0;                    // 5
  virtual std::size_t take(std::size_t n) = 0;                                     // 6: returns bytes taken
  virtual std::size_t takenCount() = 0;                                            // 7
  virtual bool markMessage(std::size_t start, std::size_t end) = 0;  // 8: false when end < start
  virtual bool takeUnknownByte(std::uint8_t& out, Marker* outMarker, bool fromStart) = 0;  // 9
  virtual std::size_t trim(std::size_t blocks) = 0;              // 10: bytes dropped
  virtual bool hasData() = 0;                                    // 11
  virtual bool commit(IMessageGNSS* message) = 0;                // 12: none: just drop
  virtual std::size_t lookupMarkers(IMessageGNSS* message) = 0;  // 13
  virtual void rewind() = 0;                                     // 14
  virtual bool lastReadComplete() = 0;                           // 15
  virtual void setNoWait(bool on) = 0;                           // 16
  virtual void reserved17() = 0;                                 // 17: no effect
  // Fast path: a pointer to up to `want` contiguous bytes starting at 1-based
  // offset past the taken bytes; returns how many are there (maybe fewer
  // than wanted, 0 when none; it does not wait). The bytes stay valid until
  // the reader's next take/commit/rewind/trim.
  virtual std::size_t peekSpan(std::size_t offset, std::size_t want, const std::uint8_t** out) = 0;  // 18
};

}  // namespace engine
