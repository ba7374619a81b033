#pragma once
// gridserver --add-user: reads the new password (twice, unechoed, from a terminal; one line
// from anything else) and stores its hash. The exit status.
#include <string>

namespace gridserver {

int RunAddUser(const std::string& usersFile, const std::string& name);

}  // namespace gridserver
