#pragma once
// Locations a test needs: the build's bin folder (helper programs, rcvsim) and
// the shared folder with recorded captures. Environment variables override.
#include <cstdlib>
#include <filesystem>
#include <string>

namespace TestPaths {

inline std::string fromEnv(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

inline std::string binDir() { return fromEnv("STELVAN_BIN_DIR", STELVAN_TEST_BIN_DIR); }
inline std::string sharedDir() { return fromEnv("STELVAN_SHARED_DIR", STELVAN_TEST_SHARED_DIR); }
// Empty when the recorded streams are not present on this machine.
inline std::string capturesDir() {
  const std::string dir = sharedDir() + "/data/captures";
  return std::filesystem::is_directory(dir) ? dir : std::string();
}

}  // namespace TestPaths
