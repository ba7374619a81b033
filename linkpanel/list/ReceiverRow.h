#pragma once
// Receiver strings as the local server opens them, taken apart for in-place editing and put
// back together. Plain code, any thread.
//   serial: "COM" + port + ":" + rate + ":" + flow, the port a device path ("/dev/ttyUSB0")
//           or a number n (meaning /dev/ttyS<n-1>), flow 1 for RTS/CTS, 0 for none;
//   network: "TCP:" + host + ":" + port + ":" + password.
#include <optional>
#include <string>
#include <vector>

namespace Kestrel {

struct ComRow {
  std::string port;  // "/dev/ttyUSB0" or "3"
  int rate = 0;
  bool rtsCts = false;
};

struct TcpRow {
  std::string host;
  std::string port;
  std::string password;
};

// The line speeds offered for a serial row, fastest first.
const std::vector<int>& ComRates();

std::optional<ComRow> ParseComRow(const std::string& text);
std::string FormatComRow(const ComRow& row);
std::optional<TcpRow> ParseTcpRow(const std::string& text);
std::string FormatTcpRow(const TcpRow& row);

// Four decimal numbers from 0 to 255 separated by dots, nothing else.
bool IsValidIPv4(const std::string& text);

// The items of a "GetRcvList" reply ("RE:" followed by receiver strings each ended by ","),
// in reply order. A last item without its "," is not part of the list.
std::vector<std::string> ParseRcvListReply(const std::string& reply);

}  // namespace Kestrel
