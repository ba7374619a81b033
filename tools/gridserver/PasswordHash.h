#pragma once
// Password hashes in the system's crypt(3) form: yescrypt ("$y$...") where libcrypt offers it,
// else SHA-512 ("$6$..."), each with a fresh random salt. Any thread.
#include <string>

namespace gridserver {

// The hash of `password`; empty when the system cannot make one.
std::string HashPassword(const std::string& password);
// True when `password` matches `hash` (a crypt(3) string).
bool VerifyPassword(const std::string& password, const std::string& hash);
// A stored password that is a crypt(3) hash rather than a clear word.
bool IsPasswordHash(const std::string& stored);

}  // namespace gridserver
