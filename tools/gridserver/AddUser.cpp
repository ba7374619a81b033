#include "gridserver/AddUser.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "gridserver/UserDirectory.h"

namespace gridserver {
namespace {

std::string askHidden(const char* prompt) {
  std::fputs(prompt, stderr);
  termios old{};
  const bool tty = tcgetattr(STDIN_FILENO, &old) == 0;
  if (tty) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string line;
  std::getline(std::cin, line);
  if (tty) tcsetattr(STDIN_FILENO, TCSAFLUSH, &old);
  std::fputs("\n", stderr);
  return line;
}

}  // namespace

int RunAddUser(const std::string& usersFile, const std::string& name) {
  std::string password;
  if (isatty(STDIN_FILENO)) {
    password = askHidden(("Password for " + name + ": ").c_str());
    if (askHidden("Again: ") != password) {
      std::fprintf(stderr, "gridserver: the passwords differ; nothing changed\n");
      return 1;
    }
  } else if (!std::getline(std::cin, password)) {
    std::fprintf(stderr, "gridserver: no password on standard input\n");
    return 1;
  }
  if (!password.empty() && password.back() == '\r') password.pop_back();
  std::string error;
  if (!UserDirectory::AddUser(usersFile, name, password, error)) {
    std::fprintf(stderr, "gridserver: %s\n", error.c_str());
    return 1;
  }
  std::fprintf(stderr, "gridserver: password of %s stored in %s\n", name.c_str(), usersFile.c_str());
  return 0;
}

}  // namespace gridserver
