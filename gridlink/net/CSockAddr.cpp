#include "gridlink/CSockAddr.h"

#include <arpa/inet.h>

#include <cstring>

CSockAddr::CSockAddr() : CSockAddr(std::uint32_t{0}, std::uint16_t{0}) {}

CSockAddr::CSockAddr(std::uint32_t address, std::uint16_t port) {
  std::memset(&m_Addr, 0, sizeof m_Addr);
  m_Addr.sin_family = AF_INET;
  m_Addr.sin_port = htons(port);
  m_Addr.sin_addr.s_addr = htonl(address);
}

CSockAddr::CSockAddr(const char* dotted, std::uint16_t port) : CSockAddr(std::uint32_t{0}, port) {
  if (!dotted || inet_pton(AF_INET, dotted, &m_Addr.sin_addr) != 1) m_Addr.sin_addr.s_addr = INADDR_NONE;
}

CSockAddr::CSockAddr(const sockaddr_in& sa) : m_Addr(sa) {}

CSockAddr::CSockAddr(const sockaddr& sa) {
  *this = sa;
}

CSockAddr& CSockAddr::operator=(const sockaddr_in& sa) {
  m_Addr = sa;
  return *this;
}

// sockaddr and sockaddr_in have the same size; copy bytes to stay clear of aliasing rules.
CSockAddr& CSockAddr::operator=(const sockaddr& sa) {
  static_assert(sizeof(sockaddr) == sizeof(sockaddr_in));
  std::memcpy(&m_Addr, &sa, sizeof m_Addr);
  return *this;
}

CSockAddr::operator sockaddr() const {
  sockaddr sa;
  std::memcpy(&sa, &m_Addr, sizeof sa);
  return sa;
}

std::string CSockAddr::DottedDecimal() const {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &m_Addr.sin_addr, text, sizeof text);
  return text;
}
