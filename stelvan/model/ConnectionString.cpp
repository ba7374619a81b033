#include "ConnectionString.h"

#include <vector>

#include "gridlink/ModemDialer.h"
#include "ports/UsbBackend.h"

namespace Tellus {

bool parseConnectionString(const std::string& text, ConnectionParams& out) {
  out = ConnectionParams{};
  out.text = text;
  if (text.empty()) return false;
  std::vector<std::string> tokens;
  std::size_t from = 0;
  for (;;) {
    const std::size_t colon = text.find(':', from);
    tokens.push_back(text.substr(from, colon - from));
    if (colon == std::string::npos) break;
    from = colon + 1;
  }
  if (tokens[0] == "TCP" || tokens[0] == "WIFI") {
    out.type = kPortTcp;
    out.login = tokens[0] == "TCP";
    for (std::size_t i = 1; i < tokens.size(); ++i) out.address += tokens[i] + ":";
    out.lastToken = tokens.size() > 1 ? tokens.back() : std::string();
    return tokens.size() > 1;
  }
  if (tokens[0] == "USB") {
    out.type = kPortUsb;
    out.portName = tokens.size() > 1 ? tokens[1] : std::string();
    return CMNC::isReceiverUsbName(out.portName) || CMNC::isUsbLocation(out.portName);
  }
  if (tokens[0].rfind("GSM", 0) == 0) {
    ModemTarget modem;
    std::string error;
    out.type = kPortModem;
    out.portName = tokens[0].substr(3);
    return modem.Parse(text, error);
  }
  out.type = kPortSerial;
  out.portName = tokens[0];
  if (tokens.size() > 1 && !tokens[1].empty()) {
    if (tokens[1].find_first_not_of("0123456789") != std::string::npos) return false;
    out.baud = static_cast<std::uint32_t>(std::stoul(tokens[1]));
    if (out.baud == 0) return false;
  }
  return !out.portName.empty();
}

}  // namespace Tellus
