#pragma once
// The server's users: a file of "name password" lines (blank lines and lines starting with
// "#" are skipped). Names are letters, digits, "_", "." and "-" (they name folders in the
// store); the password is a crypt(3) hash (written by AddUser) or, from older files, a clear
// single word, which still works but is warned about. Loaded once at start; read-only
// afterwards, so any thread may ask.
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
  // Lines of the file that hold a clear password, as warnings for the operator.
  const std::vector<std::string>& Warnings() const { return m_Warnings; }
  bool Exists(const std::string& user) const { return m_Passwords.count(user) != 0; }
  // In the order of the file.
  const std::vector<std::string>& Names() const { return m_Names; }

  static bool ValidName(const std::string& name);
  // Sets `name`'s password hash in the file (adding the user when new), which stays or
  // becomes readable by its owner only; false with a message for the operator.
  static bool AddUser(const std::string& path, const std::string& name, const std::string& password,
                      std::string& error);

 private:
  std::map<std::string, std::string> m_Passwords;
  std::vector<std::string> m_Names;
  std::vector<std::string> m_Warnings;
  std::string m_Decoy;  // checked for unknown names, so they take as long as known ones
};

}  // namespace gridserver
