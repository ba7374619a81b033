#include "gridserver/UserDirectory.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

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
  // Passwords are kept in the clear: only their owner may see or change them.
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
  }
  if (m_Names.empty()) {
    error = "the users file " + path + " lists no user";
    return false;
  }
  return true;
}

bool UserDirectory::Check(const std::string& user, const std::string& password) const {
  const auto it = m_Passwords.find(user);
  return it != m_Passwords.end() && it->second == password;
}

}  // namespace gridserver
