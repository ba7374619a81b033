#include "C_ParserPool.h"

#include <algorithm>

namespace engine {

using G = std::lock_guard<std::recursive_mutex>;

C_ParserPool::~C_ParserPool() {
  for (Entry& e : m_entries)
    if (e.parser) e.parser->Release();
}

bool C_ParserPool::add(IParserData* parser) {
  if (!parser) return false;
  IParserData* c = parser->clone();
  if (!c) return false;
  G g(m_cs);
  c->AddRef();
  m_entries.push_back(Entry{c, true});
  m_order.push_back(m_entries.size() - 1);
  m_version.fetch_add(1);
  return true;
}

std::size_t C_ParserPool::count() {
  G g(m_cs);
  return m_entries.size();
}

std::string C_ParserPool::name(std::size_t i) {
  G g(m_cs);
  return i < m_entries.size() ? m_entries[i].parser->name() : std::string();
}

IParserData* C_ParserPool::parserAt(std::size_t i) {
  G g(m_cs);
  return i < m_entries.size() ? m_entries[i].parser : nullptr;
}

bool C_ParserPool::setEnabled(std::size_t i, bool on) {
  G g(m_cs);
  if (i >= m_entries.size()) return false;
  m_entries[i].enabled = on;
  m_version.fetch_add(1);
  return true;
}

bool C_ParserPool::isEnabled(std::size_t i) {
  G g(m_cs);
  return i < m_entries.size() && m_entries[i].enabled;
}

bool C_ParserPool::configure(std::size_t i, IMsgSettings* settings) {
  IParserData* p = nullptr;
  {
    G g(m_cs);
    if (i >= m_entries.size()) return false;
    p = m_entries[i].parser;
    p->AddRef();
  }
  p->lock();
  p->configure(settings);
  p->unlock();
  p->Release();
  m_version.fetch_add(1);
  return true;
}

bool C_ParserPool::setAcceptUnknown(std::size_t i, bool on) {
  IParserData* p = nullptr;
  {
    G g(m_cs);
    if (i >= m_entries.size()) return false;
    p = m_entries[i].parser;
    p->AddRef();
  }
  p->lock();
  p->setAcceptUnknown(on);
  p->unlock();
  p->Release();
  m_version.fetch_add(1);
  return true;
}

I_ParserPool* C_ParserPool::clone() {
  auto* pool = new TUnknown<C_ParserPool>();
  G g(m_cs);
  for (const Entry& e : m_entries) {
    e.parser->lock();
    pool->add(e.parser);
    e.parser->unlock();
    pool->m_entries.back().enabled = e.enabled;
  }
  return pool;
}

void C_ParserPool::seekEnabled(std::size_t from) {
  m_cursor = from;
  while (m_cursor < m_order.size() && !m_entries[m_order[m_cursor]].enabled) ++m_cursor;
}

IParserData* C_ParserPool::current() {
  G g(m_cs);
  if (m_cursor >= m_order.size()) return nullptr;
  const Entry& e = m_entries[m_order[m_cursor]];
  return e.enabled ? e.parser : nullptr;
}

bool C_ParserPool::next() {
  G g(m_cs);
  if (m_cursor < m_order.size()) seekEnabled(m_cursor + 1);
  return m_cursor < m_order.size();
}

void C_ParserPool::promote() {
  G g(m_cs);
  if (m_cursor < m_order.size() && m_cursor > 0) {
    const std::size_t idx = m_order[m_cursor];
    m_order.erase(m_order.begin() + static_cast<std::ptrdiff_t>(m_cursor));
    m_order.insert(m_order.begin(), idx);
  }
  seekEnabled(0);
}

void C_ParserPool::rewind() {
  G g(m_cs);
  seekEnabled(0);
}

void C_ParserPool::refreshStart(Candidate& c) {
  if (!c.base) {
    c.start.set();
    return;
  }
  c.parser->lock();
  c.generation = c.base->generation();
  c.start = c.base->startSet();
  c.lead = c.base->leadSet();
  c.leadRun = c.base->leadRunSet();
  c.plausible = c.base->plausibleTest();
  c.secondThird = c.base->secondThirdTest();
  c.fourthFifth = c.base->fourthFifthTest();
  c.scan = c.base->startScan();
  c.parser->unlock();
}

std::vector<C_ParserPool::Candidate> C_ParserPool::enabledOrder() {
  G g(m_cs);
  std::vector<Candidate> out;
  for (std::size_t idx : m_order) {
    const Entry& e = m_entries[idx];
    if (!e.enabled) continue;
    Candidate c;
    c.parser = e.parser;
    c.base = dynamic_cast<CParserData*>(e.parser);
    c.entry = idx;
    refreshStart(c);
    out.push_back(c);
  }
  return out;
}

void C_ParserPool::promoteEntry(std::size_t entry) {
  G g(m_cs);
  auto it = std::find(m_order.begin(), m_order.end(), entry);
  if (it != m_order.end() && it != m_order.begin()) std::rotate(m_order.begin(), it, it + 1);
  seekEnabled(0);
}

bool C_ParserPool::anyEnabled() {
  G g(m_cs);
  return std::any_of(m_entries.begin(), m_entries.end(), [](const Entry& e) { return e.enabled; });
}

std::vector<std::size_t> C_ParserPool::order() {
  G g(m_cs);
  return m_order;
}

}  // namespace engine
