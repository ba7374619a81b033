#include "files/FileSystemReport.h"

#include <cstdio>

namespace Files {
namespace {

// Report lines: heading (no answer) or label + the answer of one query.
struct Line {
  const char* text;
  int answer;  // index into the answers, -1 for a heading
};

constexpr Line kLines[] = {
    {"------- File System Information -------", -1},
    {"Version:\t\t\t", 0},
    {"Block size(b):\t\t", 1},
    {"Blocks:\t\t\t", 2},
    {"Total memory(b):\t\t", 3},
    {"Free memory(b):\t\t", 4},
    {"Bad blocks:\t\t", 5},
    {"Write verify:\t\t", 6},
    {"----- Physical Memory Information -----", -1},
    {"Block size(b):\t\t", 7},
    {"Blocks for files:\t\t", 8},
    {"----- Read/Write Information ----------", -1},
};
constexpr int kReadWrite = 9;

}  // namespace

const std::vector<std::string>& FileSystemQueries() {
  static const std::vector<std::string> q = {"print,/par/dev/blk/a/ver",    "print,/par/dev/blk/a/block_size",
                                             "print,/par/dev/blk/a/blocks", "print,/par/dev/blk/a/size",
                                             "print,/par/dev/blk/a/free",   "print,/par/dev/blk/a/bad_blocks",
                                             "print,/par/dev/blk/a/verify", "print,/dev/blk/a&block_size",
                                             "print,/dev/blk/a&blocks",     "print,stat/rw"};
  return q;
}

std::string FileSystemReport(const std::vector<std::optional<std::string>>& answers) {
  auto answer = [&](int i) -> const std::optional<std::string>& {
    static const std::optional<std::string> none;
    return i >= 0 && static_cast<std::size_t>(i) < answers.size() ? answers[static_cast<std::size_t>(i)]
                                                                  : none;
  };
  std::string report;
  for (const Line& line : kLines) {
    if (line.answer < 0) {
      report += std::string(line.text) + "\r\n";
    } else if (answer(line.answer)) {
      report += line.text + *answer(line.answer) + "\r\n";
    }
  }
  int v[6] = {};
  if (answer(kReadWrite) && std::sscanf(answer(kReadWrite)->c_str(), "{{%d,%d,%d},{%d,%d,%d}}", &v[0], &v[1],
                                        &v[2], &v[3], &v[4], &v[5]) == 6) {
    char text[400];
    std::snprintf(text, sizeof text,
                  "Reading number:\t\t%d\r\nReading errors:\t\t%d\r\nReading fatal errors:\t%d\r\nWriting "
                  "number:\t\t%d\r\nWriting errors:\t\t%d\r\nWriting fatal errors:\t\t%d",
                  v[0], v[1], v[2], v[3], v[4], v[5]);
    report += text;
  }
  return report;
}

bool ParseFsInit(const std::string& reply, int& total, int& done) {
  return std::sscanf(reply.c_str(), "RE%*[^{]{%d,%d}", &total, &done) == 2;
}

}  // namespace Files
