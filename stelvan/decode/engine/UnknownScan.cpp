#include "UnknownScan.h"

#include <algorithm>

namespace engine {

namespace {
constexpr std::uint8_t kLeadBit = 0x80;
constexpr std::size_t kMaxParsers = 7;
}  // namespace

bool UnknownScan::update(const std::vector<C_ParserPool::Candidate>& order) {
  std::vector<Key> keys;
  for (const auto& c : order) {
    // A parser of another kind has no start tests: every position may start it.
    if (!c.base || c.entry >= m_bitOf.size()) return m_ready = false;
    keys.push_back(Key{c.entry, c.start, c.lead, c.plausible, c.secondThird, c.fourthFifth, c.scan});
  }
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.entry < b.entry; });
  if (keys.size() > kMaxParsers) return m_ready = false;
  if (m_ready && keys == m_keys) return true;
  m_first.assign(1 << 16, 0);
  m_second.assign(1 << 16, kLeadBit);
  m_fourth.assign(1 << 16, kLeadBit);
  m_searchers.clear();
  std::bitset<256> lead;
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const Key& key = keys[k];
    lead |= key.lead;
    const auto bit = static_cast<std::uint8_t>(1u << k);
    if (key.scan) {
      // Its own search finds its starts; the tables only pass its leading patterns.
      m_searchers.push_back(Searcher{key.scan, static_cast<unsigned>(k)});
      continue;
    }
    C_ParserPool::Candidate c;
    c.start = key.start;
    c.lead = key.lead;
    c.plausible = key.plausible;
    for (unsigned pair = 0; pair < (1u << 16); ++pair) {
      const std::uint8_t two[2] = {static_cast<std::uint8_t>(pair >> 8), static_cast<std::uint8_t>(pair)};
      if (c.mayStartAt(two, 2)) m_first[pair] |= bit;
      if (!key.secondThird || key.secondThird(two[0], two[1])) m_second[pair] |= bit;
      if (!key.fourthFifth || key.fourthFifth(two[0], two[1])) m_fourth[pair] |= bit;
    }
  }
  // A leading pattern's first byte is a possible start whatever follows.
  for (unsigned b = 0; b < 256; ++b)
    if (lead[b])
      for (unsigned next = 0; next < 256; ++next) m_first[(b << 8) | next] |= kLeadBit;
  m_bitOf.fill(7);
  for (std::size_t k = 0; k < keys.size(); ++k)
    if (keys[k].entry < m_bitOf.size()) m_bitOf[keys[k].entry] = static_cast<std::uint8_t>(k);
  m_keys = std::move(keys);
  m_clear.assign(1 + m_searchers.size(), 0);
  m_firstAt = m_first.data();
  m_secondAt = m_second.data();
  m_fourthAt = m_fourth.data();
  return m_ready = true;
}

// The tables go first; each own search then looks only up to the nearest
// start found so far (and at it), so none searches further than it must.
std::size_t UnknownScan::next(const std::uint8_t* p, std::size_t from, std::size_t to, std::size_t avail,
                              std::uint64_t base, unsigned& which) {
  std::size_t end = std::min(skip(p, searchFrom(0, from, base), to), to);
  std::uint64_t* clear = m_clear.data();
  const Searcher* searchers = m_searchers.data();
  clear[0] = base + end;
  unsigned found = 0;
  if (end < to) {
    const unsigned m = at(p + end);
    found = m & kLeadBit ? 0xFFu : m;
  }
  for (std::size_t k = 0; k < m_searchers.size(); ++k) {
    const std::size_t s = searchFrom(1 + k, from, base);
    if (s > end || (s == end && end == to)) continue;  // known to have no start up to `end`
    const std::size_t hit = searchers[k].scan(p, s, std::min(end + 1, to), avail);
    clear[1 + k] = base + hit;
    const unsigned bit = 1u << searchers[k].bit;
    if (hit < end) {
      end = hit;
      found = bit;  // the others were searched up to `end` and found nothing before it
    } else if (hit == end && end < to) {
      found |= bit;
    }
  }
  if (end < to) which = found;
  return end;
}

}  // namespace engine
