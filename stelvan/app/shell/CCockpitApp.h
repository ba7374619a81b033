#pragma once
// The application object: the one receiver session of the program (connection, receiver, flags,
// per-session strings) and the user's site, target and receiver-file settings. One instance,
// created by main (or a test) after the QApplication. The flags are written by one thread and
// read by the other without a lock; the strings and the receiver handle are locked.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "linkpanel/Linkpanel.h"
#include "shell/SessionDisplay.h"
#include "site/SiteSettings.h"

class CConnection;
class CReceiver;

// What the session learned of its receiver; written by the session thread.
struct SessionInfo {
  std::string portName;  // the receiver string the connect dialog returned
  std::string model;
  int firmwareVersion = 0;  // major * 1000 + minor
  std::string currentPort;
  std::string receiverId;
  std::string lastError;
};

class CCockpitApp : public TargetSource {
 public:
  static constexpr const char* kAppName = "Stelvan-P";

  CCockpitApp();
  ~CCockpitApp() override;
  CCockpitApp(const CCockpitApp&) = delete;
  CCockpitApp& operator=(const CCockpitApp&) = delete;
  static CCockpitApp* Instance();

  // The receiver, created on first use. Ask for it each time; do not keep the pointer across a
  // close. CloseReceiver closes and releases it.
  CReceiver* GetReceiver();
  void CloseReceiver();
  bool IsReceiverPresent() const;

  // The connection object; created by the session thread, deleted on Disconnect or when the
  // server link fails (GUI thread only, with no session thread running).
  CConnection* Connection() const { return m_Connection.load(); }
  CConnection* CreateConnection();
  void DeleteConnection();

  std::atomic<bool> openInManual{false};
  std::atomic<bool> sessionRunning{false};
  std::atomic<bool> connecting{false};
  std::atomic<bool> newMessage{false};
  std::atomic<bool> abortConnect{false};  // returned by the connect progress callback
  std::atomic<bool> targetChanged{true};
  std::atomic<std::uint32_t> sessionStartTick{0};

  SiteSettings site;  // GUI thread
  std::string recIntFile = "1";
  std::string elvMask = "7";
  std::string programDir;  // with a trailing slash
  float scaleX = 1, scaleY = 1;

  double targetLat() const override { return m_TargetLat.load(); }
  double targetLon() const override { return m_TargetLon.load(); }
  void setTarget(double lat, double lon);

  // The connect dialog's choice: server, user, password, receivers.
  void setConnectionInfo(const CONNECTION_INFO& info);
  CONNECTION_INFO connectionInfo() const;
  SessionInfo sessionInfo() const;
  void updateSessionInfo(const std::function<void(SessionInfo&)>& change);

  // Settings ("Site", "TargetPosition", "Receiver"); "MainSize" belongs to the main frame.
  void LoadSettings();
  void SaveSettings() const;

 private:
  mutable std::mutex m_Lock;
  CReceiver* m_Receiver = nullptr;
  // Owned; created on the session thread, read by both, deleted on the GUI thread.
  std::atomic<CConnection*> m_Connection{nullptr};
  std::atomic<double> m_TargetLat{0}, m_TargetLon{0};
  CONNECTION_INFO m_Info;
  SessionInfo m_Session;
};
