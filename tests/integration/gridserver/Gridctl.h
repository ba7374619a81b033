#pragma once
// gridctl run as a user runs it: its exit status, standard output and standard error.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "TempDir.h"
#include "TestPaths.h"

namespace servertest {

struct CtlOutcome {
  int status = -1;
  std::string out, err;
};

inline CtlOutcome runGridctl(const std::string& args, const std::string& input = "") {
  TempDir tmp;
  const std::string err = tmp.str() + "/err", in = tmp.str() + "/in";
  std::ofstream(in) << input;
  CtlOutcome r;
  const std::string cmd = TestPaths::binDir() + "/gridctl " + args + " <" + in + " 2>" + err;
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return r;
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) r.out.append(buf, n);
  const int st = pclose(f);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  std::ifstream e(err);
  r.err.assign(std::istreambuf_iterator<char>(e), std::istreambuf_iterator<char>());
  return r;
}

inline std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace servertest
