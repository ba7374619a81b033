#include "screenshot/ScreenshotRunner.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPixmap>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "screenshot/ScreenshotSteps.h"
#include "shell/CCockpitView.h"
#include "shell/CMainFrame.h"

ScreenshotRunner::ScreenshotRunner(CMainFrame& frame, const QString& dir)
    : QObject(&frame), m_Frame(frame), m_Dir(dir), m_Timer(new QTimer(this)) {
  QDir().mkpath(dir);
  m_Wanted = static_cast<int>(ScreenshotSteps().size());
  connect(m_Timer, &QTimer::timeout, this, &ScreenshotRunner::poll);
  m_Timer->start(kPollMs);
}

bool ScreenshotRunner::liveDataShows() const {
  const auto* gps = m_Frame.view()->findChild<QTableWidget*>("tableGPS");
  return gps && gps->rowCount() > 0 && m_Frame.view()->texts().hasPosition;
}

void ScreenshotRunner::save(QWidget* w) {
  const ScreenshotStep& step = ScreenshotSteps()[m_Step];
  const QString path = m_Dir + "/" + step.file;
  if (w && w->grab().save(path)) {
    ++m_Written;
    std::printf("screenshot: %s\n", qPrintable(path));
  } else {
    std::fprintf(stderr, "screenshot: %s not written\n", qPrintable(path));
  }
  std::fflush(stdout);
}

void ScreenshotRunner::next() {
  ++m_Step;
  m_Polls = 0;
  m_Prepared = false;
  if (m_Step >= ScreenshotSteps().size()) {
    m_Timer->stop();
    m_Frame.close();
  }
}

void ScreenshotRunner::runModal() {
  m_InModal = true;
  m_ModalGrabbed = false;
  m_ModalSeen = false;
  ScreenshotSteps()[m_Step].openModal(m_Frame);
  m_InModal = false;
  if (!m_ModalGrabbed) {
    std::fprintf(stderr, "screenshot: %s: no dialog appeared (status bar: \"%s\")\n",
                 qPrintable(ScreenshotSteps()[m_Step].file), qPrintable(m_Frame.paneText(0)));
  }
  next();
}

void ScreenshotRunner::poll() {
  if (m_Step >= ScreenshotSteps().size()) return;
  const ScreenshotStep& step = ScreenshotSteps()[m_Step];
  ++m_Polls;
  // A tool opens, as from the menu, only once the session runs again after the last one: the
  // menu keeps the tools disabled until then.
  if (step.openModal && !m_InModal && step.needsLiveData && !liveDataShows() && m_Polls < kLiveWaitPolls) return;
  if (step.openModal) {
    if (!m_InModal) {
      QTimer::singleShot(0, this, &ScreenshotRunner::runModal);
      m_InModal = true;
      m_Polls = 0;
      return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && !m_ModalSeen) {
      m_ModalSeen = true;
      m_SeenAtPoll = m_Polls;
      if (step.onModal) step.onModal(modal);
    }
    // Give the dialog two polls to lay itself out and fill its lists, or the step's settle time.
    if (modal && !m_ModalGrabbed && m_Polls - m_SeenAtPoll > std::max(2, step.settleMs / kPollMs)) {
      save(modal);
      m_ModalGrabbed = true;
      if (auto* dlg = qobject_cast<QDialog*>(modal))
        dlg->reject();
      else
        modal->close();
    } else if (!modal && m_Polls > kModalWaitPolls) {
      m_Polls = 0;  // the step ends when the opener returns
    }
    return;
  }
  if (step.needsLiveData && !liveDataShows() && m_Polls < kLiveWaitPolls) return;
  if (step.needsLiveData && !liveDataShows())
    std::fprintf(stderr, "screenshot: %s: no live data yet\n", qPrintable(step.file));
  // A step that opens views beside the main one lets them fill for its settle time first.
  if (step.prepare && !m_Prepared) {
    step.prepare(m_Frame);
    m_Prepared = true;
    m_SeenAtPoll = m_Polls;
    return;
  }
  if (step.prepare && m_Polls - m_SeenAtPoll <= step.settleMs / kPollMs) return;
  QWidget* w = step.select(m_Frame);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  save(w);
  next();
}
