#include "PortEnds.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace rcvsim {

bool OpenRawPty(int& master, int& slave, std::string& path, unsigned speedCode, std::string& error) {
  master = posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    error = std::string("pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  char name[128];
  if (ptsname_r(master, name, sizeof name) != 0) {
    error = "ptsname failed";
    return false;
  }
  path = name;
  slave = ::open(name, O_RDWR | O_NOCTTY);
  if (slave < 0) {
    error = std::string("open ") + name + ": " + std::strerror(errno);
    return false;
  }
  termios t{};
  tcgetattr(slave, &t);
  cfmakeraw(&t);
  if (speedCode) cfsetspeed(&t, speedCode);
  tcsetattr(slave, TCSANOW, &t);
  return true;
}

bool ListenTcp(const std::string& hostPort, int backlog, int& listenFd, int& port, std::string& error) {
  const std::size_t colon = hostPort.rfind(':');
  const std::string host = colon == std::string::npos ? "127.0.0.1" : hostPort.substr(0, colon);
  const int wanted = std::atoi(hostPort.c_str() + (colon == std::string::npos ? 0 : colon + 1));
  listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int one = 1;
  setsockopt(listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(wanted));
  if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
    error = "bad address " + host;
    return false;
  }
  if (::bind(listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listenFd, backlog) != 0) {
    error = "listen on " + hostPort + ": " + std::strerror(errno);
    return false;
  }
  socklen_t len = sizeof addr;
  getsockname(listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
  port = ntohs(addr.sin_port);
  return true;
}

}  // namespace rcvsim
