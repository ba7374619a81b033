// Download: the receiver sends a file block by block; every good block goes to the client as
// an "IN:" packet, every bad one is asked for again with NAK and reported as "RT:".
#include <cstdio>
#include <cstdlib>

#include "gridlink/CLogFile.h"
#include "gridlink/platform/Clock.h"
#include "links/CReceiverConnection.h"
#include "transfer/CTransferProtocol.h"

namespace {

std::uint16_t le16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(s[at]) |
                                    (static_cast<std::uint8_t>(s[at + 1]) << 8));
}

// A receiver error frame ("ER" + three hex digits + body) as text, without trailing controls.
std::string errorText(const std::string& raw) {
  std::size_t end = raw.size();
  if (raw.size() >= 5) {
    const unsigned long len = std::strtoul(raw.substr(2, 3).c_str(), nullptr, 16);
    end = std::min<std::size_t>(raw.size(), 5 + len);
  }
  while (end > 0 && static_cast<unsigned char>(raw[end - 1]) < ' ') --end;
  return raw.substr(0, end);
}

}  // namespace

bool CTransferProtocol::StartDownload() {
  std::string reply;
  if (!command("%WL%print,/log/" + m_FileName + "&size", reply)) return false;
  m_Remaining = reply.size() > 9 ? std::atoll(reply.c_str() + 9) : 0;
  m_StartBlock = static_cast<std::uint16_t>(m_Offset / m_BlockSize);
  char get[1200];
  std::snprintf(get, sizeof get, "%%WL%%get,/log/%s:{300,%d},%d", m_FileName.c_str(), m_BlockSize, m_Offset);
  if (!command(get, reply)) return false;
  Platform::Sleep(200);
  m_Link.SetReaderMode(ReaderMode::Handshake);
  return startThread(&CTransferProtocol::downloadThread);
}

void CTransferProtocol::sendHandshake(std::uint8_t byte) {
  std::string discard;
  m_Link.TakeRawBytes(discard);
  m_Pending.clear();
  m_Link.Write(&byte, 1);
}

void CTransferProtocol::reportRetry(std::string_view reason) {
  ++m_Retries;
  char text[320];
  std::snprintf(text, sizeof text, "RT:%d %.*s", m_Retries, static_cast<int>(reason.size()), reason.data());
  ClientLog().WriteTimed(text);
  packet(kDownloadPacket, text);
}

void CTransferProtocol::downloadThread(Platform::ThreadContext&) {
  ClientLog().WriteTimed("Download thread started.");
  setStatus("RE:Complete Downloading.");
  int crcErrors = 0;
  sendHandshake(kNak);
  for (bool last = false; !last;) {
    std::uint16_t valid = 0;
    const BlockResult r = receiveBlock(valid);
    if (r == BlockResult::Failed) break;
    const auto* frame = reinterpret_cast<const std::uint8_t*>(m_Block.data());
    const std::uint16_t computed = BlockCrc(frame, m_BlockSize, m_RunningCrc);
    const std::uint16_t received = le16(m_Block, m_BlockSize + 3u);
    if (computed != received) {
      char reason[64];
      std::snprintf(reason, sizeof reason, "Error CRC %04X %04X", computed, received);
      reportRetry(reason);
      if (++crcErrors > kMaxCrcRetries) {
        setStatus("ER:Retry > MAX.");
        break;
      }
      sendHandshake(kNak);
      continue;
    }
    crcErrors = 0;
    m_RunningCrc = computed;
    last = r == BlockResult::Last;
    // The next block is asked for before this one goes to the client, so that the line is
    // busy while the client writes.
    if (!last) sendHandshake(kAck);
    // "IN:" + block index + byte count + "F", the data, and a closing byte that the client's
    // reading of the packet expects behind the data.
    char head[16];
    std::snprintf(head, sizeof head, "IN:%04d%04d", (m_StartBlock + m_BlockCount + 1) % 10000, valid % 10000);
    std::string in(head);
    in.push_back('F');
    in.append(m_Block, 3, valid);
    in.push_back('\0');
    ++m_BlockCount;
    packet(kDownloadPacket, in);
  }
  m_Link.SetReaderMode(ReaderMode::Frames);
  std::string ignored;
  m_Link.SendCommand("###\ndm\n", ignored, 0);
  // Their replies carry no identifier: let them pass before anyone sends the next command.
  m_Link.WaitQuiet(kQuietMs, kQuietMaxMs);
  const std::string status = StatusText();
  char line[200];
  std::snprintf(line, sizeof line, "Download thread stopped NBL=%d SBL=%d ", m_BlockCount, m_BlockSize);
  ClientLog().WriteTimed(line + status);
  packet(kDownloadPacket, status);
  m_Go.Set();
}

bool CTransferProtocol::waitFrame(std::string& frame, int& timeouts) {
  const std::size_t size = m_BlockSize + 6u;
  for (;;) {
    const bool signalled = m_Ready.Wait(kBlockWaitMs) == Platform::WaitResult::Signalled;
    std::string chunk;
    m_Link.TakeRawBytes(chunk);
    m_Pending += chunk;
    if (m_AbortRequested.load()) {
      setStatus("ER:Aborted by user!");
      m_Go.Set();
      return false;
    }
    if (m_Pending.size() >= 2 && m_Pending.compare(0, 2, "ER") == 0) {
      setStatus(errorText(m_Pending));
      m_Go.Set();
      return false;
    }
    if (!signalled && chunk.empty()) {
      if (++timeouts >= kBlockTimeouts) {
        setStatus("ER:Receiver don't reply!");
        m_Go.Set();
        return false;
      }
      continue;
    }
    if (m_Pending.size() < size) {
      m_Go.Set();  // the reader may deliver more
      continue;
    }
    // Anything behind one frame is not part of it: the receiver sends one block per handshake.
    frame.assign(m_Pending, 0, size);
    m_Pending.clear();
    return true;
  }
}

CTransferProtocol::BlockResult CTransferProtocol::receiveBlock(std::uint16_t& validBytes) {
  const int retriesAtEntry = m_Retries;
  int timeouts = 0;
  for (;;) {
    std::string frame;
    if (!waitFrame(frame, timeouts)) return BlockResult::Failed;
    m_Block = frame;
    const std::uint8_t tag = static_cast<std::uint8_t>(m_Block[0]);
    const std::uint16_t number = le16(m_Block, 1);
    const char* reason = nullptr;
    if (tag == kTagLast) {
      validBytes = number <= m_BlockSize ? number : m_BlockSize;
      m_Go.Set();
      return BlockResult::Last;
    }
    if (tag == kTagMore && number == m_BlockCount) {
      validBytes = m_BlockSize;
      m_Go.Set();
      return BlockResult::Good;
    }
    reason = tag == kTagMore ? "Block number error." : "Tag error.";
    if (m_Retries - retriesAtEntry > kMaxFrameRetries) {
      setStatus("ER:Retry > MAX.");
      m_Go.Set();
      return BlockResult::Failed;
    }
    reportRetry(reason);
    m_Go.Set();
    sendHandshake(kNak);
  }
}
