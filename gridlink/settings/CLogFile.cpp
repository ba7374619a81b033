#include "gridlink/CLogFile.h"

#include <ctime>
#include <stdexcept>

std::string CLogFile::TimeStamp() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d ", tm.tm_mday, tm.tm_mon + 1, tm.tm_year % 100,
                tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

std::string CLogFile::Readable(const void* data, std::size_t count) {
  const auto* p = static_cast<const unsigned char*>(data);
  if (count > kMaxDump) count = kMaxDump;
  std::string out;
  out.reserve(count + 16);
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char b = p[i];
    if ((b >= 32 && b != 127) || b == '\t') {
      out.push_back(static_cast<char>(b));
    } else if (b == 13) {
      out += "<cr>";
    } else if (b == 10) {
      out += "<lf>";
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "<%02X>", b);
      out += hex;
    }
  }
  return out;
}

CRealLogFile::~CRealLogFile() {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  if (!m_File) return;
  put("**** Stop Log " + TimeStamp() + "****\r\n");
  std::fclose(m_File);
  m_File = nullptr;
}

void CRealLogFile::Open(const char* fileName) {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  if (m_File || !fileName) return;
  m_File = std::fopen(fileName, "ab");
  if (!m_File) return;
  // Unbuffered: every line reaches the file at once, as with write-through.
  std::setvbuf(m_File, nullptr, _IONBF, 0);
  put("**** Start Log " + TimeStamp() + "****\r\n\r\n");
}

void CRealLogFile::put(const std::string& text) {
  if (m_File) std::fwrite(text.data(), 1, text.size(), m_File);
}

void CRealLogFile::WriteLine(const char* text) {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  if (!m_File) return;
  put(std::string(text ? text : "") + "\r\n");
}

void CRealLogFile::WriteData(const char* prefix, const void* data, std::size_t count) {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  if (!m_File) return;
  put(std::string(prefix ? prefix : "") + Readable(data, count) + "\r\n");
}

void CRealLogFile::WriteTimedData(const char* prefix, const void* data, std::size_t count) {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  if (!m_File) return;
  put(TimeStamp() + (prefix ? prefix : "") + Readable(data, count) + "\r\n");
}

void CRealLogFile::WriteTimed(const char* text) {
  std::lock_guard<std::recursive_mutex> lock(m_Lock);
  if (!m_File) return;
  put(TimeStamp() + (text ? text : "") + "\r\n");
}

void CRealLogFile::WriteTimed(const std::string& text) { WriteTimed(text.c_str()); }

namespace {

struct ClientLogHolder {
  CNULL_LogFile log;
};

// A plain flag outlives every function-local static, so it can tell a late
// caller that the log has gone.
bool g_clientLogDestroyed = false;

struct DestroyedMarker {
  ~DestroyedMarker() { g_clientLogDestroyed = true; }
};

}  // namespace

CLogFile& ClientLog() {
  if (g_clientLogDestroyed) throw std::logic_error("Dead Reference Detected");
  static ClientLogHolder holder;
  static DestroyedMarker marker;  // constructed after holder, so destroyed before it
  return holder.log;
}
