#pragma once
#include <cstdint>

namespace engine {

// A marker rides on one stream position; it carries two 32-bit values set by
// whoever wrote the bytes (a tag and an object value). Markers travel with
// their bytes into the message that contains their position.
struct Marker {
  std::uint64_t position = 0;  // absolute stream position
  std::uint32_t tag = 0;
  std::int32_t object = -1;  // negative: no object
};

}  // namespace engine
