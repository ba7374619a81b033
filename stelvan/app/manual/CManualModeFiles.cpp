// Manual mode: scripts, the log file, the script editor, settings and leaving.
#include <QApplication>
#include <QCloseEvent>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

#include "CManualMode.h"
#include "CReceiverSender.h"
#include "CScriptInterpreter.h"
#include "ScriptText.h"
#include "gridlink/CProfile.h"
#include "gridlink/CReceiver.h"

namespace {
constexpr const char* kSection = "ManualMode";

QString askScript(QWidget* parent, const QString& dir) {
  QString filter = "All Files (*.*)";
  return QFileDialog::getOpenFileName(parent, QString(), dir, "Script file(*.zrc);;All Files (*.*)", &filter);
}
}  // namespace

void CManualMode::onLoad() {
  if (load_->text() == "Stop script") {
    interpreter_->abort();
    return;
  }
  const QString file = askScript(this, scriptDir_);
  if (file.isEmpty()) return;
  if (!QFileInfo(file).isReadable()) {
    status_->setText("Can't open file!");
    return;
  }
  scriptDir_ = QFileInfo(file).absolutePath();
  const QString entry = "@" + QFileInfo(file).fileName();
  if (const int at = command_->findText(entry); at >= 0) command_->removeItem(at);
  command_->insertItem(0, entry);
  command_->setCurrentIndex(0);
}

bool CManualMode::startLog(const QString& file) {
  stopLog();
  logFile_ = std::fopen(file.toLocal8Bit().constData(), "wb");
  if (!logFile_) {
    status_->setText("Can't open file!");
    return false;
  }
  log_->setText("Stop log");
  return true;
}

void CManualMode::stopLog() {
  if (logFile_) std::fclose(logFile_);
  logFile_ = nullptr;
  if (log_) log_->setText("Start log");
}

void CManualMode::onLog() {
  if (logFile_) {
    stopLog();
    return;
  }
  QFileDialog dialog(this, "Log file", scriptDir_, "Log files(*.log)");
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix("log");
  if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
    startLog(dialog.selectedFiles().first());
}

void CManualMode::setEditorMode(bool editing) {
  editing_ = editing;
  replies_->setReadOnly(!editing);
  for (QWidget* w :
       std::initializer_list<QWidget*>{send_, clear_, load_, log_, stopMsg_, disconnectButton_, scroll_})
    w->setEnabled(!editing);
  command_->setVisible(!editing);
  exit_->setText(editing ? "Close" : "Exit");
  edit_->setText(editing ? "Save script" : "Edit script");
}

bool CManualMode::editScript(const QString& file) {
  std::string text;
  if (!ScriptText::readScriptFile(file.toLocal8Bit().toStdString(), text)) {
    status_->setText("Can't open file!");
    return false;
  }
  editorFile_ = file;
  editing_ = false;
  QString shown = QString::fromStdString(text);
  shown.replace("\r\n", "\n");
  replies_->setPlainText(shown);
  setEditorMode(true);
  editorChanged_ = false;
  return true;
}

bool CManualMode::saveScript() {
  QFile out(editorFile_);
  QString text = replies_->toPlainText();
  text.replace("\n", "\r\n");
  const QByteArray bytes = text.toUtf8();
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size()) {
    status_->setText("Unable to write " + editorFile_);
    return false;
  }
  editorChanged_ = false;
  return true;
}

void CManualMode::closeEditor() {
  if (editorChanged_ && QMessageBox::question(this, "Script editor",
                                              "Close the editor and discard changes?") != QMessageBox::Yes)
    return;
  editing_ = false;
  replies_->clear();
  setEditorMode(false);
}

void CManualMode::onEdit() {
  if (editing_) {
    saveScript();
    return;
  }
  const QString file = askScript(this, scriptDir_);
  if (!file.isEmpty()) editScript(file);
}

void CManualMode::readSettings() {
  CProfile profile;
  commands_ = std::clamp(profile.Read(kSection, "Commands", kMaxCommands), 1, kMaxCommands);
  replyLines_ = std::clamp(profile.Read(kSection, "Replies", kMaxReplies), 1, kMaxReplies);
  scriptDir_ = QString::fromLocal8Bit(
      profile.Read(kSection, "PathScript", QApplication::applicationDirPath().toLocal8Bit().constData()));
  int w = 370, h = 400;
  std::sscanf(profile.Read(kSection, "Size", ""), "%d %d", &w, &h);
  resize(std::max(w, 200), std::max(h, 200));
  for (int i = 0; i < commands_; ++i) {
    const QString entry =
        QString::fromLocal8Bit(profile.Read(kSection, ("Command" + std::to_string(i)).c_str(), ""));
    if (!entry.isEmpty()) command_->addItem(entry);
  }
  command_->setCurrentIndex(command_->count() ? 0 : -1);
}

void CManualMode::writeSettings() {
  CProfile profile;
  for (int i = 0; i < commands_; ++i)
    profile.Write(kSection, ("Command" + std::to_string(i)).c_str(),
                  i < command_->count() ? command_->itemText(i).toLocal8Bit().constData() : "");
  char size[32];
  std::snprintf(size, sizeof size, "%04d %04d", width(), height());
  profile.Write(kSection, "Size", size);
  profile.Write(kSection, "Commands", commands_);
  profile.Write(kSection, "Replies", replyLines_);
  profile.Write(kSection, "PathScript", scriptDir_.toLocal8Bit().constData());
}

void CManualMode::requestLeave() {
  if (closing_) return;
  if (editing_) {
    closeEditor();
  } else if (scriptRunning_) {
    leaveAfterScript_ = true;
    interpreter_->abort();
  } else {
    leave(false);
  }
}

void CManualMode::reject() {
  requestLeave();
}

void CManualMode::closeEvent(QCloseEvent* event) {
  if (closing_) return QDialog::closeEvent(event);
  event->ignore();
  requestLeave();
  if (closing_) event->accept();
}

void CManualMode::leave(bool disconnect) {
  if (closing_) return;
  if (!disconnect) {
    std::string reply;
    sender_->SendCommand("dm", 0, reply);
  }
  closing_ = true;
  detachOutput();
  stopLog();
  writeSettings();
  if (disconnect && receiver_) {
    // The receiver stays the caller's to release; it learns of the close from disconnectRequested().
    receiver_->Close(true);
    disconnect_ = true;
  }
  accept();
}
