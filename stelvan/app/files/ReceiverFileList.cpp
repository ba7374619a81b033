#include "files/ReceiverFileList.h"

#include <cinttypes>
#include <cstdio>
#include <ctime>

namespace Files {
namespace {

constexpr std::int64_t kEpoch1988 = 567993600;  // 1988-01-01 00:00:00 UTC in Unix seconds

std::tm brokenDown(std::int64_t time) {
  const std::time_t t = static_cast<std::time_t>(kEpoch1988 + time);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return tm;
}

std::string trim(const char* s) {
  std::string t(s);
  t.erase(0, std::min(t.find_first_not_of(" \t\r\n"), t.size()));
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n'))
    t.pop_back();
  return t;
}

}  // namespace

std::vector<ReceiverFile> ParseFileList(const std::string& reply) {
  std::vector<ReceiverFile> files;
  const std::size_t open = reply.find("{{");
  if (open == std::string::npos) return files;
  const char* p = reply.c_str() + open + 2;
  for (;;) {
    char name[256] = {}, size[64] = {};
    long long time = 0;
    int used = 0;
    if (std::sscanf(p, "%255[^,],%63[^,],%lld}%n", name, size, &time, &used) != 3 || used == 0) break;
    files.push_back({trim(name), trim(size), time});
    p += used;
    if (p[0] != ',' || p[1] != '{') break;
    p += 2;  // the two characters between entries
  }
  return files;
}

std::string FileDate(std::int64_t time) {
  const std::tm tm = brokenDown(time);
  char text[32];
  std::snprintf(text, sizeof text, "%02d.%02d.%d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
  return text;
}

std::string FileTime(std::int64_t time) {
  const std::tm tm = brokenDown(time);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

}  // namespace Files
