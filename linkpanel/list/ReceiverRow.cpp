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
  if (text.rfind("TCP:", 0) != 0) return std::nullopt;
  const std::size_t hostEnd = text.find(':', 4);
  if (hostEnd == std::string::npos || hostEnd == 4) return std::nullopt;
  const std::size_t portEnd = text.find(':', hostEnd + 1);
  if (portEnd == std::string::npos || portEnd == hostEnd + 1) return std::nullopt;
  return TcpRow{text.substr(4, hostEnd - 4), text.substr(hostEnd + 1, portEnd - hostEnd - 1),
                text.substr(portEnd + 1)};
}

std::string FormatTcpRow(const TcpRow& row) {
  return "TCP:" + row.host + ":" + row.port + ":" + row.password;
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
