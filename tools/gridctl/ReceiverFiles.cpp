#include "ReceiverFiles.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <mutex>

#include "gridlink/CProfile.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/Clock.h"

namespace gridctl {
namespace {

constexpr int kOk = 0, kFailed = 1;
// A download that makes no progress for this long is given up.
constexpr std::uint32_t kStallMs = 60000;
constexpr std::uint32_t kPollMs = 20;

// The closing report of the transfer in progress ("RE..." or "ER..."), from the "WL" reports.
std::mutex g_ReportLock;
std::string g_Closing;

void onReport(CReceiver* r) {
  const char* p = reinterpret_cast<const char*>(r->getMsgBuf(0));
  if (!p) return;
  std::string text(p, strnlen(p, static_cast<std::size_t>(r->getMsgBufSize())));
  if (text.rfind("RE", 0) != 0 && text.rfind("ER", 0) != 0) return;
  std::lock_guard l(g_ReportLock);
  g_Closing = text;
}

std::string closingReport() {
  std::lock_guard l(g_ReportLock);
  return g_Closing;
}

// The block size the file manager uses ("LoadFile"/"BlockSize", 512 when unset).
std::uint32_t managerBlockSize() {
  CProfile profile("Software\\Norhaven GNSS\\Fieldmesh\\stelvan");
  const int size = profile.Read("LoadFile", "BlockSize", 512);
  return size > 0 && size <= 0xFFFF ? static_cast<std::uint32_t>(size) : 512;
}

std::string body(const std::string& reply) {
  return reply.size() > 5 ? reply.substr(5) : std::string();
}

std::string trim(std::string s) {
  s.erase(0, std::min(s.find_first_not_of(" \t"), s.size()));
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

}  // namespace

int ListFiles(CReceiver& rcv) {
  if (!rcv.SendCommand("print,/log/&[name,size,time]")) {
    std::cerr << rcv.GetReplyString() << "\n";
    return kFailed;
  }
  // "{{name,size,time},{name,size,time},...}"
  const std::string list = body(rcv.GetReplyString());
  std::size_t pos = list.rfind("{{", 0) == 0 ? 2 : std::string::npos;
  while (pos != std::string::npos && pos < list.size()) {
    const std::size_t end = list.find('}', pos);
    if (end == std::string::npos) break;
    const std::string entry = list.substr(pos, end - pos);
    const std::size_t c1 = entry.find(','), c2 = c1 == std::string::npos ? c1 : entry.find(',', c1 + 1);
    if (c2 != std::string::npos)
      std::cout << trim(entry.substr(0, c1)) << " " << trim(entry.substr(c1 + 1, c2 - c1 - 1)) << "\n";
    pos = end + 3;  // behind "},{"
  }
  return kOk;
}

int DownloadFile(CReceiver& rcv, const std::string& name, const std::string& dir) {
  if (!rcv.SendCommand(("print,/log/" + name + "&size").c_str())) {
    std::cerr << rcv.GetReplyString() << "\n";
    return kFailed;
  }
  const long long remote = std::atoll(body(rcv.GetReplyString()).c_str());
  const std::string path = (std::filesystem::path(dir) / name).string();
  if (!rcv.Attach(0, onReport, "WL", nullptr)) {
    std::cerr << rcv.GetReplyString() << "\n";
    return kFailed;
  }
  int status = kFailed;
  if (!rcv.DownloadFile(path.c_str(), name.c_str(), managerBlockSize())) {
    std::cerr << rcv.GetReplyString() << "\n";
  } else {
    DOWNLOADINFO info{};
    int lastBytes = -1;
    std::uint32_t still = 0;
    while (rcv.GetDownloadStatus(info) == 0 && still < kStallMs) {
      if (info.bytes != lastBytes) {
        std::fprintf(stderr, "%s: %d bytes\n", name.c_str(), info.bytes);
        lastBytes = info.bytes;
        still = 0;
      }
      Platform::Sleep(kPollMs);
      still += kPollMs;
    }
    if (info.status == 0) {
      rcv.CancelDownload();
      std::cerr << name << ": no progress, download stopped\n";
    } else if (info.status != 1) {
      rcv.CancelDownload();  // the server's transfer may still run after a local failure
      // The closing report may still be on its way through the message thread.
      for (int i = 0; i < 100 && closingReport().empty(); ++i) Platform::Sleep(kPollMs);
      std::cerr << name << ": " << closingReport() << "\n";
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (info.status == 1 && !ec && static_cast<long long>(size) == remote)
      status = kOk;
    else if (info.status == 1)
      std::cerr << name << ": " << (ec ? 0 : size) << " of " << remote << " bytes\n";
  }
  rcv.Detach(0);
  return status;
}

int DeleteFile(CReceiver& rcv, const std::string& name) {
  if (rcv.SendCommand(("remove,\"/log/" + name + "\"").c_str())) return kOk;
  std::cerr << rcv.GetReplyString() << "\n";
  return kFailed;
}

}  // namespace gridctl
