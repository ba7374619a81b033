#pragma once
// Reference counting for objects reached through interfaces. A new object starts at count 0;
// its user AddRefs it and ends it with Release; the Release that takes the count below 1
// deletes it. Counts change with interlocked operations, so any thread may AddRef or Release.
#include <atomic>
#include <cstdint>

#include "gridlink/Export.h"

class GRIDLINK_API ITUnknown {
 public:
  virtual std::int32_t AddRef() = 0;
  virtual std::int32_t Release() = 0;
  virtual ~ITUnknown() = default;
};

template <class I>
class TUnknownImpl : public I {
 public:
  std::int32_t AddRef() override { return m_RefCount.fetch_add(1) + 1; }
  std::int32_t Release() override {
    const std::int32_t left = m_RefCount.fetch_sub(1) - 1;
    if (left < 1) delete this;
    return left;
  }

 protected:
  TUnknownImpl() = default;
  ~TUnknownImpl() override = default;

 private:
  std::atomic<std::int32_t> m_RefCount{0};
};

// Gives T its own factory: T::Create() allocates with count 0.
template <class T>
class TSelfCreator {
 public:
  static T* Create() { return new T(); }
};
