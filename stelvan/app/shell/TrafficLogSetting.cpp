#include "shell/TrafficLogSetting.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QStandardPaths>
#include <QWidget>

#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"
#include "gridlink/TrafficLog.h"

namespace TrafficLogSetting {
namespace {

constexpr const char* kSection = "TrafficLog";

QString savedFile() {
  const QString file = QString::fromStdString(CConnection::getProfile().Read(kSection, "File", ""));
  return file.isEmpty() ? DefaultFile() : file;
}

bool start(const QString& file, QString& error) {
  QDir().mkpath(QFileInfo(file).absolutePath());
  std::string why;
  if (Gridlink::TrafficLog::Start(file.toStdString(), Gridlink::TrafficLog::kDefaultLimit, why)) return true;
  error = QString::fromStdString(why);
  return false;
}

void toggled(QAction* action, QWidget* parent, bool on) {
  CConnection::getProfile().Write(kSection, "On", on);
  if (!on) {
    Gridlink::TrafficLog::Stop();
    return;
  }
  QString error;
  const QString file = savedFile();
  if (start(file, error)) {
    action->setStatusTip("Recording the receiver traffic in " + file);
    return;
  }
  CConnection::getProfile().Write(kSection, "On", false);
  action->setChecked(false);
  QMessageBox::warning(parent, "Traffic log", "The traffic log cannot be written: " + error);
}

}  // namespace

QString DefaultFile() {
  return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
      .filePath("stelvan/traffic.log");
}

bool ApplySaved(QString& error) {
  if (!CConnection::getProfile().Read(kSection, "On", false)) return true;
  return start(savedFile(), error);
}

bool StartForRun(const QString& file, QString& error) {
  return start(file, error);
}

void AddMenuEntry(QMenu* tools, QWidget* parent) {
  tools->addSeparator();
  QAction* action = tools->addAction("Traffic log");
  action->setObjectName("actionTrafficLog");
  action->setCheckable(true);
  action->setChecked(Gridlink::TrafficLog::Active());
  action->setStatusTip(action->isChecked()
                           ? "Recording the receiver traffic in " +
                                 QString::fromStdString(Gridlink::TrafficLog::Path())
                           : "Record everything sent to and received from the receiver in a file");
  QObject::connect(action, &QAction::toggled, parent,
                   [action, parent](bool on) { toggled(action, parent, on); });
}

}  // namespace TrafficLogSetting
