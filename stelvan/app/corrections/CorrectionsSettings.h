#pragma once
// What the "Corrections input" dialog keeps between runs, in the program's
// settings (section "Corrections"; the file is the user's own, mode 0600,
// since it holds the caster's password). GUI thread.
#include <string>

namespace corrections {

struct CorrectionsSettings {
  std::string caster;
  int port = 2101;
  std::string user, password, mount;
  int version = 2;
  bool sendGga = true;
  int ggaInterval = 10;
  std::string destination;
  bool ownLink = false;  // through the receiver's own link instead of `destination`
  bool tls = false;
  std::string tlsCaFile, tlsFingerprint;

  void Load();
  void Save() const;
};

}  // namespace corrections
