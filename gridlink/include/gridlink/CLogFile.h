#pragma once
// The client log: every diagnostic text of Gridlink goes through CLogFile.
// CRealLogFile writes a file (writes serialised by its own lock, so any thread
// may log); CNULL_LogFile drops everything. The process-wide log is the null log.
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <string>

#include "gridlink/Export.h"

class GRIDLINK_API CLogFile {
 public:
  virtual void Open(const char* fileName) = 0;
  // prefix, then at most kMaxDump bytes with control bytes made readable, then CR LF
  virtual void WriteData(const char* prefix, const void* data, std::size_t count) = 0;
  virtual void WriteLine(const char* text) = 0;
  virtual void WriteTimedData(const char* prefix, const void* data, std::size_t count) = 0;
  virtual void WriteTimed(const char* text) = 0;
  virtual void WriteTimed(const std::string& text) = 0;
  virtual ~CLogFile() = default;

  static constexpr std::size_t kMaxDump = 3968;

  // "dd/mm/yy hh:mm:ss " of local time.
  static std::string TimeStamp();
  // The readable form of a data block (the part after the prefix, without CR LF).
  static std::string Readable(const void* data, std::size_t count);
};

class GRIDLINK_API CRealLogFile : public CLogFile {
 public:
  CRealLogFile() = default;
  ~CRealLogFile() override;
  CRealLogFile(const CRealLogFile&) = delete;
  CRealLogFile& operator=(const CRealLogFile&) = delete;

  void Open(const char* fileName) override;
  void WriteData(const char* prefix, const void* data, std::size_t count) override;
  void WriteLine(const char* text) override;
  void WriteTimedData(const char* prefix, const void* data, std::size_t count) override;
  void WriteTimed(const char* text) override;
  void WriteTimed(const std::string& text) override;
  bool isOpen() const { return m_File != nullptr; }

 private:
  void put(const std::string& text);  // caller holds m_Lock
  std::recursive_mutex m_Lock;
  std::FILE* m_File = nullptr;
};

class GRIDLINK_API CNULL_LogFile : public CLogFile {
 public:
  void Open(const char*) override {}
  void WriteData(const char*, const void*, std::size_t) override {}
  void WriteLine(const char*) override {}
  void WriteTimedData(const char*, const void*, std::size_t) override {}
  void WriteTimed(const char*) override {}
  void WriteTimed(const std::string&) override {}
};

// The process-wide client log, created on first use and destroyed at exit.
// Asking for it after destruction throws std::logic_error("Dead Reference Detected").
GRIDLINK_API CLogFile& ClientLog();
