#include "gridserver/PasswordHash.h"

#include <crypt.h>

#include <memory>

namespace gridserver {

std::string HashPassword(const std::string& password) {
  char salt[CRYPT_GENSALT_OUTPUT_SIZE];
  for (const char* prefix : {"$y$", "$6$"}) {
    if (!crypt_gensalt_rn(prefix, 0, nullptr, 0, salt, sizeof salt)) continue;
    auto data = std::make_unique<crypt_data>();
    const char* hash = crypt_r(password.c_str(), salt, data.get());
    if (hash && hash[0] == '$') return hash;
  }
  return {};
}

bool VerifyPassword(const std::string& password, const std::string& hash) {
  auto data = std::make_unique<crypt_data>();
  const char* out = crypt_r(password.c_str(), hash.c_str(), data.get());
  if (!out || out[0] == '*') return false;
  // Compared in full whatever differs first: the time says nothing about the hash.
  const std::string got = out;
  if (got.size() != hash.size()) return false;
  unsigned char diff = 0;
  for (std::size_t i = 0; i < got.size(); ++i) diff |= static_cast<unsigned char>(got[i] ^ hash[i]);
  return diff == 0;
}

bool IsPasswordHash(const std::string& stored) {
  return stored.size() > 3 && stored[0] == '$' && stored.find('$', 1) != std::string::npos;
}

}  // namespace gridserver
