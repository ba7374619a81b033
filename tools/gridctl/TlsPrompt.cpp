#include "TlsPrompt.h"

#include <iostream>
#include <string>

namespace gridctl {

bool askTrust(const char* server, const char* fingerprint, void*) {
  std::cerr << "The server " << server << " shows a certificate that no trusted authority vouches for.\n"
            << "Its SHA-256 fingerprint is " << fingerprint << "\n"
            << "Trust it from now on (yes/no)? " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) answer.clear();
  std::cerr << "\n";
  return answer == "yes";
}

}  // namespace gridctl
