#include "screenshot/CorrectionsShot.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>

#include "shell/CMainFrame.h"

namespace corrections {

void OpenForPicture(CMainFrame& frame) {
  frame.OnCorrectionsInput();
  if (auto* dlg = frame.findChild<QDialog*>("dlgCorrections")) {
    dlg->hide();
    dlg->exec();
  }
}

void StartForPicture(QWidget* dlg) {
  const char* env = std::getenv("STELVAN_SCREENSHOT_NTRIP");
  const QStringList f = QString(env ? env : "").split(' ', Qt::SkipEmptyParts);
  if (f.size() != 6) return;
  dlg->findChild<QLineEdit*>("ntripCaster")->setText(f[0]);
  dlg->findChild<QSpinBox*>("ntripPort")->setValue(f[1].toInt());
  dlg->findChild<QLineEdit*>("ntripUser")->setText(f[3]);
  dlg->findChild<QLineEdit*>("ntripPassword")->setText(f[4]);
  dlg->findChild<QLineEdit*>("ntripDestination")->setText(f[5]);
  dlg->findChild<QPushButton*>("ntripSourceTable")->click();
  // Once the table is in, pick the nearest mount point (on top) and start.
  auto* mounts = dlg->findChild<QTreeWidget*>("ntripMounts");
  auto* start = dlg->findChild<QPushButton*>("ntripStart");
  auto* timer = new QTimer(dlg);
  QObject::connect(timer, &QTimer::timeout, dlg, [mounts, start, timer] {
    if (mounts->topLevelItemCount() == 0) return;
    timer->stop();
    mounts->setCurrentItem(mounts->topLevelItem(0));
    start->click();
  });
  timer->start(200);
}

}  // namespace corrections
