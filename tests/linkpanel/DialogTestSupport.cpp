#include "DialogTestSupport.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QThread>
#include <cstdlib>

namespace lptest {
namespace {

constexpr int kTickMs = 20;
constexpr int kGiveUpTicks = 1000;
constexpr qint64 kWaitLimitMs = 20000;

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    m_App = new QApplication(m_Argc, m_Argv);
  }
  void TearDown() override { delete m_App; }

 private:
  int m_Argc = 1;
  char m_Name[16] = "linkpanel-test";
  char* m_Argv[2] = {m_Name, nullptr};
  QApplication* m_App = nullptr;
};

[[maybe_unused]] ::testing::Environment* const g_qt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

ModalWatcher::ModalWatcher() {
  m_Timer.setInterval(kTickMs);
  QObject::connect(&m_Timer, &QTimer::timeout, [this] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    if (++m_Ticks > kGiveUpTicks) {
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
      return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      boxes.push_back({box->windowTitle(), box->text()});
      box->done(QMessageBox::Ok);
    } else if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && !m_DialogHandled && onDialog) {
      m_DialogHandled = true;
      onDialog(dialog);
    }
  });
  m_Timer.start();
}

ModalWatcher::~ModalWatcher() {
  m_Timer.stop();
}

bool WaitUntil(const std::function<bool()>& pred) {
  QElapsedTimer clock;
  clock.start();
  while (!pred() && clock.elapsed() < kWaitLimitMs) {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  return pred();
}

}  // namespace lptest
