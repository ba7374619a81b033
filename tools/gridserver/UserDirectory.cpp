#include "gridserver/UserDirectory.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

#include "gridserver/PasswordHash.h"

namespace gridserver {

bool UserDirectory::ValidName(const std::string& name) {
  // "0" would read as the first number of an upload's opening request.
  if (name.empty() || name.size() > 63 || name[0] == '.' || name[0] == '-' || name == "0") return false;
  for (unsigned char c : name)
    if (!std::isalnum(c) && c != '_' && c != '.' && c != '-') return false;
  return true;
}

bool UserDirectory::Load(const std::string& path, std::string& error) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    error = "cannot read the users file " + path;
    return false;
  }
  // Even hashes can be guessed at offline: only their owner may see or change them.
  if (st.st_mode & (S_IRGRP | S_IWGRP | S_IROTH | S_IWOTH)) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    error = "the users file " + path + " can be read or changed by others than its owner (mode " + mode +
            "); run: chmod 600 " + path;
    return false;
  }
  std::ifstream in(path);
  if (!in) {
    error = "cannot read the users file " + path;
    return false;
  }
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::istringstream words(line);
    std::string name, password, extra;
    if (!(words >> name) || name[0] == '#') continue;
    if (!(words >> password) || (words >> extra) || !ValidName(name)) {
      error = path + ":" + std::to_string(number) +
              ": expected \"name password\" (name of letters, digits, _ . -)";
      return false;
    }
    if (!m_Passwords.emplace(name, password).second) {
      error = path + ":" + std::to_string(number) + ": user " + name + " listed twice";
      return false;
    }
    m_Names.push_back(name);
    if (!IsPasswordHash(password))
      m_Warnings.push_back(path + ":" + std::to_string(number) + ": the password of " + name +
                           " is stored in clear; store a hash with: gridserver --users " + path +
                           " --add-user " + name);
  }
  m_Decoy = HashPassword("decoy");
  if (m_Names.empty()) {
    error = "the users file " + path + " lists no user";
    return false;
  }
  return true;
}

bool UserDirectory::Check(const std::string& user, const std::string& password) const {
  const auto it = m_Passwords.find(user);
  if (it == m_Passwords.end()) {
    if (!m_Decoy.empty()) VerifyPassword(password, m_Decoy);
    return false;
  }
  if (IsPasswordHash(it->second)) return VerifyPassword(password, it->second);
  return it->second == password;
}

bool UserDirectory::AddUser(const std::string& path, const std::string& name, const std::string& password,
                            std::string& error) {
  if (!ValidName(name)) {
    error = "a user name is letters, digits, _ . - (not starting with . or -): " + name;
    return false;
  }
  if (password.empty() || password.find_first_of(" \t\r\n") != std::string::npos) {
    error = "a password is one word, not empty";
    return false;
  }
  const std::string hash = HashPassword(password);
  if (hash.empty()) {
    error = "the system cannot hash passwords (crypt)";
    return false;
  }
  std::vector<std::string> lines;
  bool replaced = false;
  {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
      std::istringstream words(line);
      std::string first;
      if (words >> first && first == name) {
        line = name + " " + hash;
        replaced = true;
      }
      lines.push_back(line);
    }
  }
  if (!replaced) lines.push_back(name + " " + hash);
  // Written aside with owner-only rights and renamed: the server never reads half a file.
  const std::string tmp = path + ".new";
  {
    std::ofstream out(tmp, std::ios::trunc);
    ::chmod(tmp.c_str(), 0600);
    for (const std::string& line : lines) out << line << '\n';
    if (!out) {
      error = "cannot write " + tmp;
      return false;
    }
  }
  if (std::rename(tmp.c_str(), path.c_str()) != 0) {
    error = "cannot replace " + path;
    return false;
  }
  return true;
}

}  // namespace gridserver
