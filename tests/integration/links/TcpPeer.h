#pragma once
// A bare TCP peer on 127.0.0.1 for the answers the simulator does not give: a receiver that
// hangs up, resets or keeps silent during the login, or one that stops reading.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class TcpPeer {
 public:
  // Runs `serve` on the first accepted connection (with the descriptor); no serve: never
  // accepts, so a client's connect succeeds and then hears nothing.
  using Serve = std::function<void(int fd, const std::atomic<bool>& stop)>;
  explicit TcpPeer(Serve serve = nullptr, int receiveBuffer = 0) {
    listen_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0) ::setsockopt(listen_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(listen_, 2) != 0) return;
    ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
    if (serve) thread_ = std::thread([this, serve] { run(serve); });
  }
  ~TcpPeer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(listen_);
  }
  int port() const { return port_; }

  // Reads until `text` has arrived or the stop flag is set; what was read.
  static std::string readUntil(int fd, const std::string& text, const std::atomic<bool>& stop) {
    std::string got;
    while (!stop && got.find(text) == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 50) != 1) continue;
      char buf[512];
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) break;
      got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
  }

 private:
  void run(const Serve& serve) {
    while (!stop_) {
      pollfd p{listen_, POLLIN, 0};
      if (::poll(&p, 1, 50) != 1) continue;
      const int fd = ::accept(listen_, nullptr, nullptr);
      if (fd < 0) continue;
      serve(fd, stop_);
      ::close(fd);
      return;
    }
  }

  int listen_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
