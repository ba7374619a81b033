#pragma once
// What the receiver simulator sent and received, read back from its --trace file (escaped).
#include <fstream>
#include <string>

// The bytes of one direction: '<' sent by the simulator, '>' received by it.
inline std::string RcvsimTraceBytes(const std::string& trace, char direction) {
  const std::string marker = std::string(" ") + direction + " ";
  std::ifstream in(trace);
  std::string out;
  for (std::string line; std::getline(in, line);) {
    const std::size_t mark = line.find(marker);
    if (mark == std::string::npos || line.find(' ') != mark) continue;
    for (std::size_t i = mark + 3; i < line.size(); ++i) {
      if (line[i] != '\\') {
        out += line[i];
        continue;
      }
      const char e = line[++i];
      if (e == 'n')
        out += '\n';
      else if (e == 'r')
        out += '\r';
      else if (e == 'x')
        out += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16)), i += 2;
      else
        out += e;
    }
  }
  return out;
}

inline std::string RcvsimSentBytes(const std::string& trace) { return RcvsimTraceBytes(trace, '<'); }
