#pragma once
// The parsers of one analyser (clones, each with an enabled flag) and the
// move-to-front try order. Its own lock makes configuration from other
// threads safe against the worker's cursor moves.
#include <atomic>
#include <bitset>
#include <mutex>
#include <vector>

#include "../interfaces/I_ParserPool.h"
#include "../parser/CParserData.h"
#include "../parser/NoCoverage.h"

namespace engine {

class C_ParserPool : public I_ParserPool {
 public:
  C_ParserPool() = default;
  ~C_ParserPool() override;

  bool add(IParserData* parser) override;
  std::size_t count() override;
  std::string name(std::size_t i) override;
  IParserData* at(std::size_t i) override { return parserAt(i); }
  bool setEnabled(std::size_t i, bool on) override;
  bool isEnabled(std::size_t i) override;
  bool configure(std::size_t i, IMsgSettings* settings) override;
  bool setAcceptUnknown(std::size_t i, bool on) override;
  I_ParserPool* clone() override;
  IParserData* parserAt(std::size_t i) override;
  IParserData* current() override;
  bool next() override;
  void promote() override;
  void rewind() override;

  // The worker's view of the pool: the enabled parsers in try order with the
  // bytes each may start with. Re-read when version() changes; a
  // candidate's start set is stale when its base's generation moved.
  struct Candidate {
    IParserData* parser = nullptr;  // held by the pool
    CParserData* base = nullptr;    // nullptr: a parser of another kind, always tried
    std::size_t entry = 0;
    std::bitset<256> start;
    std::bitset<256> lead;                        // first bytes of the leading patterns
    std::bitset<256> leadRun;                     // CParserData::leadRunSet()
    CParserData::Plausible plausible = nullptr;   // the multi-byte start test, if any
    CParserData::PairTest secondThird = nullptr;  // its look at the second and third bytes, if any
    CParserData::PairTest fourthFifth = nullptr;  // and at the fourth and fifth
    CParserData::StartScan scan = nullptr;        // its own search for a start, if any
    std::uint64_t generation = 0;
    // False when the parse attempt at `p` (n bytes visible) would refuse at
    // once: the byte cannot start a message or the start test rules it out.
    STELVAN_NO_COVERAGE bool mayStartAt(const std::uint8_t* p, std::size_t n) const {
      if (!start[p[0]]) return false;
      return !plausible || lead[p[0]] || plausible(p, n);
    }
  };
  std::uint64_t version() const { return m_version.load(std::memory_order_acquire); }
  std::vector<Candidate> enabledOrder();
  static void refreshStart(Candidate& c);
  // Moves an entry to the front of the try order (the worker mirrors it).
  void promoteEntry(std::size_t entry);

  bool anyEnabled();
  // The try order as entry indices (for tests and diagnostics).
  std::vector<std::size_t> order();

 private:
  struct Entry {
    IParserData* parser = nullptr;  // counted
    bool enabled = true;
  };
  void seekEnabled(std::size_t from);  // under m_cs

  std::recursive_mutex m_cs;
  std::vector<Entry> m_entries;
  std::vector<std::size_t> m_order;
  std::size_t m_cursor = 0;  // position in m_order; == size: none
  std::atomic<std::uint64_t> m_version{1};
};

}  // namespace engine
