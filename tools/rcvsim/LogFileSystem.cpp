#include "LogFileSystem.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace rcvsim {

namespace fs = std::filesystem;

namespace {
constexpr std::int64_t kEpoch1988 = 567993600;  // 1988-01-01 in seconds since 1970
}

LogFileSystem::~LogFileSystem() {
  if (owned_) {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
}

bool LogFileSystem::open(const std::string& dir, std::int64_t capacity, std::string& error) {
  capacity_ = capacity;
  if (!dir.empty()) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
      error = "not a folder: " + dir;
      return false;
    }
    dir_ = dir;
    return true;
  }
  std::string tmpl = (fs::temp_directory_path() / "rcvsim-log-XXXXXX").string();
  if (!mkdtemp(tmpl.data())) {
    error = "cannot make a temporary folder";
    return false;
  }
  dir_ = tmpl;
  owned_ = true;
  return true;
}

bool LogFileSystem::validName(const std::string& name) {
  if (name.empty() || name.size() > 63 || name[0] == '.') return false;
  for (char c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x21 || c == '"' || c == ',' || c == '{' ||
        c == '}')
      return false;
  return true;
}

std::vector<LogFileInfo> LogFileSystem::list() const {
  std::vector<LogFileInfo> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir_, ec)) {
    const std::string name = e.path().filename().string();
    if (!e.is_regular_file(ec) || !validName(name)) continue;
    struct stat st {};
    if (::stat(e.path().c_str(), &st) != 0) continue;
    out.push_back(
        {name, static_cast<std::uint64_t>(st.st_size), std::max<std::int64_t>(0, st.st_mtime - kEpoch1988)});
  }
  std::sort(out.begin(), out.end(),
            [](const LogFileInfo& a, const LogFileInfo& b) { return a.name < b.name; });
  return out;
}

std::int64_t LogFileSystem::size(const std::string& name) const {
  if (!validName(name)) return -1;
  struct stat st {};
  if (::stat(path(name).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

bool LogFileSystem::read(const std::string& name, std::string& data) const {
  if (!validName(name)) return false;
  std::ifstream in(path(name), std::ios::binary);
  if (!in) return false;
  data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool LogFileSystem::write(const std::string& name, const std::string& data) {
  if (!validName(name)) return false;
  const std::string tmp = dir_ + "/.part-" + name;
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out) return false;
  }
  std::error_code ec;
  fs::rename(tmp, path(name), ec);
  return !ec;
}

bool LogFileSystem::append(const std::string& name, const std::string& data) {
  if (!validName(name)) return false;
  std::ofstream out(path(name), std::ios::binary | std::ios::app);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

bool LogFileSystem::remove(const std::string& name) {
  if (!exists(name)) return false;
  std::error_code ec;
  return fs::remove(path(name), ec);
}

void LogFileSystem::removeAll() {
  for (const auto& f : list()) remove(f.name);
}

std::int64_t LogFileSystem::used() const {
  std::int64_t n = 0;
  for (const auto& f : list()) n += static_cast<std::int64_t>(f.size);
  return n;
}

std::int64_t LogFileSystem::freeSpace() const {
  return std::max<std::int64_t>(0, capacity_ - used());
}

}  // namespace rcvsim
