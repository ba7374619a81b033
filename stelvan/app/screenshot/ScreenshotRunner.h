#pragma once
// Walks the screenshot steps on the running program, writes one PNG per step into a folder
// and then closes the main window through its normal close path.
#include <QObject>
#include <QString>
#include <cstdint>

class CMainFrame;
class QTimer;
class QWidget;

class ScreenshotRunner : public QObject {
  Q_OBJECT
 public:
  static constexpr int kPollMs = 200;
  static constexpr int kLiveWaitPolls = 300;  // a minute at most for live data
  static constexpr int kModalWaitPolls = 50;

  ScreenshotRunner(CMainFrame& frame, const QString& dir);
  bool allWritten() const { return m_Written == m_Wanted; }

 private:
  void poll();
  void runModal();
  bool liveDataShows() const;
  void save(QWidget* w);
  void next();

  CMainFrame& m_Frame;
  QString m_Dir;
  QTimer* m_Timer;
  std::size_t m_Step = 0;
  int m_Polls = 0;
  bool m_ModalSeen = false;
  int m_SeenAtPoll = 0;
  bool m_InModal = false;
  bool m_ModalGrabbed = false;
  bool m_Prepared = false;
  int m_Written = 0, m_Wanted = 0;
};
