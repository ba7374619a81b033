#pragma once
// The server's users: a file of "name password" lines (blank lines and lines starting with
// "#" are skipped). Names are letters, digits, "_", "." and "-" (they name folders in the
// store); passwords are single words. Loaded once at start; read-only afterwards, so any
// thread may ask.
#include <map>
#include <string>
#include <vector>

namespace gridserver {

class UserDirectory {
 public:
  // False with a message for the operator when the file cannot be read, is readable or
  // writable by others than its owner, or holds a line that is not a user.
  bool Load(const std::string& path, std::string& error);
  bool Check(const std::string& user, const std::string& password) const;
  bool Exists(const std::string& user) const { return m_Passwords.count(user) != 0; }
  // In the order of the file.
  const std::vector<std::string>& Names() const { return m_Names; }

  static bool ValidName(const std::string& name);

 private:
  std::map<std::string, std::string> m_Passwords;
  std::vector<std::string> m_Names;
};

}  // namespace gridserver
