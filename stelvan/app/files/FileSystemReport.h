#pragma once
// The file-system report of the initialisation dialog, built from the receiver's answers.
// Plain text; no widgets.
#include <optional>
#include <string>
#include <vector>

namespace Files {

// The queries of the report, in the order of the answers FileSystemReport takes.
const std::vector<std::string>& FileSystemQueries();
// answers[i] answers FileSystemQueries()[i]; a missing answer leaves its line out.
std::string FileSystemReport(const std::vector<std::optional<std::string>>& answers);
// "RE...{total,done}" of "print,stat/fsinit"; false when the reply holds no such pair.
bool ParseFsInit(const std::string& reply, int& total, int& done);

}  // namespace Files
