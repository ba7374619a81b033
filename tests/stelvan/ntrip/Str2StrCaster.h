#pragma once
// rtklib's str2str as an NTRIP caster on 127.0.0.1: its input is a TCP server
// the test feeds, its output the caster ("ntripc://USER:PASS@:PORT/MOUNT").
// Skips (available() false) when str2str is not installed. The process is
// stopped by the destructor.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

class Str2StrCaster {
 public:
  static bool available() { return ::access("/usr/bin/str2str", X_OK) == 0; }

  Str2StrCaster(const std::string& user, const std::string& password, const std::string& mount) {
    // A port picked by the system and released is free again a moment later,
    // unless someone else takes it first: then try with new ports.
    for (int attempt = 0; attempt < 5 && !ready_; ++attempt) {
      inPort_ = freePort();
      casterPort_ = freePort();
      const std::string in = "tcpsvr://:" + std::to_string(inPort_);
      const std::string out =
          "ntripc://" + user + ":" + password + "@:" + std::to_string(casterPort_) + "/" + mount;
      std::vector<std::string> args = {"str2str", "-in", in, "-out", out};
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      posix_spawn_file_actions_t fa;
      posix_spawn_file_actions_init(&fa);
      posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
      posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
      posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
      if (posix_spawn(&pid_, "/usr/bin/str2str", &fa, nullptr, argv.data(), environ) != 0) pid_ = -1;
      posix_spawn_file_actions_destroy(&fa);
      if (pid_ < 0) return;
      ready_ = waitListening(casterPort_) && waitListening(inPort_);
      if (!ready_) stopProcess();
    }
  }
  ~Str2StrCaster() {
    if (feed_ >= 0) ::close(feed_);
    stopProcess();
  }
  bool ready() const { return ready_; }
  int port() const { return casterPort_; }

  // Sends bytes into the caster's input (they go out to every client connected now).
  bool feed(const std::string& bytes) {
    if (feed_ < 0) feed_ = connectTo(inPort_);
    if (feed_ < 0) return false;
    return ::send(feed_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
  }

 private:
  static int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
  }
  static int connectTo(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
    ::close(fd);
    return -1;
  }
  bool waitListening(int port) {
    for (int i = 0; i < 100; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      // A probe on the input port would take the input's one connection: use a
      // throwaway only on the caster's port, and for the input look at /proc.
      if (port == casterPort_) {
        const int fd = connectTo(port);
        if (fd >= 0) {
          ::close(fd);
          return true;
        }
      } else if (listening(port)) {
        return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  static bool listening(int port) {
    FILE* f = std::fopen("/proc/net/tcp", "r");
    if (!f) return true;
    char line[512];
    char want[16];
    std::snprintf(want, sizeof want, ":%04X ", port);
    bool found = false;
    while (std::fgets(line, sizeof line, f))
      if (std::string(line).find(want) != std::string::npos &&
          std::string(line).find(" 0A ") != std::string::npos)
        found = true;
    std::fclose(f);
    return found;
  }
  void stopProcess() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 60; ++i) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  pid_t pid_ = -1;
  int inPort_ = 0, casterPort_ = 0, feed_ = -1;
  bool ready_ = false;
};
