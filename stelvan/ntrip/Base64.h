#pragma once
// Base64 (RFC 4648, with padding) for HTTP Basic authentication. Pure.
#include <string>

namespace Ntrip {

std::string Base64(const std::string& bytes);

}  // namespace Ntrip
