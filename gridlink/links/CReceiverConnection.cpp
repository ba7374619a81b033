#include "links/CReceiverConnection.h"

#include <chrono>

#include "gridlink/CLogFile.h"
#include "gridlink/Framing.h"
#include "gridlink/platform/Clock.h"
#include "links/ReplyIdentifier.h"

namespace {

std::int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void logReply(const std::string& reply) {
  ClientLog().WriteData("Dev > ", reply.data(), reply.size());
}

}  // namespace

CReceiverConnection::CReceiverConnection(CLinkOwner& owner) : m_Owner(owner) {
  m_Reply.reserve(Zrx::kMaxFrame);
}

CReceiverConnection::~CReceiverConnection() = default;

std::string CReceiverConnection::StatusText() const {
  std::lock_guard<std::mutex> lock(m_StatusLock);
  return m_StatusText;
}

void CReceiverConnection::SetStatusText(std::string text) {
  std::lock_guard<std::mutex> lock(m_StatusLock);
  m_StatusText = std::move(text);
}

void CReceiverConnection::AppendStatusText(std::string_view text) {
  std::lock_guard<std::mutex> lock(m_StatusLock);
  m_StatusText.append(text);
}

void CReceiverConnection::MarkLinkLost(std::string_view why) {
  SetStatusText(std::string(why));
  ClientLog().WriteTimed(std::string("Dev/") + std::string(why));
  bool first = false;
  {
    std::lock_guard<std::mutex> lock(m_ReplyLock);
    first = !m_LinkLost.exchange(true);
    m_ReplyEvent.Set();  // a waiter learns at once instead of at its time-out
  }
  if (first) m_Owner.LinkLost(std::string(why));
}

void CReceiverConnection::SetTransferEvents(Platform::Event* ready, Platform::Event* go) {
  std::lock_guard<std::mutex> lock(m_RawLock);
  m_TransferReady = ready;
  m_TransferGo = go;
}

void CReceiverConnection::TakeRawBytes(std::string& out) {
  std::lock_guard<std::mutex> lock(m_RawLock);
  out.swap(m_Raw);
  m_Raw.clear();
}

bool CReceiverConnection::WaitQuiet(std::uint32_t quietMs, std::uint32_t maxMs) {
  const std::int64_t start = nowMs();
  for (;;) {
    const std::int64_t now = nowMs();
    const std::int64_t last = std::max(m_LastReceiveMs.load(), start);
    if (now - last >= quietMs) return true;
    if (now - start >= maxMs || m_LinkLost.load()) return false;
    const std::int64_t left = std::min<std::int64_t>(quietMs - (now - last), maxMs - (now - start));
    Platform::Sleep(static_cast<std::uint32_t>(std::max<std::int64_t>(left, 1)));
  }
}

bool CReceiverConnection::SendCommand(std::string_view command, std::string& replyOut,
                                      std::uint32_t timeoutMs) {
  const std::string line = Zrx::sealCommand(command);
  if (line.empty()) {
    // Longer than the 2048-byte command line: refused rather than cut.
    if (timeoutMs != 0) replyOut = "ER:Command too long";
    return false;
  }
  ClientLog().WriteData("Dev < ", line.data(), line.size());
  if (m_LinkLost.load()) {
    if (timeoutMs != 0) {
      replyOut = "ER:" + StatusText();
      logReply(replyOut);
    }
    return false;
  }
  if (m_Owner.RawData() != nullptr) {
    Write(line.data(), line.size());
    if (timeoutMs != 0) {
      replyOut = "RE000";
      logReply(replyOut);
    }
    return true;
  }
  // The event is cleared and the reply count taken before the line goes out, so a reply
  // that comes back at once is not lost.
  std::uint64_t seen;
  {
    std::lock_guard<std::mutex> lock(m_ReplyLock);
    seen = m_ReplySeq;
    m_Waiting = timeoutMs != 0;
    m_ReplyEvent.Reset();
  }
  const int written = Write(line.data(), line.size());
  const bool allOut = written == static_cast<int>(line.size());
  if (timeoutMs == 0) {
    std::lock_guard<std::mutex> lock(m_ReplyLock);
    m_Waiting = false;
    return allOut;
  }
  return waitReply(command, replyOut, timeoutMs, seen);
}

