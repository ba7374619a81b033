#include "files/CFormat.h"

#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "files/FileSystemReport.h"
#include "gridlink/CReceiver.h"

namespace {
constexpr int kPollMs = 500;
}

CFormat::CFormat(CReceiver* rcv, QWidget* parent) : QDialog(parent), m_Rcv(rcv) {
  setObjectName("CFormat");
  setWindowTitle("Initislizing Receiver File System");
  m_Progress = new QLabel(this);
  m_Progress->setObjectName("progressText");
  m_Bar = new QProgressBar(this);
  m_Bar->setRange(0, 100);
  m_Status = new QLabel(this);
  m_Status->setObjectName("status");
  m_Report = new QPlainTextEdit(this);
  m_Report->setObjectName("report");
  m_Report->setReadOnly(true);
  m_Save = new QPushButton("Save to file", this);
  m_Save->setEnabled(false);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_Progress);
  layout->addWidget(m_Bar);
  layout->addWidget(m_Status);
  layout->addWidget(m_Report);
  layout->addWidget(m_Save, 0, Qt::AlignRight);
  resize(460, 420);
  m_Timer = new QTimer(this);
  m_Timer->setInterval(kPollMs);
  connect(m_Timer, &QTimer::timeout, this, &CFormat::poll);
  connect(m_Save, &QPushButton::clicked, this, &CFormat::saveReport);
}

QString CFormat::Report() const {
  return m_Report->toPlainText();
}

QString CFormat::StatusText() const {
  return m_Status->text();
}

void CFormat::Start() {
  if (!m_Rcv->SendCommand("%%init,/dev/blk/a")) {
    m_Status->setText(QString::fromLocal8Bit(m_Rcv->GetReplyString().c_str()));
    return;
  }
  m_Timer->start();
}

void CFormat::poll() {
  if (!m_Rcv->SendCommand("print,stat/fsinit")) {
    m_Status->setText(QString::fromLocal8Bit(m_Rcv->GetReplyString().c_str()));
    m_Timer->stop();
    return;
  }
  int total = 0, done = 0;
  if (!Files::ParseFsInit(m_Rcv->GetReplyString(), total, done)) return;
  m_Progress->setText(QString::asprintf("%d of %d", done, total));
  m_Bar->setValue(total > 0 ? 100 - (total - done) * 100 / total : 100);
  if (total - done <= 0) finish();
}

void CFormat::finish() {
  m_Timer->stop();
  m_Status->setText("Ready!");
  std::vector<std::optional<std::string>> answers;
  for (const std::string& q : Files::FileSystemQueries()) {
    if (m_Rcv->SendCommand(q.c_str())) {
      const std::string reply = m_Rcv->GetReplyString();
      answers.emplace_back(reply.size() > 5 ? reply.substr(5) : std::string());
    } else {
      answers.emplace_back(std::nullopt);
    }
  }
  m_ReportText = Files::FileSystemReport(answers);
  m_Report->setPlainText(QString::fromLocal8Bit(m_ReportText.c_str()));
  m_Save->setEnabled(true);
}

void CFormat::reject() {
  if (m_Timer->isActive()) finish();  // a cancel still shows what the file system holds
  QDialog::reject();
}

void CFormat::saveReport() {
  const QString path = QFileDialog::getSaveFileName(this, QString(), QString(), "Text files(*.txt)");
  if (path.isEmpty()) return;
  QFile file(path);
  if (file.open(QIODevice::WriteOnly))
    file.write(m_ReportText.data(), static_cast<qint64>(m_ReportText.size()));
}
