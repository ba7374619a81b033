#include "Messages.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>

#include "gridlink/CConnection.h"

namespace gridctl {
namespace {

constexpr int kOk = 0, kFailed = 1;

int refused(const CConnection& conn) {
  std::cerr << conn.GetReplyString() << "\n";
  return kFailed;
}

// The progress callback: param is 0, or one more than the byte count after which to stop.
bool keepGoing(std::uint32_t sent, std::uint32_t, std::uint32_t param) {
  return param == 0 || sent < param - 1;
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

int getMessage(CConnection& conn, const Options& o) {
  // Fetched into the file whatever its size: a short file message may hold zero bytes.
  const std::string path = o.toDir + "/" + o.getMessage;
  if (!conn.GetMsg(o.getMessage.c_str(), path.c_str())) return refused(conn);
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
                                                   keepGoing, static_cast<std::uint32_t>(o.cancelAfter + 1));
  return sent ? kOk : refused(conn);
}

}  // namespace gridctl