bool CReceiverConnection::waitReply(std::string_view command, std::string& replyOut, std::uint32_t timeoutMs,
                                    std::uint64_t seenSeq) {
  const std::int64_t deadline = nowMs() + timeoutMs;
  const std::size_t cmdPct = command.find('%');
  for (;;) {
    std::string reply;
    bool have = false;
    {
      std::lock_guard<std::mutex> lock(m_ReplyLock);
      if (m_ReplySeq > seenSeq) {
        // Replies are taken in the order they completed, so one that follows at once
        // cannot hide the one before it.
        const std::uint64_t first = m_ReplySeq - m_Completed.size() + 1;
        if (seenSeq + 1 < first) seenSeq = first - 1;
        reply = m_Completed[static_cast<std::size_t>(seenSeq + 1 - first)];
        ++seenSeq;
        have = true;
      } else if (m_LinkLost.load()) {
        break;
      } else {
        m_Waiting = true;
        m_ReplyEvent.Reset();  // under the lock: a reply completing now sets it again
      }
    }
    if (!have) {
      // A foreign reply does not restart the clock: the whole exchange stays within timeoutMs.
      const std::int64_t left = deadline - nowMs();
      if (left <= 0 || m_ReplyEvent.Wait(static_cast<std::uint32_t>(left)) == Platform::WaitResult::TimedOut)
        break;
      continue;
    }
    std::string_view id;
    if (Zrx::replyIdentifier(reply, id)) {
      const bool mine = cmdPct != std::string_view::npos && command.substr(cmdPct + 1, id.size()) == id;
      if (!mine) {
        if (cmdPct != std::string_view::npos) logReply("ER:unable reply->" + reply);
        continue;
      }
    }
    replyOut = std::move(reply);
    m_LastWaitResult.store(1);
    logReply(replyOut);
    return replyOut.compare(0, 2, "RE") == 0;
  }
  {
    std::lock_guard<std::mutex> lock(m_ReplyLock);
    m_Waiting = false;
    m_PieceCount = 0;
    m_BraceDepth = 0;
  }
  m_ResetFraming.store(true);
  m_LastWaitResult.store(0);
  replyOut = m_LinkLost.load() ? "ER:" + StatusText() : std::string(kReplyTimeout);
  logReply(replyOut);
  return false;
}

void CReceiverConnection::OnReceive(const std::uint8_t* data, std::size_t count) {
  if (count == 0) return;
  m_LastReceiveMs.store(nowMs());
  switch (m_ReaderMode.load()) {
    case ReaderMode::Handshake:
      onHandshake(data, count);
      break;
    case ReaderMode::Frames:
      onFrames(data, count);
      break;
    case ReaderMode::Latest:
      onLatest(data, count);
      break;
  }
}

void CReceiverConnection::onHandshake(const std::uint8_t* data, std::size_t count) {
  Platform::Event* ready;
  Platform::Event* go;
  {
    std::lock_guard<std::mutex> lock(m_RawLock);
    m_Raw.append(reinterpret_cast<const char*>(data), count);
    ready = m_TransferReady;
    go = m_TransferGo;
  }
  if (ready == nullptr || go == nullptr) return;
  // The transfer paces the reader; a transfer that never answers must not hold it for ever.
  Platform::Event* waits[] = {go};
  ready->Set();
  for (std::uint32_t waited = 0; waited < kTransferGoMs && !m_ReaderStopping.load(); waited += 100)
    if (Platform::WaitAny(waits, 100) == 0) return;
  if (!m_ReaderStopping.load()) ClientLog().WriteTimed("Dev/transfer did not take a chunk in time");
}

void CReceiverConnection::onLatest(const std::uint8_t* data, std::size_t count) {
  std::lock_guard<std::mutex> lock(m_RawLock);
  m_Raw.assign(reinterpret_cast<const char*>(data), count);
  if (m_TransferReady != nullptr) m_TransferReady->Set();
}
