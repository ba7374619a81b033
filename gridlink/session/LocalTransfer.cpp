// The local server's file transfer requests: "DownloadFile", "LoadFirmware", "CancelDownload".
#include "gridlink/CLogFile.h"
#include "gridlink/platform/Clock.h"
#include "session/LocalServer.h"

namespace {

// After the stop text the receiver gets at least the pause of "Detach", and its replies must
// not be taken for the transfer's own: the line has to have been quiet that long.
constexpr unsigned kQuietMaxMs = 1500;

}  // namespace

int LocalServer::DownloadFile(std::string_view arg) {
  return startTransfer(arg, false);
}

int LocalServer::LoadFirmware(std::string_view arg) {
  return startTransfer(arg, true);
}

int LocalServer::startTransfer(std::string_view arg, bool upload) {
  if (!ownLink()) return 0;
  CReceiverConnection* link = m_Link->Raw();
  if (link == nullptr) {
    m_Reply = "ER:Don't support";
    return 0;
  }
  if (m_Transfer && !m_Transfer->Finished()) {
    m_Reply = "ER:Download already active!";
    return 0;
  }
  m_Transfer.reset();
  sendStop();
  m_Link->WaitQuiet(kDetachPauseMs, kQuietMaxMs);
  auto sink = [this](unsigned type, std::string_view text) { return SendPacket(type, 0, text); };
  auto transfer = std::make_unique<CTransferProtocol>(*link, m_TransferReady, m_TransferGo, sink, arg);
  if (!(upload ? transfer->StartUpload() : transfer->StartDownload())) {
    m_Reply = transfer->StatusText();
    return 0;
  }
  m_Transfer = std::move(transfer);
  return 1;
}

bool LocalServer::stopTransfer() {
  if (!m_Transfer) return true;
  m_Transfer->RequestAbort();
  if (!m_Transfer->WaitFinished(CTransferProtocol::kStopJoinMs)) {
    // Deleting it now would pull the object from under its thread; the next request or the
    // server's end tries again.
    ClientLog().WriteTimed("Transfer thread did not stop in time");
    return false;
  }
  m_Transfer.reset();
  return true;
}

int LocalServer::CancelDownload(std::string_view arg) {
  if (!arg.empty()) {
    m_Cancel = true;
    return 1;
  }
  if (m_Transfer && !m_Transfer->Finished()) {
    if (!stopTransfer()) {
      m_Reply = "ER:Download not stopped!";
      return 0;
    }
    return 1;
  }
  m_Transfer.reset();
  m_Reply = "ER:Download not active!";
  return 0;
}
