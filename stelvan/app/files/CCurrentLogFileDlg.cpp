#include "files/CCurrentLogFileDlg.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "gridlink/CProfile.h"
#include "gridlink/CReceiver.h"

CCurrentLogFileDlg::CCurrentLogFileDlg(CReceiver* rcv, QWidget* parent) : QWidget(parent), m_Rcv(rcv) {
  setObjectName("CCurrentLogFileDlg");
  m_File = new QLabel("<none>", this);
  m_File->setObjectName("currentFile");
  m_Size = new QLabel(this);
  m_Memory = new QLabel(this);
  m_Memory->setObjectName("memory");
  m_Name = new QLineEdit(this);
  m_Name->setObjectName("fileName");
  CProfile profile;
  m_Interval = new QLineEdit(profile.Read("Receiver", "RecIntFile", "1"), this);
  m_Mask = new QLineEdit(this);
  m_StartStop = new QPushButton("Start", this);
  m_StartStop->setObjectName("startStop");
  auto* form = new QFormLayout;
  form->addRow("Current log file", m_File);
  form->addRow("Size", m_Size);
  form->addRow(m_Memory);
  form->addRow("File name", m_Name);
  form->addRow("Rec. interval", m_Interval);
  form->addRow("Elevation mask", m_Mask);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(m_StartStop, 0, Qt::AlignRight);
  layout->addStretch();
  connect(m_StartStop, &QPushButton::clicked, this, &CCurrentLogFileDlg::onStartStop);
}

QString CCurrentLogFileDlg::answer(const char* command, bool& ok) {
  ok = m_Rcv->SendCommand(command) != 0;
  const std::string reply = m_Rcv->GetReplyString();
  return ok && reply.size() > 5 ? QString::fromLocal8Bit(reply.substr(5).c_str()) : QString();
}

void CCurrentLogFileDlg::Refresh() {
  bool ok = false;
  const QString file = answer("print,/cur/log", ok);
  m_Recording = ok && !file.isEmpty();
  m_File->setText(m_Recording ? file : "<none>");
  const QString size = m_Recording ? answer("print,/cur/log&size", ok) : QString();
  m_Size->setText(size);
  bool okFree = false, okSize = false;
  const long long free = answer("print,/par/dev/blk/a/free", okFree).toLongLong();
  const long long total = answer("print,/par/dev/blk/a/size", okSize).toLongLong();
  m_Memory->setText(QString::asprintf("Total memory(MB): %d  Free memory(MB): %d",
                                      static_cast<int>(total >> 20), static_cast<int>(free >> 20)));
  if (!m_Mask->hasFocus()) m_Mask->setText(answer("print,/par/out/elm/cur/log", ok));
  m_StartStop->setText(m_Recording ? "Stop" : "Start");
}

void CCurrentLogFileDlg::onStartStop() {
  if (m_Recording) {
    if (m_Rcv->SendCommand("dm,/cur/log"))
      emit statusText("Data collection stopped");
    else
      emit statusText(QString::fromLocal8Bit(m_Rcv->GetReplyString().c_str()));
    Refresh();
    emit filesChanged(false);  // the file list shows the finished file with its size
    return;
  }
  if (start()) emit filesChanged(true);
  Refresh();
}

bool CCurrentLogFileDlg::start() {
  if (!m_Rcv->SendCommand(("%%set,/par/out/elm/cur/log," + m_Mask->text().toStdString()).c_str())) {
    emit statusText(QString::fromLocal8Bit(m_Rcv->GetReplyString().c_str()));
    m_Mask->setFocus();
    return false;
  }
  bool ok = false;
  const double interval = m_Interval->text().toDouble(&ok);
  if (!ok || interval <= 0) {
    emit statusText("Invalid recording interval");
    return false;
  }
  CProfile().Write("Receiver", "RecIntFile", m_Interval->text().toStdString().c_str());
  const std::string name = m_Name->text().trimmed().toStdString();
  if (name.empty()) {
    emit statusText("A file name is empty!");
    return false;
  }
  if (m_Rcv->SendCommand(("print,/log/" + name + "&size").c_str())) {
    if (QMessageBox::question(
            this, "Attention",
            QString::fromLocal8Bit(
                ("The file\n" + name + "\nalready exists inside the receiver.\nDo you wish to overwrite it?")
                    .c_str()),
            QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) {
      emit statusText("File already exists");
      return false;
    }
    emit statusText(" Deleting old file...");
    if (!m_Rcv->SendCommand(("remove,\"/log/" + name + "\"").c_str())) {
      emit statusText(QString::fromLocal8Bit(m_Rcv->GetReplyString().c_str()));
      return false;
    }
  }
  emit statusText("Creating new file...");
  if (!m_Rcv->SendCommand(("create,\"/log/" + name + "\"").c_str())) {
    emit statusText(QString::fromLocal8Bit(m_Rcv->GetReplyString().c_str()));
    return false;
  }
  emit statusText("Starting data collection...");
  if (!m_Rcv->SendCommand(("em,/cur/log,/msg/def:{" + m_Interval->text().toStdString() + ",0}").c_str())) {
    emit statusText(QString::fromLocal8Bit(m_Rcv->GetReplyString().c_str()));
    return false;
  }
  return true;
}
