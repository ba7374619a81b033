#pragma once
// The facade of one analysis (IDataAnalyser, IAnalysisManager): owns the
// storage, the top-level analyser, the tuning object, the parser manager and
// the error sink. write/writeMarked from any thread; the other operations
// from the owner's thread. start, write and writeMarked initialise first
// when init was never called.
#include <atomic>
#include <mutex>

#include "../interfaces/IDataAnalyser.h"
#include "C_Analyser.h"
#include "C_DA_Tuning.h"

namespace engine {

class CDummyErrDB : public IDB_ErWr {
 public:
  void writeError(int, const std::string&) override {}
};

class C_ParserManager : public IParserManager {
 public:
  explicit C_ParserManager(I_Analyser* a) : m_a(a) {}
  bool addParser(IParserData* p) override { return m_a->addParser(p); }
  std::size_t parserCount() override { return m_a->parserCount(); }
  std::string parserName(std::size_t i) override { return m_a->parserName(i); }
  IParserData* parserAt(std::size_t i) override { return m_a->parserAt(i); }
  bool setParserEnabled(std::size_t i, bool on) override { return m_a->setParserEnabled(i, on); }
  bool isParserEnabled(std::size_t i) override { return m_a->isParserEnabled(i); }
  bool configureParser(std::size_t i, IMsgSettings* s) override { return m_a->configureParser(i, s); }
  bool setAcceptUnknown(std::size_t i, bool on) override { return m_a->setAcceptUnknown(i, on); }

 private:
  Ref<I_Analyser> m_a;
};

class C_DataAnalyser : public IDataAnalyser, public IAnalysisManager {
 public:
  C_DataAnalyser() = default;
  ~C_DataAnalyser() override;

  IDA_Tuning* getTuning() override;
  IParserManager* getParserManager() override;
  IEx_StorageMsg* getStorage() override;
  bool init(IEx_StorageMsg* storage, void* reserved) override;
  bool start() override;
  bool waitProcessed() override;
  void stop() override;
  bool write(const std::uint8_t* bytes, std::size_t count) override;
  bool writeMarked(const std::uint8_t* bytes, std::size_t count, std::uint32_t tag,
                   std::int32_t object) override;
  void flush() override;

  int levelCount() override { return m_levels.load(); }
  int takeLevel() override { return m_levels.fetch_add(1); }
  void addConsumed(std::uint64_t n) override { m_consumed.fetch_add(n); }

  // Bytes written so far and bytes that went into messages (any level).
  std::uint64_t bytesWritten() const { return m_written.load(); }
  std::uint64_t bytesConsumed() const { return m_consumed.load(); }
  C_Analyser* topAnalyser();  // not counted for the caller
  // Refused frames and gaps of the written stream (the top-level analyser's).
  DecodeHealth::Refusals refusals();
  std::uint64_t gaps();

 private:
  bool ensureInit();

  std::recursive_mutex m_cs;
  bool m_initialised = false;
  std::atomic<int> m_levels{0};
  std::atomic<std::uint64_t> m_written{0}, m_consumed{0};
  Ref<IEx_StorageMsg> m_storage;
  Ref<I_Analyser> m_top;
  Ref<IDA_Tuning> m_tuning;
  Ref<IParserManager> m_manager;
  Ref<IDB_ErWr> m_errors;
};

}  // namespace engine
