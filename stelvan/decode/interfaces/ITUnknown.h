#pragma once
// Reference counting of the decoding engine. Every engine object is reached
// through an interface derived from ITUnknown; a holder keeps one reference.
// Factories hand out objects with count 0: the first assignment takes the
// first reference, and the last Release deletes the object.
#include <atomic>
#include <cstdint>

namespace engine {

class ITUnknown {
 public:
  virtual std::int32_t AddRef() = 0;   // returns the new count
  virtual std::int32_t Release() = 0;  // returns the new count; deletes at 0
 protected:
  virtual ~ITUnknown() = default;
};

// Completes a concrete class C (which derives from one or more interfaces)
// with the counter. C's interfaces all resolve AddRef/Release here.
template <class C>
class TUnknown : public C {
 public:
  using C::C;
  std::int32_t AddRef() override { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::int32_t Release() override {
    const std::int32_t n = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (n == 0) delete this;
    return n;
  }
  ~TUnknown() override = default;

 private:
  std::atomic<std::int32_t> m_refs{0};
};

// The same counter for an implementation that is a plain structure behind
// one interface I.
template <class I>
class TUnknownImpl : public I {
 public:
  std::int32_t AddRef() override { return m_refs.fetch_add(1, std::memory_order_relaxed) + 1; }
  std::int32_t Release() override {
    const std::int32_t n = m_refs.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (n == 0) delete this;
    return n;
  }
  ~TUnknownImpl() override = default;

 private:
  std::atomic<std::int32_t> m_refs{0};
};

// A class's own factory: T::create() returns a counted object with count 0.
template <class T>
class TSelfCreator {
 public:
  template <class... A>
  static TUnknown<T>* create(A&&... args) {
    return new TUnknown<T>(static_cast<A&&>(args)...);
  }
};

// The one assignment pattern for counted members: AddRef the new pointer,
// Release the old one, store the new one (nothing when they are equal).
template <class I, class J>
inline void assignRef(I*& member, J* value) {
  I* p = value;
  if (p == member) return;
  if (p) p->AddRef();
  I* old = member;
  member = p;
  if (old) old->Release();
}

// A scoped counted reference for local use (takes one reference, drops it
// when it goes out of scope).
template <class I>
class Ref {
 public:
  Ref() = default;
  Ref(I* p) { assignRef(m_p, p); }  // NOLINT: implicit on purpose
  Ref(const Ref& o) { assignRef(m_p, o.m_p); }
  Ref(Ref&& o) noexcept : m_p(o.m_p) { o.m_p = nullptr; }
  Ref& operator=(const Ref& o) {
    assignRef(m_p, o.m_p);
    return *this;
  }
  Ref& operator=(Ref&& o) noexcept {
    if (this != &o) {
      reset();
      m_p = o.m_p;
      o.m_p = nullptr;
    }
    return *this;
  }
  Ref& operator=(I* p) {
    assignRef(m_p, p);
    return *this;
  }
  ~Ref() { reset(); }
  void reset() { assignRef(m_p, static_cast<I*>(nullptr)); }
  I* get() const { return m_p; }
  I* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }

 private:
  I* m_p = nullptr;
};

}  // namespace engine
