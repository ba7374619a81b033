#pragma once
// `openssl s_server` as a TLS peer on 127.0.0.1 (a port of the system's choosing): what the
// client sends shows in its standard output, and what the test writes to its standard input
// goes to the client. Plus a self-signed certificate for 127.0.0.1 made by `openssl req`.
// available() false when openssl is not installed. The destructor stops the server.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"

class OpensslServer {
 public:
  static bool available() { return ::access("/usr/bin/openssl", X_OK) == 0; }

  // A key and a self-signed certificate naming 127.0.0.1, as dir/NAME.key and dir/NAME.pem.
  static bool MakeCertificate(const std::string& dir, const std::string& name) {
    ChildProcess req(
        {"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-keyout", dir + "/" + name + ".key", "-out", dir + "/" + name + ".pem", "-days", "2",
         "-subj", "/CN=" + name, "-addext", "subjectAltName=IP:127.0.0.1"},
        dir + "/" + name + ".out", dir + "/" + name + ".err");
    return req.wait(20000) == 0;
  }
  // The certificate's SHA-256 fingerprint, "AB:CD:...".
  static std::string Fingerprint(const std::string& dir, const std::string& name) {
    ChildProcess x(
        {"/usr/bin/openssl", "x509", "-noout", "-fingerprint", "-sha256", "-in", dir + "/" + name + ".pem"},
        dir + "/fp.out", dir + "/fp.err");
    if (x.wait(10000) != 0) return {};
    const std::string out = readWhole(dir + "/fp.out");
    const std::size_t eq = out.find('=');
    return eq == std::string::npos ? std::string() : out.substr(eq + 1, out.find('\n') - eq - 1);
  }

  OpensslServer(const std::string& dir, const std::string& name) : out_(dir + "/s_server." + name + ".out") {
    int in[2];
    if (::pipe2(in, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t a;
    posix_spawn_file_actions_init(&a);
    posix_spawn_file_actions_adddup2(&a, in[0], 0);
    posix_spawn_file_actions_addopen(&a, 1, out_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&a, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> args = {"/usr/bin/openssl",
                                     "s_server",
                                     "-accept",
                                     "127.0.0.1:0",
                                     "-cert",
                                     dir + "/" + name + ".pem",
                                     "-key",
                                     dir + "/" + name + ".key",
                                     "-naccept",
                                     "1",
                                     "-ign_eof"};
    std::vector<char*> argv;
    for (auto& s : args) argv.push_back(s.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], &a, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&a);
    ::close(in[0]);
    input_ = in[1];
    // "ACCEPT 127.0.0.1:PORT" once it listens.
    for (int i = 0; i < 200 && pid_ > 0 && port_ == 0; ++i) {
      const std::string text = readWhole(out_);
      const std::size_t at = text.find("ACCEPT 127.0.0.1:");
      if (at != std::string::npos && text.find('\n', at) != std::string::npos)
        port_ = std::atoi(text.c_str() + at + 17);
      if (port_ == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~OpensslServer() {
    if (input_ >= 0) ::close(input_);
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  int port() const { return port_; }
  // Everything the server printed, the client's bytes among it.
  std::string received() const { return readWhole(out_); }
  bool send(const std::string& bytes) {
    return input_ >= 0 && ::write(input_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  }

 private:
  std::string out_;
  pid_t pid_ = -1;
  int input_ = -1, port_ = 0;
};
