#include "gridlink/TrafficLog.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace Gridlink {
namespace {

struct LogFile {
  std::mutex lock;
  std::FILE* file = nullptr;
  std::string path;
  std::uint64_t size = 0, limit = TrafficLog::kDefaultLimit;
};

std::atomic<bool> g_Active{false};

LogFile& logFile() {
  static LogFile f;  // never destroyed before a late logger: it only holds a FILE*
  return f;
}

std::string timeStamp() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t t = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
  return text;
}

bool openAt(LogFile& f, const std::string& path, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (!file) {
    error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  std::setvbuf(file, nullptr, _IOLBF, 0);  // each line reaches the file at once
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  f.file = file;
  f.path = path;
  f.size = size > 0 ? static_cast<std::uint64_t>(size) : 0;
  return true;
}

// Caller holds f.lock.
void rotate(LogFile& f) {
  std::fclose(f.file);
  f.file = nullptr;
  std::rename(f.path.c_str(), (f.path + ".1").c_str());
  std::string error;
  if (!openAt(f, f.path, error)) g_Active = false;
}

void writeLine(const char* direction, std::string_view who, std::string_view bytes) {
  if (!g_Active.load(std::memory_order_relaxed)) return;
  std::string line = timeStamp() + " " + direction + " ";
  line.append(who);
  line += ": ";
  line += TrafficLog::Body(bytes);
  line += '\n';
  LogFile& f = logFile();
  std::lock_guard lock(f.lock);
  if (!f.file) return;
  if (f.size > 0 && f.size + line.size() > f.limit) rotate(f);
  if (!f.file) return;
  std::fwrite(line.data(), 1, line.size(), f.file);
  f.size += line.size();
}

bool printable(std::string_view bytes) {
  for (unsigned char c : bytes)
    if ((c < 32 && c != '\r' && c != '\n' && c != '\t') || c >= 127) return false;
  return true;
}

}  // namespace

bool TrafficLog::Start(const std::string& path, std::uint64_t limitBytes, std::string& error) {
  LogFile& f = logFile();
  std::lock_guard lock(f.lock);
  if (f.file) std::fclose(f.file);
  f.file = nullptr;
  f.limit = limitBytes > 0 ? limitBytes : kDefaultLimit;
  const bool ok = openAt(f, path, error);
  g_Active = ok;
  return ok;
}

void TrafficLog::Stop() {
  LogFile& f = logFile();
  std::lock_guard lock(f.lock);
  g_Active = false;
  if (f.file) std::fclose(f.file);
  f.file = nullptr;
}

bool TrafficLog::Active() {
  return g_Active.load();
}

std::string TrafficLog::Path() {
  LogFile& f = logFile();
  std::lock_guard lock(f.lock);
  return f.file ? f.path : std::string();
}

void TrafficLog::Sent(std::string_view who, std::string_view bytes) {
  writeLine("sent", who, bytes);
}

void TrafficLog::Received(std::string_view who, std::string_view bytes) {
  writeLine("recv", who, bytes);
}

std::string TrafficLog::Body(std::string_view bytes) {
  const std::size_t whole = bytes.size();
  if (bytes.size() > kMaxBody) bytes = bytes.substr(0, kMaxBody);
  std::string out;
  if (printable(bytes)) {
    out.reserve(bytes.size() + 8);
    for (char c : bytes) {
      if (c == '\r')
        out += "<cr>";
      else if (c == '\n')
        out += "<lf>";
      else
        out.push_back(c);
    }
  } else {
    static const char* hex = "0123456789abcdef";
    out.reserve(4 + bytes.size() * 3);
    out += "hex";
    for (unsigned char c : bytes) {
      out.push_back(' ');
      out.push_back(hex[c >> 4]);
      out.push_back(hex[c & 15]);
    }
  }
  if (whole > bytes.size()) out += " ... (" + std::to_string(whole) + " bytes)";
  return out;
}

}  // namespace Gridlink
