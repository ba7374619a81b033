#pragma once
// The receiver model's connection strings, tokens separated by ":":
//   "TCP:host:port"   port type 3; the address is every further token, each
//                     followed by ":", and the last token is kept by itself;
//   "WIFI:host:port"  the same without the login dialogue (a Wi-Fi port has none);
//   "USB:<device>"    port type 4; the device name must be a receiver's, or the
//                     USB port path it sits on ("USB:1-2.4");
//   "GSM<port>:<number>:<PIN>[:<line speed>]"  port type 5: a receiver behind a GSM
//                     modem on that serial port, dialled at each connection;
//   anything else     port type 1 (serial): port name, then the baud rate.
#include <cstdint>
#include <string>

namespace Tellus {

enum PortType { kPortNone = 0, kPortSerial = 1, kPortBluetooth = 2, kPortTcp = 3, kPortUsb = 4, kPortModem = 5 };

struct ConnectionParams {
  PortType type = kPortNone;
  std::string portName;  // serial port or USB device
  std::string address;   // TCP: "host:port:"
  std::string lastToken;
  std::uint32_t baud = 115200;
  std::string text;  // the whole connection string
  bool login = true;  // TCP: answer the receiver's login prompt
};

// False for an empty string, a bad baud rate, a USB name that fails the check or a modem
// string without number and PIN.
bool parseConnectionString(const std::string& text, ConnectionParams& out);

}  // namespace Tellus
