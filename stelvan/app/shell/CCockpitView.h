#pragma once
// The main view: the satellite counts and status labels, the satellite tables and the
// location page. It observes the application's ReceiverSession and follows its stream: the
// rounds are formatted on the session thread and posted here as texts.
#include <QWidget>
#include <array>
#include <memory>

#include "session/SessionObserver.h"
#include "shell/SessionDisplay.h"
#include "shell/ViewTexts.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class CCockpitApp;

class CCockpitView : public QWidget, public session::SessionObserver, public session::RoundListener {
  Q_OBJECT
 public:
  explicit CCockpitView(CCockpitApp& app, QWidget* parent = nullptr);
  ~CCockpitView() override;

  void ClearDisplay();
  // The latest position the receiver reported (for the target dialog).
  bool LastPosition(double& lat, double& lon) const;
  const ViewTexts& texts() const { return m_Texts; }
  void ShowStopButton(bool show);
  // The width at which the widest satellite table shows all its columns and every shown tab
  // is in sight.
  int TablesMinimumWidth() const;

  // SessionObserver (any thread; each only posts).
  void stateChanged(session::SessionState from, session::SessionState to) override;
  void statusText(const std::string& text) override;
  void titleText(const std::string& title) override;
  void serverEvent(std::uint8_t code, const std::string& text) override;
  // RoundListener (session thread).
  void begin() override;
  void round(const std::vector<std::string>& fresh) override;
  void silence() override;

 signals:
  void sessionState(int from, int to);  // session::SessionState values
  void statusTextPosted(const QString& text);
  void titlePosted(const QString& title);
  void serverEventPosted(int code, const QString& text);
  // A round of texts reached the widgets.
  void displayUpdated();
  // A tab was shown or hidden: the view's minimum width changed.
  void pagesChanged();

 private:
  QWidget* buildLocationPage();
  void buildPositionActions();
  QTableWidget* buildTable(int table);
  void applyTexts(const ViewTexts& texts);
  void fillTable(int table);
  void sortBy(int table, int column);
  // BeiDou and QZSS tabs: shown once the receiver reported such a satellite, hidden again only
  // when the connection ends, so that a gap in the stream does not take the page away.
  void showSystemTabs(const ViewTexts& texts);
  void hideSystemTabs();

  void postTexts(const ViewTexts& texts);

  CCockpitApp& m_App;
  SessionDisplay m_Display;  // session thread
  ViewTexts m_Texts;
  std::array<QTableWidget*, kSatTables> m_Tables{};
  std::array<int, kSatTables> m_SortColumn{};
  std::array<int, kSatTables> m_SortDirection{-1, -1, -1, -1, -1, -1};
  std::array<int, kSatTables> m_TableWidths{};  // every column in sight
  QTabWidget* m_Tabs = nullptr;
  QPushButton* m_Stop = nullptr;
  QLabel *m_SatCounts, *m_Solution, *m_Rtcm, *m_EventA, *m_EventB;
  QLabel *m_Geo, *m_Xyz, *m_Vel, *m_RmsPos, *m_RmsVel, *m_Pdop, *m_Hdop;
  QLabel *m_RcvTime, *m_RcvDate, *m_ClockOffset, *m_OscOffset, *m_TrackTime;
  QLabel *m_TargetLat, *m_TargetLon, *m_TargetOffsets;
};
