#pragma once
// The main view: the satellite counts and status labels, the four satellite tables and the
// location page. It owns the session thread and receives what that thread posts.
#include <QWidget>
#include <array>
#include <memory>

#include "shell/SessionSink.h"
#include "shell/ViewTexts.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QTableWidget;
class CCockpitApp;
class CSessionThread;

class CCockpitView : public QWidget, public SessionSink {
  Q_OBJECT
 public:
  explicit CCockpitView(CCockpitApp& app, QWidget* parent = nullptr);
  ~CCockpitView() override;

  void StartSession();
  // Asks the session thread to stop and waits for it, dispatching events between 500 ms steps.
  void StopSessionThread();
  bool SessionThreadRunning() const;
  // True while StopSessionThread waits (events are dispatched meanwhile).
  bool Stopping() const { return m_Stopping; }
  void ClearDisplay();
  // The latest position the receiver reported (for the target dialog).
  bool LastPosition(double& lat, double& lon) const;
  const ViewTexts& texts() const { return m_Texts; }
  void ShowStopButton(bool show);
  // The width at which the widest satellite table shows all its columns.
  int TablesMinimumWidth() const;

  // SessionSink (any thread; each only posts).
  void postStatus(const std::string& text) override;
  void postDropConnection() override;
  void postManualMode() override;
  void postMessageCommand() override;
  void postMessageProgress(const std::string& text) override;
  void postStopAndDrop() override;
  void postTitle(const std::string& title) override;
  void postTexts(const ViewTexts& texts) override;
  void postHideStopButton() override;

 signals:
  void statusText(const QString& text);
  void dropConnection();
  void manualModeCommand();
  void messageCommand();
  void messageProgress(const QString& text);
  void stopAndDrop();
  void titleText(const QString& title);
  // A round of texts reached the widgets.
  void displayUpdated();

 private:
  QWidget* buildLocationPage();
  QTableWidget* buildTable(int table);
  void applyTexts(const ViewTexts& texts);
  void fillTable(int table);
  void sortBy(int table, int column);

  CCockpitApp& m_App;
  std::unique_ptr<CSessionThread> m_Session;
  ViewTexts m_Texts;
  std::array<QTableWidget*, 4> m_Tables{};
  std::array<int, 4> m_SortColumn{};
  std::array<int, 4> m_SortDirection{-1, -1, -1, -1};
  bool m_Stopping = false;
  QTabWidget* m_Tabs = nullptr;
  QPushButton* m_Stop = nullptr;
  QLabel *m_SatCounts, *m_Solution, *m_Rtcm, *m_EventA, *m_EventB;
  QLabel *m_Geo, *m_Xyz, *m_Vel, *m_RmsPos, *m_RmsVel, *m_Pdop, *m_Hdop;
  QLabel *m_RcvTime, *m_RcvDate, *m_ClockOffset, *m_OscOffset, *m_TrackTime;
  QLabel *m_TargetLat, *m_TargetLon, *m_TargetOffsets;
};
