#pragma once
// Between an analyser and its stream buffer: forwards every write and, for
// an analyser without a worker thread (nothing will ever read), keeps the
// buffer bounded: the bounded-buffer switch trims to its block count, and
// otherwise the buffer is held to tuning::kIdleBufferLimit bytes.
#include <atomic>

#include "../interfaces/ITUnknown.h"
#include "C_Ex_DataCash.h"
#include "TuningValues.h"

namespace engine {

class C_DataManager : public ITUnknown, public I_DataWriter {
 public:
  C_DataManager() : m_cash(new TUnknown<C_Ex_DataCash>()) {}

  C_Ex_DataCash* cash() const { return static_cast<C_Ex_DataCash*>(m_cash.get()); }
  void setThreadId(bool hasThread) { m_hasThread.store(hasThread); }
  bool hasThread() const { return m_hasThread.load(); }

  bool write(const std::uint8_t* bytes, std::size_t count) override {
    const bool ok = cash()->write(bytes, count);
    bound();
    return ok;
  }
  bool writeMarked(const std::uint8_t* bytes, std::size_t count, std::uint32_t tag,
                   std::int32_t object) override {
    const bool ok = cash()->writeMarked(bytes, count, tag, object);
    bound();
    return ok;
  }
  bool writeByteMarked(std::uint8_t byte, std::uint32_t tag, std::int32_t object) override {
    const bool ok = cash()->writeByteMarked(byte, tag, object);
    bound();
    return ok;
  }
  void reset() override { cash()->reset(); }

 private:
  void bound() {
    if (m_hasThread.load()) return;
    if (tuning::boundedBuffer.load() == 1) {
      cash()->trim(tuning::boundedBlocks.load());
    } else if (cash()->pending() > tuning::kIdleBufferLimit) {
      cash()->trim(static_cast<std::size_t>(tuning::kIdleBufferLimit / C_Ex_DataCash::kBlockSize));
    }
  }

  Ref<IEx_DataCash> m_cash;
  std::atomic<bool> m_hasThread{false};
};

}  // namespace engine
