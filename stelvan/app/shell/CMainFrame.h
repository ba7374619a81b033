#pragma once
// The main window: menu, title, status-bar panes, timer 1, the notification-area icon, the
// window size rules and "MainSize", and the commands that are not dialogs of their own.
// Every receiver dialog borrows the session's receiver through RunModalTool or
// RunReceiverDialog (ReceiverSession::borrowReceiver). GUI thread only.
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <functional>
#include <map>
#include <string>

#include "linkpanel/Linkpanel.h"
#include "shell/CCockpitDoc.h"

class QAction;
class QLabel;
class QSystemTrayIcon;
class QTimer;
class CCockpitApp;
class CCockpitView;
class CConnection;
class CReceiver;
class CMessage;
class LiveViews;

class CMainFrame : public QMainWindow {
  Q_OBJECT
 public:
  explicit CMainFrame(CCockpitApp& app, QWidget* parent = nullptr);
  ~CMainFrame() override;

  CCockpitView* view() const { return m_View; }
  LiveViews* liveViews() const { return m_LiveViews; }
  CCockpitApp& app() const { return m_App; }
  QAction* action(const char* name) const;
  QString paneText(int pane) const;

  // Hides this window and lends `tool` the session's receiver, closed (the tool opens it on
  // Connection() as it needs, or uses the port directly): the session thread stops, the receiver
  // is silenced ("%%dm"), and the session comes back after the tool. False when the session
  // refused (nothing live to lend, or another tool holds the receiver). `name` tells the
  // receiver's other users (corrections through its own link) who has it.
  bool RunModalTool(const std::function<void(CReceiver*)>& tool, const std::string& name = {});
  // The same for a dialog that needs the receiver open; a receiver that does not open is
  // reported in a message box and the dialog does not run.
  bool RunReceiverDialog(const std::function<void(CReceiver*)>& dialog, const std::string& name = {});

  // Starts a session on a choice made elsewhere (the command line) exactly as the connect
  // dialog's OK would.
  void ConnectWith(const CONNECTION_INFO& info);
  void Disconnect();
  void SetStatusText(const QString& text);  // pane 0
  void UpdateTitle(bool connected, const QString& connectedTitle = {});

  // Moves `r` to the middle of `owner`, kept 4 pixels inside `screen`.
  static QRect CenterRect(QRect r, const QRect& owner, const QRect& screen);
  // The "MainSize" rectangle (left, top, right, bottom) clamped to the screen; nothing when the
  // stored text is not four numbers.
  static bool ParseMainSize(const std::string& text, const QRect& screen, QRect& out);

 public slots:
  void OnConnection();
  void OnDisconnect();
  void OnExit();
  void OnSite();
  void OnTargetPosition();
  void OnSetSatelliteTime();
  void OnInitializeFileSystem();
  void OnClearNvram();
  void OnResetReceiver();
  void OnMessage();
  void OnManualMode();
  // Dialogs of their own; see CMainFrameTools.cpp. The Plot entries open or close the live
  // views beside the main window (CMainFrameViews.cpp).
  void OnFileManager();
  void OnRealTimeLogging();
  void OnReceiverConfiguration();
  void OnFirmwareLoader();
  void OnScatter();
  void OnSatellites();
  void OnPosition();
  void OnCorrections();
  void OnAbout();
  void OnCorrectionsInput();  // modeless: the session runs on while corrections flow

 signals:
  // The close path has run; the program may end.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void buildMenu();
  void buildStatusBar();
  void restoreGeometry();
  void buildLiveViews();
  void updateWidthBand();
  bool anyViewDocked() const;
  // The main view's width band from its pages (BeiDou and QZSS tabs widen it).
  void fitWidthBand();
  void toggleView(int view);  // a LiveViews::View
  void saveGeometry();
  void updateActions();
  void updateViewActions();
  void onTimer();
  void connectSession();
  void onSessionState(int from, int to);
  void onServerEvent(int code, const QString& text);
  void onDropConnection();
  bool borrowReceiver(const std::function<void(CReceiver*)>& tool, bool open, const std::string& name);
  void resetReceiver(bool clearNvram);
  void runReset(CReceiver* rcv, bool clearNvram, const QString& caption);
  void notAvailableYet(const QString& what);
  QAction* addAction(QMenu* menu, const char* name, const QString& text, const QKeySequence& key,
                     const QString& prompt, void (CMainFrame::*slot)());

  // Counts the GUI thread's calls into the receiver that are under way (they dispatch events).
  struct ReceiverCall {
    explicit ReceiverCall(int& n) : count(n) { ++count; }
    ~ReceiverCall() { --count; }
    ReceiverCall(const ReceiverCall&) = delete;
    ReceiverCall& operator=(const ReceiverCall&) = delete;
    int& count;
  };

  CCockpitApp& m_App;
  CCockpitDoc m_Doc;
  int m_ReceiverCalls = 0;
  QPointer<CMessage> m_Messages;
  QPointer<QDialog> m_Corrections;
  CCockpitView* m_View = nullptr;
  LiveViews* m_LiveViews = nullptr;
  int m_MaxWidth = 0;      // the main view's band; docked views widen the window beyond it
  int m_ContentWidth = 0;  // what menu, status bar and view need at the start
  QLabel* m_Panes[3] = {};
  QTimer* m_Timer = nullptr;
  QSystemTrayIcon* m_Tray = nullptr;
  std::map<std::string, QAction*> m_Actions;
  std::uint32_t m_LastElapsed = ~0u;
  bool m_Closed = false;
};
