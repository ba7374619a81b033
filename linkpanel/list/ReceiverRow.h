#pragma once
// Receiver strings as the local server opens them, taken apart for in-place editing and put
// back together. Plain code, any thread.
//   serial: "COM" + port + ":" + rate + ":" + flow, the port a device path ("/dev/ttyUSB0")
//           or a number n (meaning /dev/ttyS<n-1>), flow 1 for RTS/CTS, 0 for none;
//   network: "TCP:" + host + ":" + port + ":" + password (the Wi-Fi port: "WIFI:", no login);
//   modem: "GSM" + port + ":" + telephone number + ":" + PIN [+ ":" + line speed].
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
  bool wifi = false;  // "WIFI:" rather than "TCP:"
};

struct GsmRow {
  std::string port;    // the modem's serial port, as for serial rows
  std::string number;  // the number to dial
  std::string pin;     // "0" for none
  int rate = 0;        // 0: not given (the link's default)
};

// The line speeds offered for a serial row, fastest first.
const std::vector<int>& ComRates();

std::optional<ComRow> ParseComRow(const std::string& text);
std::string FormatComRow(const ComRow& row);
std::optional<TcpRow> ParseTcpRow(const std::string& text);
std::string FormatTcpRow(const TcpRow& row);
std::optional<GsmRow> ParseGsmRow(const std::string& text);
std::string FormatGsmRow(const GsmRow& row);
// The receiver string as a list shows it: a TCP password or a SIM PIN is drawn as "****", so
// the list can be on screen while others look on. Other strings come back unchanged.
std::string ShownRow(const std::string& text);

// Four decimal numbers from 0 to 255 separated by dots, nothing else.
bool IsValidIPv4(const std::string& text);
// An IPv4 address, or a host name of letters, digits and hyphens in dot-separated labels
// (names made of numbers alone must be addresses).
bool IsValidHost(const std::string& text);
// Empty (the link's default) or a port number 1..65535.
bool IsValidPort(const std::string& text);

// The items of a "GetRcvList" reply ("RE:" followed by receiver strings each ended by ","),
// in reply order. A last item without its "," is not part of the list.
std::vector<std::string> ParseRcvListReply(const std::string& reply);

}  // namespace Kestrel
