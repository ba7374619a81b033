#include "RcvParamReader.h"

#include <chrono>
#include <numeric>
#include <vector>

#include "ReceiverModelImpl.h"

namespace Tellus {

namespace {
std::int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

RcvParamReader::RcvParamReader(ReceiverModelImpl& model) : m_model(model) {
  m_timer.setInterval(5000);
  m_timer.AddListener(this);
}

RcvParamReader::~RcvParamReader() {
  m_timer.Stop(10000);
  m_model.replies().removeReplyListener(this);
  if (m_running) m_model.endReplyListening();
}

void RcvParamReader::subscribe(const std::string& name, IParameterListener* listener, int periodMs) {
  if (periodMs < 1) periodMs = 5000;
  bool start = false;
  {
    std::lock_guard<std::mutex> g(m_m);
    auto [it, fresh] = m_params.try_emplace(name);
    Entry& e = it->second;
    if (fresh || periodMs < e.periodMs) {
      e.periodMs = periodMs;
      e.toleranceMs = periodMs / 10;
    }
    if (listener) e.subscribers.insert(listener);
    const auto g2 = std::gcd(m_timer.interval(), static_cast<std::uint32_t>(periodMs));
    m_timer.setInterval(std::max<std::uint32_t>(g2, 1000));
    start = !m_running;
    m_running = true;
  }
  if (start) {
    m_model.replies().addReplyListener(this);
    m_model.beginReplyListening();
    m_timer.Start();
  }
}

void RcvParamReader::stopIfEmpty(std::unique_lock<std::mutex>& g) {
  if (!m_params.empty() || !m_running) return;
  m_running = false;
  g.unlock();  // the tick takes our lock: stop the timer without it
  m_timer.Stop(10000);
  m_model.replies().removeReplyListener(this);
  m_model.endReplyListening();
}

void RcvParamReader::unsubscribe(const std::string& name, IParameterListener* listener) {
  std::unique_lock<std::mutex> g(m_m);
  auto it = m_params.find(name);
  if (it == m_params.end()) return;
  it->second.subscribers.erase(listener);
  if (it->second.subscribers.empty()) m_params.erase(it);
  stopIfEmpty(g);
}

void RcvParamReader::unsubscribeAll(IParameterListener* listener) {
  std::unique_lock<std::mutex> g(m_m);
  for (auto it = m_params.begin(); it != m_params.end();) {
    it->second.subscribers.erase(listener);
    it = it->second.subscribers.empty() ? m_params.erase(it) : std::next(it);
  }
  stopIfEmpty(g);
}

bool RcvParamReader::hasParameter(const std::string& name) {
  std::lock_guard<std::mutex> g(m_m);
  const auto it = m_params.find(name);
  return it != m_params.end() && it->second.hasValue;
}

void RcvParamReader::OnTimer() {
  if (m_model.state() != 2) return;
  std::vector<std::string> due;
  {
    std::lock_guard<std::mutex> g(m_m);
    const std::int64_t now = nowMs();
    for (auto& [name, e] : m_params) {
      const std::int64_t distance = now - (e.lastRequest + e.periodMs);
      if (e.lastRequest == 0 || distance > -e.toleranceMs) due.push_back(name);
    }
  }
  // Sent without our lock: the model's lock may be held by a waiting execute.
  for (const std::string& name : due) {
    std::string id;
    if (!m_model.sendCommand("print," + name, &id)) continue;
    std::lock_guard<std::mutex> g(m_m);
    auto it = m_params.find(name);
    if (it == m_params.end()) continue;
    it->second.lastRequest = nowMs();
    it->second.lastId = id;
    m_pending[id] = name;
  }
}

void RcvParamReader::onReply(const std::string& identifier, bool ok, const std::string& text) {
  if (!ok) return;
  std::string name, old;
  std::set<IParameterListener*> subscribers;
  {
    std::lock_guard<std::mutex> g(m_m);
    const auto p = m_pending.find(identifier);
    if (p == m_pending.end()) return;
    name = p->second;
    m_pending.erase(p);
    auto it = m_params.find(name);
    if (it == m_params.end()) return;
    Entry& e = it->second;
    const bool changed = !e.hasValue || e.value != text;
    old = e.value;
    e.value = text;
    e.hasValue = true;
    if (!changed) return;
    subscribers = e.subscribers;
  }
  for (IParameterListener* l : subscribers) l->onParameterChanged(name, old, text);
}

}  // namespace Tellus
