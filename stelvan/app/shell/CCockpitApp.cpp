#include "shell/CCockpitApp.h"

#include <unistd.h>

#include <functional>

#include "gridlink/CProfile.h"

namespace {
CCockpitApp* g_App = nullptr;

std::string executableDir() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return "./";
  const std::string p(path, static_cast<std::size_t>(n));
  return p.substr(0, p.rfind('/') + 1);
}
}  // namespace

CCockpitApp::CCockpitApp() {
  g_App = this;
  programDir = executableDir();
}

CCockpitApp::~CCockpitApp() {
  if (g_App == this) g_App = nullptr;
}

CCockpitApp* CCockpitApp::Instance() {
  return g_App;
}

bool CCockpitApp::sessionRunning() const {
  const session::SessionState s = m_Session.state();
  return s == session::SessionState::Live || s == session::SessionState::ManualOnly;
}

session::SessionTarget CCockpitApp::TargetOf(const CONNECTION_INFO& info) {
  session::SessionTarget t;
  t.server = info.server;
  t.user = info.user;
  t.password = info.password;
  t.receiver = info.receivers.empty() ? std::string() : info.receivers.front();
  t.manualOnly = info.manualModeOnly;
  return t;
}

void CCockpitApp::setTarget(double lat, double lon) {
  m_TargetLat = lat;
  m_TargetLon = lon;
  targetChanged = true;
}

void CCockpitApp::LoadSettings() {
  CProfile* p = CProfile::Instance();
  site.slant = p->Read("Site", "HeightType", 0) != 0;
  site.antennaHeight = p->Read("Site", "AntenaHeight", "0");
  site.status = p->Read("Site", "Status", 0);
  site.name = p->Read("Site", "SiteName", "Site");
  site.antennaType = p->Read("Site", "AntennaType", "UNKNOWN");
  m_TargetLat = p->Read("TargetPosition", "Lat", 0.0);
  m_TargetLon = p->Read("TargetPosition", "Lon", 0.0);
  recIntFile = p->Read("Receiver", "RecIntFile", "1");
  elvMask = p->Read("Receiver", "ElvMask", "7");
  p->Release();
}

void CCockpitApp::SaveSettings() const {
  CProfile* p = CProfile::Instance();
  p->Write("Site", "HeightType", site.slant ? 1 : 0);
  p->Write("Site", "AntenaHeight", site.antennaHeight.c_str());
  p->Write("Site", "Status", site.status);
  p->Write("Site", "SiteName", site.name.c_str());
  p->Write("Site", "AntennaType", site.antennaType.c_str());
  p->Write("TargetPosition", "Lat", m_TargetLat.load());
  p->Write("TargetPosition", "Lon", m_TargetLon.load());
  p->Write("Receiver", "RecIntFile", recIntFile.c_str());
  p->Write("Receiver", "ElvMask", elvMask.c_str());
  p->Release();
}
