#pragma once
// The two ends a simulated port is served on: a raw pseudo-terminal (its slave held
// open, so the master stays readable while no client has the port) and a TCP listener.
#include <string>

namespace rcvsim {

// Opens master and slave; `speedCode` (a termios speed, 0 to leave it) is what a client
// finds at first. False with the reason; what was opened is left for the caller to close.
bool OpenRawPty(int& master, int& slave, std::string& path, unsigned speedCode, std::string& error);
// Listens on "HOST:PORT" or "PORT" (127.0.0.1); port 0 picks a free one, given back in `port`.
bool ListenTcp(const std::string& hostPort, int backlog, int& listenFd, int& port, std::string& error);

}  // namespace rcvsim
