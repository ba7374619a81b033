// The reader's framing pass: received bytes -> replies for the waiter, data packets for the owner.
#include <chrono>
#include <cstdio>
#include <vector>

#include "gridlink/CLogFile.h"
#include "gridlink/Framing.h"
#include "links/CReceiverConnection.h"

namespace {
std::int64_t nowMsForIdle() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

void CReceiverConnection::onFrames(const std::uint8_t* data, std::size_t count) {
  if (auto raw = m_Owner.RawData()) {
    // The callback takes a non-const pointer; hand it a copy so it cannot touch the read buffer.
    std::vector<char> copy(data, data + count);
    raw(copy.data(), static_cast<int>(count));
    return;
  }
  Platform::CriticalSectionLock lock(m_Owner.ServerLock());
  if (m_ResetFraming.exchange(false)) m_FrameBuffer.clear();
  m_FrameBuffer.insert(m_FrameBuffer.end(), data, data + count);
  scanFrames();
}

void CReceiverConnection::scanFrames() {
  // The buffer never holds more than one frame candidate (at most 4100 bytes) plus one read.
  std::size_t pos = 0;
  while (pos < m_FrameBuffer.size()) {
    const Zrx::FrameScan scan = Zrx::findFrame(m_FrameBuffer.data() + pos, m_FrameBuffer.size() - pos);
    pos += scan.skip;
    if (!scan.complete) break;
    handleFrame(m_FrameBuffer.data() + pos, scan.length);
    pos += scan.length;
  }
  m_FrameBuffer.erase(m_FrameBuffer.begin(), m_FrameBuffer.begin() + static_cast<std::ptrdiff_t>(pos));
}

void CReceiverConnection::OnReaderIdle() {
  if (m_ReaderMode.load() != ReaderMode::Frames) return;
  Platform::CriticalSectionLock lock(m_Owner.ServerLock());
  if (m_FrameBuffer.empty() || nowMsForIdle() - m_LastReceiveMs.load() < kStallResyncMs) return;
  if (m_ResetFraming.exchange(false)) m_FrameBuffer.clear();
  while (!m_FrameBuffer.empty()) {
    m_FrameBuffer.erase(m_FrameBuffer.begin());
    scanFrames();
  }
}

void CReceiverConnection::handleFrame(const std::uint8_t* frame, std::size_t length) {
  const std::uint16_t id = Zrx::msgcode(static_cast<char>(frame[0]), static_cast<char>(frame[1]));
  if (id == Zrx::kReply || id == Zrx::kError)
    assembleReply(frame, length);
  else if (id == Zrx::kWrapper)
    deliverWrapper(frame, length);
  else
    deliver(kLinkPacketFrame, frame, length);
}

void CReceiverConnection::deliverWrapper(const std::uint8_t* frame, std::size_t length) {
  // Message number and two checksum digits at least; a shorter wrapper carries nothing.
  if (length < Zrx::kHeaderSize + 3) return;
  if (!Zrx::wrapperChecksumOk(frame, length)) {
    ClientLog().WriteData("Bad checksum ", frame, length);
    return;
  }
  const std::uint8_t number = frame[5];
  std::uint8_t kind = 0;
  if (!m_Owner.LookupMessage(number, kind) || kind > 3) return;
  deliver(LinkWrapperPacketType(kind, number), frame + 6, length - 6 - 2);
}

void CReceiverConnection::deliver(unsigned type, const void* payload, std::size_t count) {
  if (m_Owner.DeliverPacket(type, payload, count)) return;
  char line[96];
  std::snprintf(line, sizeof line, "Dev/packet %03x of %zu bytes not taken, dropped", type, count);
  ClientLog().WriteTimed(line);
}

void CReceiverConnection::assembleReply(const std::uint8_t* frame, std::size_t length) {
  const char* f = reinterpret_cast<const char*>(frame);
  std::lock_guard<std::mutex> lock(m_ReplyLock);
  if (m_PieceCount == 0) {
    m_Reply.assign(f, length);
    m_Truncated = false;
  }
  std::size_t text = Zrx::kHeaderSize;
  if (length > 5 && f[5] == '%') {
    // Without a closing "%" the text is taken from the body's start.
    for (std::size_t i = 6; i < length; ++i)
      if (f[i] == '%') {
        text = i + 1;
        break;
      }
  }
  while (text < length && f[text] == ' ') ++text;
  for (std::size_t i = text; i < length; ++i) m_BraceDepth += (f[i] == '{') - (f[i] == '}');
  const char last = f[length - 1];
  const bool continues = length > Zrx::kHeaderSize && (last == ',' || last == '{');
  if (continues || m_PieceCount != 0) {
    ++m_PieceCount;
    if (m_PieceCount > 1) {
      const std::size_t room = kMaxJoinedReply > m_Reply.size() ? kMaxJoinedReply - m_Reply.size() : 0;
      const std::size_t take = std::min(room, length - text);
      m_Reply.append(f + text, take);
      if (take < length - text && !m_Truncated) {
        m_Truncated = true;
        ClientLog().WriteTimed("Dev/joined reply too long, rest dropped");
      }
    }
    if (continues) return;
    const std::size_t body = m_Reply.size() - Zrx::kHeaderSize;
    char digits[8];
    if (body >= Zrx::kMaxBody)
      std::snprintf(digits, sizeof digits, "FFF");
    else
      std::snprintf(digits, sizeof digits, "%03zx", body);
    m_Reply.replace(2, 3, digits, 3);
  }
  m_PieceCount = 0;
  m_BraceDepth = 0;
  if (!m_Waiting)
    ClientLog().WriteData("--Multiple replies on one command -> ", m_Reply.data(), m_Reply.size());
  m_Waiting = false;
  m_Completed.push_back(std::move(m_Reply));
  m_Reply.clear();
  if (m_Completed.size() > kKeptReplies) m_Completed.pop_front();
  ++m_ReplySeq;
  m_ReplyEvent.Set();
}
