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
  if (m_File) {
    std::fclose(m_File);
    m_File = nullptr;
  }
}

int CReceiver::DownloadFile(const char* localPath, const char* fileName, std::uint32_t param) {
  if (m_File && m_Download.status == 0) {
    // The running download's blocks would land in the new file.
    SetReply("ER:Download already active!");
    return 0;
  }
  std::string name = fileName ? fileName : "";
  name.erase(0, name.find_first_not_of(' ') == std::string::npos ? name.size() : name.find_first_not_of(' '));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (!SendCommand(("print,/log/" + name + "&size").c_str(), nullptr)) {
    SetReply("ER:File not found or error communicating to the receiver.");
    return 0;
  }
  const std::string reply = GetReplyString();
  m_RemoteSize = reply.size() > 5 ? std::atoll(reply.c_str() + 5) : 0;
  closeDownloadFile();
  const std::string path = localPath ? localPath : "";
  m_File = std::fopen(path.c_str(), "ab");
  if (!m_File) {
    SetReply("ER:Can't create local file.");
    return 0;
  }
  std::fseek(m_File, 0, SEEK_END);
  m_LocalSize = std::ftell(m_File);
  if (m_LocalSize >= m_RemoteSize) {
    closeDownloadFile();
    m_Download.status = 1;
    SetReply("RE:Complete downloading.");
    return 1;
  }
  std::error_code ec;
  const fs::path folder = fs::absolute(fs::path(path), ec).parent_path();
  const auto space = fs::space(folder, ec);
  if (!ec && space.available < static_cast<std::uintmax_t>(m_RemoteSize - m_LocalSize)) {
    closeDownloadFile();
    m_Download.status = 2;
    SetReply("ER:Not enough free space on disk");
    return 0;
  }
  m_Download.status = 0;
  m_Download.bytes = 0;
  m_WriteFailed = false;
  char request[1200];
  std::snprintf(request, sizeof request, "DownloadFile %s %0lld %0u", name.c_str(), m_LocalSize, param);
  if (!m_Conn->SendData(request, m_RcvId)) {
    closeDownloadFile();
    m_Download.status = 2;
    // Bytes already here stay for the next attempt to resume after them.
    if (m_LocalSize == 0) std::remove(path.c_str());
  }
  return m_Result;
}

int CReceiver::CancelDownload() {
  if (!CheckDevice()) return 0;
  m_Conn->SendData("CancelDownload", m_RcvId);
  closeDownloadFile();
  return m_Result;
}

int CReceiver::LoadFirmware(const char* file, const char* name, std::uint32_t mode) {
  if (!CheckDevice()) return 0;
  const std::string f = file ? file : "";
  switch (mode) {
    case 4:
      return m_Conn->SendData(("LoadFirmware " + f).c_str(), m_RcvId);
    case 1:
      return m_Conn->SendData(("LoadFirmware " + f + " 1").c_str(), m_RcvId);
    case 2: {
      const std::string n = name ? name : "";
      if (!m_Conn->SendFile(f.c_str(), n.c_str(), nullptr, 0)) return 0;
      return m_Conn->SendData(("LoadFirmware " + n).c_str(), m_RcvId);
    }
    default:
      return 0;
  }
}

int CReceiver::GetDownloadStatus(DOWNLOADINFO& out) {
  out = m_Download;
  return out.status;
}

int CReceiver::Transfer(char* msg, std::uint16_t len) {
  if (!msg) return 0;
  return Session::copyReplyBack(msg, len, transfer(std::string_view(msg, len)));
}

std::string CReceiver::transfer(std::string_view inView) {
  const std::string in(inView);
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
    closeDownloadFile();
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
        closeDownloadFile();
      }
    } else {
      status = 2;
    }
  } else if (kind == "ER") {
    status = 2;
    reply = in;
    closeDownloadFile();
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
