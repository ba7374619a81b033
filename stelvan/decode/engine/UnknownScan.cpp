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
    keys.push_back(Key{c.entry, c.start, c.lead, c.plausible, c.secondThird});
  }
  std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.entry < b.entry; });
  if (keys.size() > kMaxParsers) return m_ready = false;
  if (m_ready && keys == m_keys) return true;
  m_first.assign(1 << 16, 0);
  m_second.assign(1 << 16, kLeadBit);
  std::bitset<256> lead;
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const Key& key = keys[k];
    lead |= key.lead;
    C_ParserPool::Candidate c;
    c.start = key.start;
    c.lead = key.lead;
    c.plausible = key.plausible;
    const auto bit = static_cast<std::uint8_t>(1u << k);
    for (unsigned pair = 0; pair < (1u << 16); ++pair) {
      const std::uint8_t two[2] = {static_cast<std::uint8_t>(pair >> 8), static_cast<std::uint8_t>(pair)};
      if (c.mayStartAt(two, 2)) m_first[pair] |= bit;
      if (!key.secondThird || key.secondThird(two[0], two[1])) m_second[pair] |= bit;
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
  return m_ready = true;
}

}  // namespace engine
