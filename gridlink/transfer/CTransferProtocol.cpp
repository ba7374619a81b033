// CTransferProtocol: what downloads and uploads share (request, thread, link restore,
// packets). The two directions are in TransferDownload.cpp and TransferUpload.cpp.
#include "transfer/CTransferProtocol.h"

#include <cstdio>

#include "gridlink/CLogFile.h"
#include "gridlink/Framing.h"
#include "links/CReceiverConnection.h"

CTransferProtocol::CTransferProtocol(CReceiverConnection& link, Platform::Event& ready, Platform::Event& go,
                                     PacketSink sink, std::string_view request)
    : m_Link(link), m_Ready(ready), m_Go(go), m_Sink(std::move(sink)) {
  char name[1024] = {};
  int offset = 0, blockSize = 0;
  const std::string text(request);
  std::sscanf(text.c_str(), "%1023s %d %d", name, &offset, &blockSize);
  m_FileName = name;
  m_Offset = offset < 0 ? 0 : offset;
  // The frame carries 16-bit numbers; sizes beyond that cannot be told apart.
  if (blockSize > 0 && blockSize <= 0xFFFF) m_BlockSize = static_cast<std::uint16_t>(blockSize);
  m_Block.assign(m_BlockSize + 6u, '\0');
  // Left from an earlier transfer: a stale signal would only cost one empty look.
  m_Ready.Reset();
  m_Go.Reset();
  m_Link.SetTransferEvents(&m_Ready, &m_Go);
}

CTransferProtocol::~CTransferProtocol() {
  RequestAbort();
  if (!m_Thread.Join(kStopJoinMs)) ClientLog().WriteTimed("Transfer thread did not stop in time");
  restoreLink();
  if (m_File) std::fclose(m_File);
}

void CTransferProtocol::RequestAbort() {
  m_AbortRequested.store(1);
  m_Ready.Set();
}

bool CTransferProtocol::WaitFinished(std::uint32_t timeoutMs) {
  return m_Ended.Wait(timeoutMs) == Platform::WaitResult::Signalled;
}

std::string CTransferProtocol::StatusText() const {
  std::lock_guard<std::mutex> lock(m_StatusLock);
  return m_StatusText;
}

void CTransferProtocol::setStatus(std::string text) {
  std::lock_guard<std::mutex> lock(m_StatusLock);
  m_StatusText = std::move(text);
}

std::uint16_t CTransferProtocol::BlockCrc(const std::uint8_t* frame, std::size_t blockSize,
                                          std::uint16_t runningCrc) {
  return Zrx::crc16(frame, blockSize + 3, runningCrc);
}

bool CTransferProtocol::command(const std::string& text, std::string& reply) {
  reply.clear();
  const bool ok = m_Link.SendCommand(text, reply, kCommandMs);
  if (!ok) setStatus(reply);
  return ok;
}

void CTransferProtocol::packet(unsigned type, std::string_view text) {
  if (m_Sink && !m_Sink(type, text)) ClientLog().WriteTimed("Transfer packet not taken by the client");
}

bool CTransferProtocol::startThread(void (CTransferProtocol::*body)(Platform::ThreadContext&)) {
  const bool ok = m_Thread.Start([this, body](Platform::ThreadContext& ctx) {
    (this->*body)(ctx);
    m_Finished.store(true);
    m_Ended.Set();
  });
  if (!ok) {
    setStatus("ER:Can't start transfer thread");
    restoreLink();
  }
  return ok;
}

void CTransferProtocol::restoreLink() {
  // The reader may be waiting for its go: release it before the events are detached.
  m_Link.SetReaderMode(ReaderMode::Frames);
  m_Go.Set();
  m_Link.SetTransferEvents(nullptr, nullptr);
  m_Go.Set();
}
