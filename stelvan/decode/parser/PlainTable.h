#pragma once
// A constant lookup table read through a built-in subscript (`t.v[i]`): in
// the instrumented fuzz builds a container's operator[] stays a call of its
// own, with checks and comparison tracing, too costly in loops run per byte.
#include <cstddef>

namespace engine {

template <class T, std::size_t N>
struct PlainTable {
  T v[N];
};

}  // namespace engine
