#include "logger/LeftoverFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace Gnss {

namespace {
fs::path folder(const LogFileNamer& namer) {
  return namer.directory.empty() ? fs::path(".") : fs::path(namer.directory);
}

// The index after `lead` in `name`, or -1.
long indexAfter(const std::string& name, const std::string& lead) {
  if (name.size() <= lead.size() || name.compare(0, lead.size(), lead) != 0) return -1;
  std::size_t i = lead.size();
  long n = 0;
  for (; i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])) && n < 100000000; ++i)
    n = n * 10 + (name[i] - '0');
  return i == lead.size() ? -1 : n;
}

// Whether another process holds the file open for writing (its advisory lock).
bool heldByOther(const fs::path& p) {
  const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return held;
}

std::string withBeforeExtension(const std::string& path, const std::string& insert) {
  const fs::path p(path);
  return (p.parent_path() / (p.stem().string() + insert + p.extension().string())).string();
}
}  // namespace

int HighestIndexPresent(const LogFileNamer& namer) {
  std::error_code ec;
  long best = 0;
  for (const auto& e : fs::directory_iterator(folder(namer), ec)) {
    const std::string name = e.path().filename().string();
    long n = indexAfter(name, namer.prefix + "_");
    if (n < 0) n = indexAfter(name, "~" + namer.prefix + "_");
    if (n > best) best = n;
  }
  return static_cast<int>(best);
}

std::string FreeName(const std::string& path) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return path;
  for (int i = 2;; ++i) {
    const std::string p = withBeforeExtension(path, "_" + std::to_string(i));
    if (!fs::exists(p, ec)) return p;
  }
}

std::string NameApartFrom(const std::string& path, const std::string& taken) {
  if (path != taken) return path;
  std::error_code ec;
  for (int i = 2;; ++i) {
    const std::string p = withBeforeExtension(path, "_" + std::to_string(i));
    if (p != taken && !fs::exists(p, ec) && !fs::exists(LogFileNamer::tempName(p), ec)) return p;
  }
}

std::string IncompleteName(const std::string& path) {
  return withBeforeExtension(path, ".incomplete");
}

std::vector<Leftover> RecoverLeftovers(const LogFileNamer& namer, std::vector<std::string>& errors) {
  std::vector<Leftover> done;
  std::error_code ec;
  const std::string lead = "~" + namer.prefix + "_";
  std::vector<fs::path> found;
  for (const auto& e : fs::directory_iterator(folder(namer), ec)) {
    const std::string name = e.path().filename().string();
    if (name.size() > lead.size() + 4 && name.compare(0, lead.size(), lead) == 0 &&
        name.compare(name.size() - 4, 4, ".tmp") == 0 && e.is_regular_file(ec))
      found.push_back(e.path());
  }
  std::sort(found.begin(), found.end());
  for (const fs::path& tmp : found) {
    if (heldByOther(tmp)) continue;
    Leftover l;
    l.tmp = tmp.string();
    l.size = fs::file_size(tmp, ec);
    if (l.size == 0) {
      fs::remove(tmp, ec);
      continue;
    }
    const std::string base = tmp.filename().string().substr(1, tmp.filename().string().size() - 5);
    l.final = FreeName((tmp.parent_path() / (base + namer.suffix)).string());
    fs::rename(tmp, l.final, ec);
    if (ec) {
      errors.push_back("Can't rename " + l.tmp + " to " + l.final + ": " + ec.message());
      continue;
    }
    done.push_back(l);
  }
  return done;
}

}  // namespace Gnss
