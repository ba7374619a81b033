#pragma once
// The interlocked operations of the original system on 32-bit values, thin over std::atomic
// (sequentially consistent). Results follow the originals: Increment and Decrement return the
// new value, Exchange and CompareExchange the value found before the call.
#include <atomic>
#include <cstdint>

namespace Platform {

using InterlockedValue = std::atomic<std::int32_t>;

inline std::int32_t InterlockedIncrement(InterlockedValue& v) {
  return v.fetch_add(1) + 1;
}
inline std::int32_t InterlockedDecrement(InterlockedValue& v) {
  return v.fetch_sub(1) - 1;
}
inline std::int32_t InterlockedExchange(InterlockedValue& v, std::int32_t value) {
  return v.exchange(value);
}
// Stores exchange when v equals comparand; returns the value v had either way.
inline std::int32_t InterlockedCompareExchange(InterlockedValue& v, std::int32_t exchange,
                                               std::int32_t comparand) {
  v.compare_exchange_strong(comparand, exchange);
  return comparand;
}

}  // namespace Platform
