#pragma once
// The receiver's log memory: a folder of real files. Names are plain file names
// (no folders). The capacity is fixed; free space is capacity minus the files.
// Not thread-safe: the owning receiver serialises access.
#include <cstdint>
#include <string>
#include <vector>

namespace rcvsim {

struct LogFileInfo {
  std::string name;
  std::uint64_t size = 0;
  std::int64_t time = 0;  // seconds since 1988-01-01 00:00:00
};

class LogFileSystem {
 public:
  LogFileSystem() = default;
  ~LogFileSystem();
  LogFileSystem(const LogFileSystem&) = delete;
  LogFileSystem& operator=(const LogFileSystem&) = delete;

  // Serves `dir`; with an empty `dir` a temporary folder is made (and removed at
  // the end); the receiver then fills it with its built-in files.
  bool open(const std::string& dir, std::int64_t capacity, std::string& error);
  const std::string& dir() const { return dir_; }
  bool ownsDir() const { return owned_; }

  static bool validName(const std::string& name);
  std::vector<LogFileInfo> list() const;
  std::int64_t size(const std::string& name) const;  // -1 when absent
  bool exists(const std::string& name) const { return size(name) >= 0; }
  bool read(const std::string& name, std::string& data) const;
  bool write(const std::string& name, const std::string& data);  // replaces atomically
  bool append(const std::string& name, const std::string& data);
  bool remove(const std::string& name);
  void removeAll();
  std::int64_t capacity() const { return capacity_; }
  std::int64_t used() const;
  std::int64_t freeSpace() const;

 private:
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  std::string dir_;
  bool owned_ = false;
  std::int64_t capacity_ = 0;
};

}  // namespace rcvsim
