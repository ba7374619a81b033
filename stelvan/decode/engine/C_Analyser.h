#pragma once
// One analyser: a parser pool over one stream buffer, worked by its own
// thread (AnalyserWorker). Bytes no parser accepts go, in batches, to a
// nested analyser one level deeper. Writers may call from any thread; the
// analyser's lock serialises them with the worker's bookkeeping (lock
// order: analyser, then its buffer; parent before nested). parse() runs
// without the analyser's lock.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "../interfaces/IDataAnalyser.h"
#include "../interfaces/I_Analyser.h"
#include "../interfaces/I_DataWriter.h"
#include "../thread/TSynch.h"
#include "AnalyserWorker.h"
#include "C_DataManager.h"
#include "C_MsgSetting.h"
#include "C_ParserPool.h"
#include "DecodeHealth.h"
#include "UnknownScan.h"
#include "gridlink/platform/Event.h"

namespace engine {

class C_Analyser : public I_Analyser, public I_DataWriter, public TSynch<C_Analyser> {
 public:
  // Level rule: takes the analysis's next level; too deep when the level
  // exceeds the nesting limit (such an analyser never runs a thread).
  C_Analyser(IAnalysisManager* manager, I_ParserPool* pool, IEx_StorageMsg* storage);
  ~C_Analyser() override;

  // I_Analyser
  bool addParser(IParserData* parser) override;
  std::size_t parserCount() override;
  std::string parserName(std::size_t i) override;
  IParserData* parserAt(std::size_t i) override;
  bool setParserEnabled(std::size_t i, bool on) override;
  bool isParserEnabled(std::size_t i) override;
  bool configureParser(std::size_t i, IMsgSettings* settings) override;
  bool setAcceptUnknown(std::size_t i, bool on) override;
  void applyPriority() override;
  void setName(const std::string& name) override;
  void setMode(int flag) override;
  void setStorage(IEx_StorageMsg* storage) override;
  bool start() override;
  void flush() override;
  bool waitProcessed() override;
  void stop() override;

  // I_DataWriter
  bool write(const std::uint8_t* bytes, std::size_t count) override;
  bool writeMarked(const std::uint8_t* bytes, std::size_t count, std::uint32_t tag,
                   std::int32_t object) override;
  bool writeByteMarked(std::uint8_t byte, std::uint32_t tag, std::int32_t object) override;
  void reset() override;

  // Run by the worker thread: one recognition pass.
  void runPass();

  // On a live stream a parser still waiting for the rest of a message when
  // the stream has been quiet this long gives that start up, so a false
  // start does not hold back the messages behind it. 0 (the default, for
  // recordings) waits for the next write however long it takes.
  void setFalseStartQuietMs(std::uint32_t ms) { m_falseStartQuietMs.store(ms); }

  // Workers abandoned by a stop that timed out, process-wide.
  static std::uint64_t abandonedWorkers();

  int level() const { return m_level; }
  bool isTooDeep() const { return m_tooDeep; }
  bool hasThread();
  C_Analyser* nested();  // not counted for the caller
  C_ParserPool* pool() { return static_cast<C_ParserPool*>(m_pool.get()); }
  C_Ex_DataCash* cash() { return m_data->cash(); }
  std::size_t unknownPending();  // gathered, not yet forwarded
  // Refused frames and gaps of this analyser's stream (not its nested ones').
  DecodeHealth& health() { return m_health; }

 private:
  void wake();                           // under no lock; takes ours
  void post(AnalyserWorker::Request r);  // under our lock
  void storeMessage();
  void noteRefusal(const C_ParserPool::Candidate& c);  // after a whole attempt refused with status
  void takeUnknownRun(const std::vector<C_ParserPool::Candidate>& order, const std::bitset<256>& starts);
  std::size_t leadingRunLength(const std::vector<C_ParserPool::Candidate>& order);
  void forwardUnknown();  // gathered bytes -> nested
  void startNested();
  void endOfData();  // under our lock: flush to nested, release a waiter
  bool stopRequested() const { return m_stopRequested.load() != 0; }
  void noteWrite();
  std::uint32_t quietForMs() const;  // since the last write

  IAnalysisManager* m_manager;  // the analysis outlives its analysers
  std::atomic<int> m_stopRequested{0};
  int m_level = 0;
  bool m_tooDeep = false;
  std::unique_ptr<AnalyserWorker> m_worker;
  std::unique_ptr<Platform::Event> m_processed;
  bool m_waiting = false;
  bool m_pending = false;
  bool m_flush = false;
  bool m_messageFound = true;
  std::atomic<std::uint64_t> m_writeSeq{0};    // bumps on every write (under our lock)
  std::atomic<std::int64_t> m_lastWriteMs{0};  // steady clock of the last write
  std::atomic<std::uint32_t> m_falseStartQuietMs{0};
  std::vector<std::uint8_t> m_unknown;
  std::string m_name;
  int m_mode = 0;
  Ref<I_ParserPool> m_pool;
  Ref<I_Analyser> m_nested;
  std::atomic<bool> m_hasNested{false};  // m_nested is set (read without the lock)
  bool m_nestedIdle = false;             // worker's: the nested needs no start
  Ref<IEx_StorageMsg> m_storage;
  Ref<C_DataManager> m_data;
  Ref<IMsgSetting> m_status;
  DecodeHealth m_health;
  UnknownScan m_scan;  // worker's, as are the two flags
  bool m_scanStale = true, m_scanReady = false;
};

}  // namespace engine
