#pragma once
// A temporary folder removed at scope end; tests keep their files and settings in one.
#include <cstdlib>
#include <filesystem>
#include <string>

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "stelvan-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) std::abort();
    path_ = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// Points XDG_CONFIG_HOME at a fresh folder for the scope, restoring it afterwards.
class ScopedConfigHome {
 public:
  ScopedConfigHome() {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) old_ = old, hadOld_ = true;
    setenv("XDG_CONFIG_HOME", dir_.str().c_str(), 1);
  }
  ~ScopedConfigHome() {
    if (hadOld_) setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
  }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  std::string old_;
  bool hadOld_ = false;
};
