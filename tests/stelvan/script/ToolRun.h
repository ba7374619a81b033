#pragma once
// Runs a program of the build's bin folder and keeps its exit status, standard output and
// standard error.
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "TempDir.h"
#include "TestPaths.h"

struct ToolRun {
  int status = -1;
  std::string out, err;
};

inline ToolRun runTool(const std::string& tool, const std::string& args) {
  TempDir tmp;
  const std::string errFile = (tmp.path() / "stderr").string();
  const std::string cmd = "timeout 60 " + TestPaths::binDir() + "/" + tool + " " + args + " 2>" + errFile;
  ToolRun r;
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return r;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) r.out.append(buf, n);
  const int raw = pclose(f);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream e(errFile);
  r.err.assign(std::istreambuf_iterator<char>(e), std::istreambuf_iterator<char>());
  return r;
}
