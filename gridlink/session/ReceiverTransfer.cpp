// Receiver file downloads as the client sees them: the request, the local file, and the
// transfer reports that the connection thread passes to Transfer.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "gridlink/CLogFile.h"
#include "session/ConnectionState.h"
#include "session/ReplyCopy.h"

namespace fs = std::filesystem;

void CReceiver::closeDownloadFile() {
  std::lock_guard lock(m_TransferLock);
  if (m_File) {
    std::fclose(m_File);
    m_File = nullptr;
  }
}

int CReceiver::DownloadFile(const char* localPath, const char* fileName, std::uint32_t param) {
  {
    std::lock_guard lock(m_TransferLock);
    if (m_File && m_Download.status == 0) {
      // The running download's blocks would land in the new file.
      SetReply("ER:Download already active!");
      return 0;
    }
  }
  std::string name = fileName ? fileName : "";
  name.erase(0, name.find_first_not_of(' ') == std::string::npos ? name.size() : name.find_first_not_of(' '));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (!SendCommand(("print,/log/" + name + "&size").c_str(), nullptr)) {
    SetReply("ER:File not found or error communicating to the receiver.");
    return 0;
  }
  CConnection* conn = m_Conn.load();
  if (!conn) return 0;
  const std::string reply = GetReplyString();
  const std::string path = localPath ? localPath : "";
  long long localSize = 0, remoteSize = 0;
  {
    // The connection thread writes the file as soon as the request is out: what it touches
    // is settled under the lock before that.
    std::lock_guard lock(m_TransferLock);
    m_RemoteSize = remoteSize = reply.size() > 5 ? std::atoll(reply.c_str() + 5) : 0;
    if (m_File) std::fclose(m_File);
    m_File = std::fopen(path.c_str(), "ab");
    if (m_File) {
      std::fseek(m_File, 0, SEEK_END);
      m_LocalSize = localSize = std::ftell(m_File);
    }
  }
  if (!hasDownloadFile()) {
    SetReply("ER:Can't create local file.");
    return 0;
  }
  if (localSize >= remoteSize) {
    endDownload(1);
    SetReply("RE:Complete downloading.");
    return 1;
  }
  std::error_code ec;
  const fs::path folder = fs::absolute(fs::path(path), ec).parent_path();
  const auto space = fs::space(folder, ec);
  if (!ec && space.available < static_cast<std::uintmax_t>(remoteSize - localSize)) {
    endDownload(2);
    SetReply("ER:Not enough free space on disk");
    return 0;
  }
  {
    std::lock_guard lock(m_TransferLock);
    m_Download.status = 0;
    m_Download.bytes = 0;
    m_WriteFailed = false;
  }
  char request[1200];
  std::snprintf(request, sizeof request, "DownloadFile %s %0lld %0u", name.c_str(), localSize, param);
  const int result = conn->SendData(request, m_RcvId);
  if (!result) {
    endDownload(2);
    // Bytes already here stay for the next attempt to resume after them.
    if (localSize == 0) std::remove(path.c_str());
  }
  return result;
}

bool CReceiver::hasDownloadFile() const {
  std::lock_guard lock(m_TransferLock);
  return m_File != nullptr;
}

void CReceiver::endDownload(std::int32_t status) {
  std::lock_guard lock(m_TransferLock);
  if (m_File) std::fclose(m_File);
  m_File = nullptr;
  m_Download.status = status;
}

int CReceiver::CancelDownload() {
  CConnection* conn = m_Conn.load();
  if (!CheckDevice() || !conn) return 0;
  const int result = conn->SendData("CancelDownload", m_RcvId);
  closeDownloadFile();
  return result;
}

int CReceiver::LoadFirmware(const char* file, const char* name, std::uint32_t mode) {
  CConnection* conn = m_Conn.load();
  if (!CheckDevice() || !conn) return 0;
  const std::string f = file ? file : "";
  switch (mode) {
    case 4:
      return conn->SendData(("LoadFirmware " + f).c_str(), m_RcvId);
    case 1:
      return conn->SendData(("LoadFirmware " + f + " 1").c_str(), m_RcvId);
    case 2: {
      const std::string n = name ? name : "";
      if (!conn->SendFile(f.c_str(), n.c_str(), nullptr, 0)) return 0;
      return conn->SendData(("LoadFirmware " + n).c_str(), m_RcvId);
    }
    default:
      return 0;
  }
}

int CReceiver::GetDownloadStatus(DOWNLOADINFO& out) {
  std::lock_guard lock(m_TransferLock);
  out = m_Download;
  return out.status;
}

int CReceiver::Transfer(char* msg, std::uint16_t len) {
  if (!msg) return 0;
  return Session::copyReplyBack(msg, len, transfer(std::string_view(msg, len)));
}

std::string CReceiver::transfer(std::string_view inView) {
  const std::string in(inView);
  std::lock_guard lock(m_TransferLock);
  // Worked out aside and stored once: a poller must never see "finished" in between.
  int status = 1;
  std::string reply = "ER:Failed write to file";
  const std::string kind = in.substr(0, 2);
  if (kind == "RT") {
    // A retry report: the transfer goes on.
    m_Download.status = m_WriteFailed ? 2 : 0;
    return in;
  }
  if (kind == "RE") {
    reply = in;
    if (m_File) std::fclose(m_File);
    m_File = nullptr;
  } else if (kind == "IN") {
    // "IN:BL=nnnn LN=nnnn" + one separator, then the data from position 12 to the end.
    if (m_File && in.size() >= 13) {
      const std::size_t n = in.size() - 13;
      if (std::fwrite(in.data() + 12, 1, n, m_File) == n && std::fflush(m_File) == 0) {
        status = 0;
        char text[64];
        std::snprintf(text, sizeof text, "IN:BL=%.4s LN=%.4s", in.c_str() + 3, in.c_str() + 7);
        reply = text;
        m_Download.bytes += static_cast<std::int32_t>(n);
        m_Download.LN = std::atoi(in.substr(7, 4).c_str());
        m_Download.BL = std::atoi(in.substr(3, 4).c_str());
      } else {
        status = 2;
        m_WriteFailed = true;
        std::fclose(m_File);
        m_File = nullptr;
      }
    } else {
      status = 2;
    }
  } else if (kind == "ER") {
    status = 2;
    reply = in;
    if (m_File) std::fclose(m_File);
    m_File = nullptr;
  } else if (kind == "TT") {
    status = 3;
    reply = in;
  } else {
    reply = "Unknown message - " + in;
  }
  if (m_WriteFailed) {
    // Later blocks and the server's closing report must not turn a lost block into success.
    status = 2;
    reply = "ER:Failed write to file";
  }
  m_Download.status = status;
  return reply;
}
