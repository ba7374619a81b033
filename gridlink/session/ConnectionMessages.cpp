// Server messages. The requests are sent as they are; the local server answers them
// "ER:Don't support". Uploads are in ConnectionUpload.cpp.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>

#include "gridlink/CLogFile.h"
#include "session/ConnectionState.h"
#include "session/ReplyCopy.h"

namespace {

std::uint64_t timeOf(const REMOTE_MSG& m) {
  return (std::uint64_t{m.timeHigh} << 32) | m.timeLow;
}

// 100 ns units since 1601-01-01 as the user's short date and a 24-hour time, no zone shift.
void formatTime(REMOTE_MSG& m) {
  constexpr std::uint64_t kEpochDiff = 11644473600ull;
  const std::uint64_t seconds = timeOf(m) / 10000000ull;
  const std::time_t t = static_cast<std::time_t>(seconds > kEpochDiff ? seconds - kEpochDiff : 0);
  std::tm tm{};
  gmtime_r(&t, &tm);
  std::strftime(m.dateTime, sizeof m.dateTime, "%x %H:%M:%S", &tm);
}

}  // namespace

int CConnection::GetUsrList(const char*) {
  if (!m_State->opened) return 0;
  return SendData("GetUsrList", 0);
}

REMOTE_MSG* CConnection::GetMsgList(int& count) {
  count = 0;
  if (!m_State->opened) return nullptr;
  const int n = SendData("GetMsgList", 0);
  if (n <= 0) return nullptr;
  count = n;
  auto* list = new REMOTE_MSG[static_cast<std::size_t>(n)]();
  const std::string reply = GetReplyString();
  const char* p = reply.size() > 3 ? reply.c_str() + 3 : "";
  for (int i = 0; i < n; ++i) {
    REMOTE_MSG& m = list[i];
    int used = 0;
    if (std::sscanf(p, "%1023s %15s %63s %1023s %8x%8x\n%n", m.name, m.size, m.fromUser, m.subject,
                    &m.timeHigh, &m.timeLow, &used) < 6) {
      m = REMOTE_MSG();
      break;
    }
    p += used;
  }
  for (int i = 0; i < n; ++i) formatTime(list[i]);
  for (int i = n - 1; i >= 1; --i) {  // oldest first; the first of equal times stays first
    int newest = 0;
    for (int j = 1; j <= i; ++j)
      if (timeOf(list[j]) > timeOf(list[newest])) newest = j;
    std::swap(list[newest], list[i]);
  }
  return list;
}

namespace {

// A server that answered inline, though asked for a file ("RE:OK. SUBJECT TEXT"): the text
// goes into the file, which no transfer block has closed.
void keepInlineText(ConnectionState& s, const std::string& reply) {
  const auto first = reply.find(' ');
  const auto second = first == std::string::npos ? first : reply.find(' ', first + 1);
  if (reply.rfind("RE", 0) == 0 && second != std::string::npos)
    std::fwrite(reply.data() + second + 1, 1, reply.size() - second - 1, s.msgFile);
  std::fclose(s.msgFile);
  s.msgFile = nullptr;
}

}  // namespace

int CConnection::GetMsg(const char* name, const char* localPath) {
  ConnectionState& s = *m_State;
  if (!s.opened) return 0;
  long long localSize = 0;
  if (localPath && *localPath) {
    if (s.msgFile) std::fclose(s.msgFile);
    s.msgFile = std::fopen(localPath, "ab");
    if (!s.msgFile) {
      SetReply("ER:Can't create local file.");
      return 0;
    }
    std::fseek(s.msgFile, 0, SEEK_END);
    localSize = std::ftell(s.msgFile);
    s.msgDownload = DOWNLOADINFO();
    s.msgDownload.status = 0;
  }
  // "file" asks for the body as transfer blocks even when it is short enough to come inline,
  // so that it reaches the file byte for byte.
  char request[1200];
  std::snprintf(request, sizeof request, "GetMsg %s %0lld%s", name ? name : "", localSize,
                s.msgFile ? " file" : "");
  if (!SendData(request, 0)) {
    if (s.msgFile) {
      std::fclose(s.msgFile);
      s.msgFile = nullptr;
      std::remove(localPath);
    }
    s.msgDownload.status = 2;
    return 0;
  }
  if (s.msgFile) keepInlineText(s, GetReplyString());
  return s.replyResult;
}

int CConnection::SetMsg(const char* user, const char* subject, const char* text) {
  if (!m_State->opened) return 0;
  return SendData((std::string("SetMsg ") + (user ? user : "") + " " + (subject ? subject : "") + " " +
                   (text ? text : ""))
                      .c_str(),
                  0);
}

int CConnection::DeleteMsg(const char* name) {
  if (!m_State->opened) return 0;
  return SendData((std::string("DeleteMsg ") + (name ? name : "")).c_str(), 0);
}

namespace {

// The report for one piece of a server message's download (binary data may hold zero bytes).
std::string messageTransfer(ConnectionState& s, std::string_view inView) {
  const std::string in(inView);
  s.msgDownload.status = 1;
  std::string reply = "ER:Failed write to file";
  const std::string kind = in.substr(0, 2);
  if (kind == "RE" || kind == "ER") {
    s.msgDownload.status = kind == "RE" ? 1 : 2;
    reply = in;
    if (s.msgFile) std::fclose(s.msgFile);
    s.msgFile = nullptr;
  } else if (kind == "IN") {
    int bl = 0, ln = 0;
    std::sscanf(in.c_str(), "IN:%4d%4d", &bl, &ln);
    std::size_t start = std::min<std::size_t>(12, in.size());
    // The first block opens with a zero-terminated text that is not part of the message.
    if (bl == 0) start = std::min(in.size(), start + strnlen(in.data() + start, in.size() - start) + 1);
    const std::size_t n = in.size() > start + 1 ? in.size() - start - 1 : 0;
    if (s.msgFile && std::fwrite(in.data() + start, 1, n, s.msgFile) == n) {
      s.msgDownload.status = 0;
      s.msgDownload.BL = bl;
      s.msgDownload.LN = ln;
      s.msgDownload.bytes += static_cast<std::int32_t>(n);
      char text[64];
      std::snprintf(text, sizeof text, "IN:BL=%.4s LN=%.4s", in.c_str() + std::min<std::size_t>(3, in.size()),
                    in.c_str() + std::min<std::size_t>(7, in.size()));
      reply = text;
    } else {
      s.msgDownload.status = 2;
    }
  } else if (kind == "TT") {
    s.msgDownload.status = 3;
    reply = in;
  } else {
    reply = "Unknown message - " + in;
  }
  return reply;
}

}  // namespace

void ConnectionAccess::serverTransfer(CConnection& c, std::string& msg) {
  msg = messageTransfer(state(c), msg);
}

int CConnection::Transfer(char* msg, std::uint16_t len) {
  if (!msg) return 0;
  return Session::copyReplyBack(msg, len, messageTransfer(*m_State, std::string_view(msg, len)));
}
