#include "corrections/CorrectionsSettings.h"

#include "gridlink/CProfile.h"

namespace corrections {

namespace {
constexpr const char* kSection = "Corrections";
}

void CorrectionsSettings::Load() {
  CProfile p;
  caster = p.Read(kSection, "Caster", "");
  port = p.Read(kSection, "Port", 2101);
  user = p.Read(kSection, "User", "");
  password = p.Read(kSection, "Password", "");
  mount = p.Read(kSection, "Mount", "");
  version = p.Read(kSection, "Version", 2) == 1 ? 1 : 2;
  sendGga = p.Read(kSection, "SendGGA", true);
  ggaInterval = p.Read(kSection, "GGAInterval", 10);
  destination = p.Read(kSection, "Destination", "");
  ownLink = p.Read(kSection, "OwnLink", false);
  tls = p.Read(kSection, "TLS", false);
  tlsCaFile = p.Read(kSection, "TLSCAFile", "");
  tlsFingerprint = p.Read(kSection, "TLSFingerprint", "");
}

void CorrectionsSettings::Save() const {
  CProfile p;
  p.Write(kSection, "Caster", caster.c_str());
  p.Write(kSection, "Port", port);
  p.Write(kSection, "User", user.c_str());
  p.Write(kSection, "Password", password.c_str());
  p.Write(kSection, "Mount", mount.c_str());
  p.Write(kSection, "Version", version);
  p.Write(kSection, "SendGGA", sendGga);
  p.Write(kSection, "GGAInterval", ggaInterval);
  p.Write(kSection, "Destination", destination.c_str());
  p.Write(kSection, "OwnLink", ownLink);
  p.Write(kSection, "TLS", tls);
  p.Write(kSection, "TLSCAFile", tlsCaFile.c_str());
  p.Write(kSection, "TLSFingerprint", tlsFingerprint.c_str());
}

}  // namespace corrections
