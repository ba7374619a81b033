#include "list/ReceiverRow.h"

#include <algorithm>
#include <cctype>

namespace Kestrel {
namespace {

bool allDigits(const std::string& s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c); });
}

// A decimal number of at most nine digits (so it fits an int), else nullopt.
std::optional<int> number(const std::string& s) {
  if (!allDigits(s) || s.size() > 9) return std::nullopt;
  return std::stoi(s);
}

}  // namespace

const std::vector<int>& ComRates() {
  static const std::vector<int> rates = {1500000, 460800, 230400, 115200, 57600, 38400,
                                         19200,   9600,   4800,   2400,   1200};
  return rates;
}

std::optional<ComRow> ParseComRow(const std::string& text) {
  if (text.rfind("COM", 0) != 0) return std::nullopt;
  const std::size_t flowColon = text.rfind(':');
  if (flowColon == std::string::npos || flowColon < 3) return std::nullopt;
  const std::size_t rateColon = text.rfind(':', flowColon - 1);
  if (rateColon == std::string::npos || rateColon < 3) return std::nullopt;
  ComRow row;
  row.port = text.substr(3, rateColon - 3);
  const auto rate = number(text.substr(rateColon + 1, flowColon - rateColon - 1));
  const auto flow = number(text.substr(flowColon + 1));
  if (!rate || !flow) return std::nullopt;
  if (!allDigits(row.port) && row.port.rfind('/', 0) != 0) return std::nullopt;
  row.rate = *rate;
  row.rtsCts = *flow != 0;
  return row;
}

std::string FormatComRow(const ComRow& row) {
  return "COM" + row.port + ":" + std::to_string(row.rate) + ":" + (row.rtsCts ? "1" : "0");
}

std::optional<TcpRow> ParseTcpRow(const std::string& text) {
  const bool wifi = text.rfind("WIFI:", 0) == 0;
  if (!wifi && text.rfind("TCP:", 0) != 0) return std::nullopt;
  const std::size_t hostStart = wifi ? 5 : 4;
  const std::size_t hostEnd = text.find(':', hostStart);
  if (hostEnd == std::string::npos || hostEnd == hostStart) return std::nullopt;
  const std::size_t portEnd = text.find(':', hostEnd + 1);
  if (portEnd == std::string::npos || portEnd == hostEnd + 1) return std::nullopt;
  return TcpRow{text.substr(hostStart, hostEnd - hostStart), text.substr(hostEnd + 1, portEnd - hostEnd - 1),
                text.substr(portEnd + 1), wifi};
}

std::string FormatTcpRow(const TcpRow& row) {
  return (row.wifi ? "WIFI:" : "TCP:") + row.host + ":" + row.port + ":" + row.password;
}

std::optional<GsmRow> ParseGsmRow(const std::string& text) {
  if (text.rfind("GSM", 0) != 0) return std::nullopt;
  std::vector<std::string> fields;
  std::size_t start = 3;
  for (std::size_t colon; (colon = text.find(':', start)) != std::string::npos; start = colon + 1)
    fields.push_back(text.substr(start, colon - start));
  fields.push_back(text.substr(start));
  if (fields.size() < 3 || fields.size() > 4 || fields[0].empty() || fields[1].empty()) return std::nullopt;
  GsmRow row{fields[0], fields[1], fields[2].empty() ? "0" : fields[2], 0};
  if (fields.size() == 4) {
    const auto rate = number(fields[3]);
    if (!rate) return std::nullopt;
    row.rate = *rate;
  }
  return row;
}

std::string ShownRow(const std::string& text) {
  constexpr const char* kMask = "****";
  if (std::optional<TcpRow> tcp = ParseTcpRow(text); tcp && !tcp->password.empty()) {
    tcp->password = kMask;
    return FormatTcpRow(*tcp);
  }
  if (std::optional<GsmRow> gsm = ParseGsmRow(text); gsm && gsm->pin != "0") {
    gsm->pin = kMask;
    return FormatGsmRow(*gsm);
  }
  return text;
}

std::string FormatGsmRow(const GsmRow& row) {
  std::string text = "GSM" + row.port + ":" + row.number + ":" + (row.pin.empty() ? "0" : row.pin);
  if (row.rate > 0) text += ":" + std::to_string(row.rate);
  return text;
}

bool IsValidHost(const std::string& text) {
  if (IsValidIPv4(text)) return true;
  if (text.empty() || text.size() > 253) return false;
  bool allNumeric = true;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = text.find('.', start);
    const std::string label = text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    for (unsigned char c : label)
      if (!std::isalnum(c) && c != '-') return false;
    if (!allDigits(label)) allNumeric = false;
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return !allNumeric;  // "10.0.256.1" is a wrong address, not a name
}

bool IsValidPort(const std::string& text) {
  if (text.empty()) return true;
  const auto port = number(text);
  return port && *port >= 1 && *port <= 65535;
}

bool IsValidIPv4(const std::string& text) {
  std::size_t start = 0;
  for (int part = 0; part < 4; ++part) {
    const std::size_t dot = part < 3 ? text.find('.', start) : text.size();
    if (dot == std::string::npos) return false;
    const std::string field = text.substr(start, dot - start);
    if (field.size() > 3) return false;
    const auto value = number(field);
    if (!value || *value > 255) return false;
    start = dot + 1;
  }
  return true;
}

std::vector<std::string> ParseRcvListReply(const std::string& reply) {
  std::vector<std::string> items;
  if (reply.size() <= 3) return items;
  std::size_t pos = 3;
  for (std::size_t comma; (comma = reply.find(',', pos)) != std::string::npos; pos = comma + 1)
    if (comma > pos) items.push_back(reply.substr(pos, comma - pos));
  return items;
}

}  // namespace Kestrel
