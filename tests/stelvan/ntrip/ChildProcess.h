#pragma once
// A helper program run by a test: standard output and error into files, stopped
// (SIGTERM, then SIGKILL) by the destructor.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

struct ChildProcess {
  ChildProcess(std::vector<std::string> argv, const std::string& out, const std::string& err) {
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_addopen(&a, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&a, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&a, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<char*> args;
    for (auto& s : argv) args.push_back(s.data());
    args.push_back(nullptr);
    if (posix_spawn(&pid, args[0], &a, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&a);
  }
  // Exit code, or -1 when it has not ended within ms.
  int wait(int ms) {
    for (int waited = 0; pid > 0 && waited <= ms; waited += 20) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return pid > 0 ? -1 : code;
  }
  int stop() {
    if (pid > 0) kill(pid, SIGTERM);
    const int c = wait(5000);
    if (pid > 0) kill(pid, SIGKILL), waitpid(pid, nullptr, 0), pid = -1;
    return c;
  }
  ~ChildProcess() { stop(); }
  pid_t pid = -1;
  int code = -1;
};

inline std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
