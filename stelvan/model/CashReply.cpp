#include "CashReply.h"

#include <chrono>

#include "ReplyText.h"

namespace Tellus {

void CashReply::onMessage(engine::IMessageGNSS* message) {
  if (!message) return;
  std::vector<std::uint8_t> raw;
  message->appendRaw(raw);
  const ReplyPiece piece = splitReply(std::string(raw.begin(), raw.end()));
  const int depth = braceDepth(piece.text);
  std::string text = piece.text;
  text.erase(0, text.find_first_not_of(' ') == std::string::npos ? text.size() : text.find_first_not_of(' '));
  Partial done;
  bool isDone = false;
  {
    std::lock_guard<std::mutex> g(m_m);
    auto it = m_partials.begin();
    while (it != m_partials.end() && it->identifier != piece.identifier) ++it;
    if (it == m_partials.end()) {
      Partial p{piece.identifier, piece.error, text, depth};
      if (depth == 0) {
        done = p;
        isDone = true;
      } else {
        m_partials.push_back(p);
      }
    } else {
      it->text += text;
      it->depth += depth;
      it->error = it->error || piece.error;
      if (it->depth == 0) {
        done = *it;
        isDone = true;
        m_partials.erase(it);
      }
    }
    if (isDone) {
      done.text = withoutLineEnds(done.text);
      m_done.push_back(done);
      if (m_done.size() > kKeep) m_done.pop_front();
    }
  }
  if (isDone) {
    m_listeners.forEach([&](IReplyListener* l) {
      l->onReply(done.identifier, !done.error, done.text);
      return true;
    });
  }
  m_event.notify_all();
}

bool CashReply::waitReply(const std::string& identifier, std::string& textOut, int timeoutMs) {
  textOut.clear();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
  std::unique_lock<std::mutex> g(m_m);
  for (;;) {
    for (auto it = m_done.begin(); it != m_done.end(); ++it) {
      if (it->identifier != identifier) continue;
      textOut = it->text;
      const bool error = it->error;
      m_done.erase(it);
      return error;
    }
    if (m_event.wait_until(g, deadline) == std::cv_status::timeout) {
      bool there = false;
      for (const auto& d : m_done) there = there || d.identifier == identifier;
      if (!there) throw ReplyTimeout();
    }
  }
}

void CashReply::reset() {
  std::lock_guard<std::mutex> g(m_m);
  m_partials.clear();
  m_done.clear();
}

}  // namespace Tellus
