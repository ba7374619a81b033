#pragma once
// An IPv4 socket address value. Port and address are kept in network byte
// order (as the socket calls want them) and handed out in host order.
// A plain value: copy it freely, use it from any thread.
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>

#include "gridlink/Export.h"

class GRIDLINK_API CSockAddr {
 public:
  // IPv4, port 0, address 0.
  CSockAddr();
  // Dotted-decimal text and a host-order port. Text that is not a dotted IPv4
  // address gives the address 255.255.255.255 (INADDR_NONE), as the classic
  // inet_addr() did, so a later Connect fails instead of reaching a random host.
  CSockAddr(const char* dotted, std::uint16_t port);
  // Address and port in host order.
  CSockAddr(std::uint32_t address, std::uint16_t port);
  explicit CSockAddr(const sockaddr_in& sa);
  explicit CSockAddr(const sockaddr& sa);

  CSockAddr(const CSockAddr&) = default;
  CSockAddr& operator=(const CSockAddr&) = default;
  CSockAddr& operator=(const sockaddr& sa);
  CSockAddr& operator=(const sockaddr_in& sa);

  std::string DottedDecimal() const;
  std::uint16_t Port() const { return ntohs(m_Addr.sin_port); }
  std::uint32_t IPAddr() const { return ntohl(m_Addr.sin_addr.s_addr); }

  operator sockaddr() const;
  operator sockaddr*() { return reinterpret_cast<sockaddr*>(&m_Addr); }
  operator const sockaddr*() const { return reinterpret_cast<const sockaddr*>(&m_Addr); }
  const sockaddr_in& In() const { return m_Addr; }
  static constexpr socklen_t Size() { return sizeof(sockaddr_in); }

  bool operator==(const CSockAddr& o) const { return IPAddr() == o.IPAddr() && Port() == o.Port(); }

 private:
  sockaddr_in m_Addr;
};
