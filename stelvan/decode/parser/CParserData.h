#pragma once
// Base of the five format parsers: lock, format name, accept-unknown flag,
// the leading and trailing pattern lists, a working buffer and the name map
// that configure fills (message name -> (maximum length, expected length)).
// A subclass overrides parse, resetDefaults and createInstance (and clone
// when it has tables of its own); it is completed with TUnknown<>.
#include <atomic>
#include <bitset>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "../interfaces/IEx_DataCash.h"
#include "../interfaces/IMsgSetting.h"
#include "../interfaces/IMsgSettings.h"
#include "../interfaces/IParserData.h"
#include "../thread/TSynch.h"

namespace engine {

struct ParserPattern {
  std::vector<std::uint8_t> bytes;
  std::uint32_t limit = 0xFFFFFFFFu;  // matches allowed while count <= limit
  bool enabled = true;
  std::uint32_t count = 0;
};

class CParserData : public IParserData, public CSynch {
 public:
  static constexpr std::uint32_t kUnlimited = 0xFFFFFFFFu;

  explicit CParserData(std::string formatName);
  ~CParserData() override = default;

  void lock() override;
  void unlock() override;
  IParserData* clone() override;
  std::string name() override { return m_name; }
  void configure(IMsgSettings* settings) override;
  void setAcceptUnknown(bool on) override;
  bool acceptsUnknown() override;
  void setPatternCount(bool leading, std::size_t n) override;
  void addPattern(bool leading, const std::string& text, std::uint32_t limit, bool enabled) override;
  void setPatternEnabled(bool leading, std::size_t i, bool on) override;
  void setPatternText(bool leading, std::size_t i, const std::string& text) override;
  void setPatternLimit(bool leading, std::size_t i, std::uint32_t limit) override;
  std::size_t patternCount(bool leading) override;
  bool isPatternEnabled(bool leading, std::size_t i) override;
  std::string patternText(bool leading, std::size_t i) override;
  std::uint32_t patternLimit(bool leading, std::size_t i) override;
  void resetState() override {}
  bool mapField(const std::string&, const std::string&, const std::string&) override { return false; }
  bool mapMessageType(const std::string&, const std::string&, const std::string&) override { return false; }
  bool parse(IEx_DataCash* reader, IMsgSetting* status) override = 0;
  void resetDefaults() override;
  IParserData* createInstance() override = 0;
  std::size_t typicalLength() override { return 1024; }

  // Pattern text <-> bytes (see the .cpp for the escapes).
  static std::vector<std::uint8_t> unescape(const std::string& text);
  static std::string escape(const std::vector<std::uint8_t>& bytes);

  bool isLocked() const { return m_locked; }

  // Bumps on every change of configuration (patterns, flags, tables), so a
  // holder of a cached start set knows to refresh it.
  std::uint64_t generation() const { return m_generation.load(std::memory_order_relaxed); }
  // The bytes mayStart() answers true for (caller holds the parser's lock).
  std::bitset<256> startSet() const;

  // The format's multi-byte start test: false when the first visible bytes
  // (up to kStartLook) cannot begin a message; the parse attempt refuses such a start
  // at once, without status and without waiting. Stateless, so it may be
  // called without the parser's lock. Null: every start is plausible.
  using Plausible = bool (*)(const std::uint8_t* p, std::size_t n);
  // Enough for an RTCM 2 first word with some bytes of no meaning between.
  static constexpr std::size_t kStartLook = 32;
  virtual Plausible plausibleTest() const { return nullptr; }
  // The unknown-byte scan's look one byte further: false when no message of
  // the format can have `b1` and `b2` as its second and third bytes (after a
  // first byte that begins no leading pattern). Stateless. Null: any may.
  using PairTest = bool (*)(std::uint8_t b1, std::uint8_t b2);
  virtual PairTest secondThirdTest() const { return nullptr; }
  // The same look at the fourth and fifth bytes. Null: any may.
  virtual PairTest fourthFifthTest() const { return nullptr; }
  // A format whose start test byte pairs cannot narrow (one that reads
  // past bytes of no meaning to it) searches for its next start itself:
  // the first position in [from, to) of p at which the start test may pass
  // with the bytes p[0, avail) visible (a position whose answer depends on
  // bytes past them is one), or `to`. Stateless. Null: the pair tables
  // serve the format.
  using StartScan = std::size_t (*)(const std::uint8_t* p, std::size_t from, std::size_t to, std::size_t avail);
  virtual StartScan startScan() const { return nullptr; }
  // The first bytes of the enabled leading patterns (caller holds the lock).
  std::bitset<256> leadSet() const;
  // The bytes of the leading patterns when every enabled one is a single byte matched any
  // number of times (the default CR, LF), else none: an attempt anywhere inside a run of them
  // skips to the run's end (caller holds the lock).
  std::bitset<256> leadRunSet() const;

  // Cheap rejection before parse: false when no message of this format can
  // begin with this byte (the first bytes of enabled leading patterns always
  // may). Every byte may unless the subclass narrows the set.
  bool mayStart(std::uint8_t first) const {
    if (m_startBytes[first]) return true;
    for (const auto& p : m_leading)
      if (p.enabled && !p.bytes.empty() && p.bytes[0] == first) return true;
    return false;
  }

 protected:
  // Skip the leading (or trailing) patterns at the reader's position. True
  // normally; when the reader ran out of bytes while matching, the answer is
  // reader->isEndOfInput().
  bool skipPatterns(IEx_DataCash* reader, bool leading);
  bool skipLeading(IEx_DataCash* reader) { return skipPatterns(reader, true); }
  bool skipTrailing(IEx_DataCash* reader) { return skipPatterns(reader, false); }

  // Name map lookup: false when the name has no entry.
  bool lookupName(const std::string& id, int& maxLength, int& expectedLength) const;
  std::map<std::string, std::pair<int, int>>& nameMap() { return m_names; }

  // Copies the base state (name map, accept-unknown, both lists) into `to`;
  // clone() uses it, subclasses with own tables call it from their clone.
  void copyBaseTo(CParserData& to) const;

  std::vector<ParserPattern>& list(bool leading) { return leading ? m_leading : m_trailing; }

  // For constructors: narrow the start set, then allow ranges.
  void clearStartBytes() { m_startBytes.reset(); }
  void allowStart(std::uint8_t lo, std::uint8_t hi) {
    for (unsigned b = lo; b <= hi; ++b) m_startBytes.set(b);
  }

  std::string m_name;
  bool m_acceptUnknown = false;
  bool m_locked = false;
  std::vector<std::uint8_t> m_work;  // working buffer for subclasses

 private:
  std::vector<ParserPattern> m_leading;
  std::vector<ParserPattern> m_trailing;
  std::map<std::string, std::pair<int, int>> m_names;
  std::bitset<256> m_startBytes = std::bitset<256>().set();

 protected:
  void touch() { m_generation.fetch_add(1, std::memory_order_relaxed); }

 private:
  std::atomic<std::uint64_t> m_generation{0};
};

}  // namespace engine
