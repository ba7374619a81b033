#pragma once
// Writing bytes into an analysis (or its buffer). Any thread may write;
// writes are serialised by the receiver's lock.
#include <cstddef>
#include <cstdint>

namespace engine {

class I_DataWriter {
 public:
  virtual bool write(const std::uint8_t* bytes, std::size_t count) = 0;  // 0
  virtual bool writeMarked(const std::uint8_t* bytes, std::size_t count, std::uint32_t tag,
                           std::int32_t object) = 0;                                            // 1
  virtual bool writeByteMarked(std::uint8_t byte, std::uint32_t tag, std::int32_t object) = 0;  // 2
  virtual void reset() = 0;                                                                     // 3
 protected:
  virtual ~I_DataWriter() = default;
};

}  // namespace engine
