#include "Messages.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "gridlink/CConnection.h"

namespace gridctl {
namespace {

constexpr int kOk = 0, kFailed = 1;
constexpr long kInlineLimit = 1024;  // the server answers shorter messages inline

int refused(const CConnection& conn) {
  std::cerr << conn.GetReplyString() << "\n";
  return kFailed;
}

bool keepGoing(std::uint32_t, std::uint32_t, std::uint32_t) {
  return true;
}

int printUsers(CConnection& conn) {
  if (!conn.GetUsrList()) return refused(conn);
  const std::string list = conn.GetReplyString();
  const char* p = list.size() > 3 ? list.c_str() + 3 : "";
  char name[256];
  char state = 0;
  int used = 0;
  while (std::sscanf(p, "%255[^/]/%c\n%n", name, &state, &used) == 2 && used > 0) {
    std::cout << name << " " << state << "\n";
    p += used;
  }
  return kOk;
}

int printMessages(CConnection& conn) {
  int count = 0;
  REMOTE_MSG* list = conn.GetMsgList(count);
  if (!list && conn.GetReplyString().rfind("RE", 0) != 0) return refused(conn);
  for (int i = 0; i < count; ++i)
    std::cout << list[i].name << "\t" << list[i].size << "\t" << list[i].fromUser << "\t" << list[i].subject
              << "\t" << list[i].dateTime << "\n";
  delete[] list;
  return kOk;
}

long sizeOf(CConnection& conn, const std::string& name) {
  int count = 0;
  REMOTE_MSG* list = conn.GetMsgList(count);
  long size = -1;
  for (int i = 0; i < count; ++i)
    if (name == list[i].name) size = std::atol(list[i].size);
  delete[] list;
  return size;
}

int getMessage(CConnection& conn, const Options& o) {
  const long size = sizeOf(conn, o.getMessage);
  const std::string path = o.toDir + "/" + o.getMessage;
  if (size > kInlineLimit) {
    if (!conn.GetMsg(o.getMessage.c_str(), path.c_str())) return refused(conn);
  } else {
    if (!conn.GetMsg(o.getMessage.c_str(), nullptr)) return refused(conn);
    // "RE:OK. SUBJECT TEXT": the text starts after the second blank.
    const std::string reply = conn.GetReplyString();
    const auto first = reply.find(' ');
    const auto second = first == std::string::npos ? first : reply.find(' ', first + 1);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (second != std::string::npos) out << reply.substr(second + 1);
    if (!out) {
      std::cerr << "cannot write " << path << "\n";
      return kFailed;
    }
  }
  std::cout << path << "\n";
  return kOk;
}

}  // namespace

int runMessages(CConnection& conn, const Options& o) {
  if (o.users) return printUsers(conn);
  if (o.messages) return printMessages(conn);
  if (!o.getMessage.empty()) return getMessage(conn, o);
  if (!o.deleteMessage.empty()) return conn.DeleteMsg(o.deleteMessage.c_str()) ? kOk : refused(conn);
  const int sent = o.msgFile.empty() ? conn.SetMsg(o.msgUser.c_str(), o.msgSubject.c_str(), o.msgText.c_str())
                                     : conn.SetMsg(o.msgUser.c_str(), o.msgSubject.c_str(), o.msgFile.c_str(),
                                                   keepGoing, 0);
  return sent ? kOk : refused(conn);
}

}  // namespace gridctl
