#pragma once
// The application object: the program's one receiver session (ReceiverSession) and the user's
// site, target and receiver-file settings. One instance, created by main (or a test) after the
// QApplication. The session belongs to the GUI thread; see ReceiverSession.h.
#include <atomic>
#include <string>

#include "linkpanel/Linkpanel.h"
#include "session/ReceiverSession.h"
#include "shell/SessionDisplay.h"
#include "site/SiteSettings.h"

class CConnection;
class CReceiver;

using SessionInfo = session::SessionInfo;

class CCockpitApp : public TargetSource {
 public:
  static constexpr const char* kAppName = "Stelvan-P";

  CCockpitApp();
  ~CCockpitApp() override;
  CCockpitApp(const CCockpitApp&) = delete;
  CCockpitApp& operator=(const CCockpitApp&) = delete;
  static CCockpitApp* Instance();

  session::ReceiverSession& session() { return m_Session; }
  const session::ReceiverSession& session() const { return m_Session; }
  // The session's connection (null when there is none) and its receiver while it is live or
  // lent to a tool (null otherwise). GUI thread.
  CConnection* Connection() const { return m_Session.connection(); }
  CReceiver* GetReceiver() const { return m_Session.receiver(); }
  // The session shows the receiver or holds it for manual mode: the receiver commands apply.
  bool sessionRunning() const;
  SessionInfo sessionInfo() const { return m_Session.info(); }
  static session::SessionTarget TargetOf(const CONNECTION_INFO& info);

  std::atomic<bool> newMessage{false};
  std::atomic<bool> targetChanged{true};

  SiteSettings site;  // GUI thread
  std::string recIntFile = "1";
  std::string elvMask = "7";
  std::string programDir;  // with a trailing slash
  float scaleX = 1, scaleY = 1;

  double targetLat() const override { return m_TargetLat.load(); }
  double targetLon() const override { return m_TargetLon.load(); }
  void setTarget(double lat, double lon);

  // Settings ("Site", "TargetPosition", "Receiver"); "MainSize" belongs to the main frame.
  void LoadSettings();
  void SaveSettings() const;

 private:
  std::atomic<double> m_TargetLat{0}, m_TargetLon{0};
  session::ReceiverSession m_Session;  // last: it ends first
};
