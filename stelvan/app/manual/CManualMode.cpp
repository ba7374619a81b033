#include "CManualMode.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QThread>
#include <QVBoxLayout>
#include <atomic>
#include <chrono>
#include <mutex>

#include "CReceiverSender.h"
#include "CScriptInterpreter.h"
#include "ScriptText.h"
#include "gridlink/CReceiver.h"
#include "session/CallbackRegistry.h"

namespace {
std::int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Bytes below 32 other than CR and LF, and bytes from `high` up, show as ".".
QString printable(const QByteArray& bytes, unsigned char high) {
  QString out;
  out.reserve(bytes.size());
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    out += (c < 32 && c != '\r' && c != '\n') || c >= high ? QChar('.') : QChar(c);
  }
  return out;
}
}  // namespace

CManualMode::CManualMode(CReceiver* receiver, QWidget* parent)
    : QDialog(parent), receiver_(receiver), sender_(std::make_unique<CReceiverSender>(receiver)) {
  interpreter_ = std::make_unique<CScriptInterpreter>(*sender_, *this);
  setWindowTitle("Manual Mode");
  setObjectName("ManualMode");
  replies_ = new QPlainTextEdit;
  replies_->setObjectName("replies");
  replies_->setReadOnly(true);
  QFont font("Courier");
  font.setStyleHint(QFont::TypeWriter);
  font.setPointSizeF(QFontDatabase::systemFont(QFontDatabase::TitleFont).pointSizeF());
  replies_->setFont(font);
  scroll_ = new QCheckBox;
  scroll_->setObjectName("scroll");
  scroll_->setChecked(true);
  command_ = new QComboBox;
  command_->setObjectName("command");
  command_->setEditable(true);
  command_->setInsertPolicy(QComboBox::NoInsert);
  status_ = new QLabel;
  status_->setObjectName("status");
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);
  status_->setTextFormat(Qt::PlainText);
  send_ = new QPushButton("Send command");
  send_->setDefault(true);
  clear_ = new QPushButton("Clear");
  load_ = new QPushButton("Load script");
  log_ = new QPushButton("Start log");
  edit_ = new QPushButton("Edit script");
  stopMsg_ = new QPushButton("Stop MSG");
  disconnectButton_ = new QPushButton("Disconnect");
  exit_ = new QPushButton("Exit");
  const char* names[] = {"send", "clear", "load", "log", "edit", "stopmsg", "disconnect", "exit"};
  QPushButton* buttons[] = {send_, clear_, load_, log_, edit_, stopMsg_, disconnectButton_, exit_};
  auto* grid = new QGridLayout;
  for (int i = 0; i < 8; ++i) {
    buttons[i]->setObjectName(names[i]);
    buttons[i]->setAutoDefault(false);
    grid->addWidget(buttons[i], i / 4, i % 4);
  }
  send_->setDefault(true);
  auto* top = new QHBoxLayout;
  top->addWidget(replies_, 1);
  top->addWidget(scroll_, 0, Qt::AlignTop);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addWidget(command_);
  layout->addLayout(grid);
  layout->addWidget(status_);

  connect(scroll_, &QCheckBox::toggled, this, [this](bool on) {
    replies_->setLineWrapMode(on ? QPlainTextEdit::NoWrap : QPlainTextEdit::WidgetWidth);
  });
  replies_->setLineWrapMode(QPlainTextEdit::NoWrap);
  connect(send_, &QPushButton::clicked, this, [this] { sendCommand(command_->currentText()); });
  connect(clear_, &QPushButton::clicked, this, [this] {
    replies_->clear();
    status_->clear();
  });
  connect(load_, &QPushButton::clicked, this, &CManualMode::onLoad);
  connect(log_, &QPushButton::clicked, this, &CManualMode::onLog);
  connect(edit_, &QPushButton::clicked, this, &CManualMode::onEdit);
  connect(stopMsg_, &QPushButton::clicked, this, [this] {
    std::string reply;
    sender_->SendCommand("dm", 0, reply);
  });
  connect(disconnectButton_, &QPushButton::clicked, this, [this] { leave(true); });
  connect(exit_, &QPushButton::clicked, this, &CManualMode::requestLeave);
  connect(replies_, &QPlainTextEdit::textChanged, this, [this] {
    if (editing_) editorChanged_ = true;
  });

  status_->setText(receiver_ ? QString::fromStdString(receiver_->GetReceiverName()) : QString());
  readSettings();
  // The receiver's output reaches this window until detachOutput (Gridlink's reading thread).
  output_ = session::CallbackRegistry::instance().commandOutput.add(
      0, [this](const char* data, int length) { outputArrived(data, length); });
  registerOutput();
}

CManualMode::~CManualMode() {
  detachOutput();
  stopLog();
}

void CManualMode::detachOutput() {
  output_.reset();
}

void CManualMode::outputArrived(const char* data, int length) {
  lastOutputMs_ = nowMs();
  const QByteArray bytes(data, length);
  QMetaObject::invokeMethod(
      this, [this, bytes] { appendOutput(bytes); }, Qt::QueuedConnection);
}

void CManualMode::waitForQuiet() {
  // Typed commands return before their replies arrive; a script matches every reply to its
  // command, so the replies still on their way must come in first.
  constexpr std::int64_t kQuietMs = 200, kMaxMs = 1500;
  const std::int64_t start = nowMs();
  while (nowMs() - start < kMaxMs && nowMs() - std::max(start, lastOutputMs_.load()) < kQuietMs) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
}

void CManualMode::registerOutput() {
  std::string reply;
  sender_->SendCommand("", 0, reply, &session::CallbackRegistry::OnCommandOutput);
}

void CManualMode::writeLog(const QByteArray& bytes) {
  if (logFile_) std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), logFile_);
}

void CManualMode::appendOutput(const QByteArray& raw) {
  if (closing_ || editing_ || !replies_->isEnabled()) return;
  // Replies to typed commands come in here too, each on a line of its own.
  const bool lineOpen = !replies_->document()->lastBlock().text().isEmpty();
  const QByteArray separated = QByteArray::fromStdString(replySeparator_.separate(
      std::string_view(raw.constData(), static_cast<std::size_t>(raw.size())), lineOpen));
  QByteArray lines;
  for (int i = 0; i < separated.size(); ++i) {
    if (separated[i] == '\n' && (i == 0 || separated[i - 1] != '\r')) lines += '\r';
    lines += separated[i];
  }
  // The log gets what the window shows, line by line, not the bytes as they came.
  writeLog(lines);
  QString text = printable(lines, 128);
  text.remove('\r');
  replies_->moveCursor(QTextCursor::End);
  replies_->insertPlainText(text);
  while (replies_->document()->blockCount() > replyLines_) {
    QTextCursor c(replies_->document()->firstBlock());
    c.select(QTextCursor::BlockUnderCursor);
    c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    c.removeSelectedText();
  }
  replies_->verticalScrollBar()->setValue(replies_->verticalScrollBar()->maximum());
}

void CManualMode::appendLine(const std::string& text) {
  QByteArray bytes = QByteArray::fromStdString(text);
  if (!bytes.endsWith('\n')) bytes += "\r\n";
  if (!bytes.startsWith('>')) writeLog(bytes);
  QString line = printable(bytes, 127);
  line.remove('\r');
  if (line.endsWith('\n')) line.chop(1);
  if (replies_->document()->blockCount() >= replyLines_) {
    QTextCursor c(replies_->document()->firstBlock());
    c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    c.removeSelectedText();
  }
  replies_->appendPlainText(line);
  replies_->verticalScrollBar()->setValue(replies_->verticalScrollBar()->maximum());
}

void CManualMode::clearReplies() {
  replies_->clear();
}

void CManualMode::showStatus(const std::string& text) {
  status_->setText(QString::fromStdString(text));
}

void CManualMode::showProgress(const std::string& text) {
  status_->setText(QString::fromStdString(text));
}

void CManualMode::pump() {
  QCoreApplication::processEvents();
}

void CManualMode::scriptRunning(bool running) {
  scriptRunning_ = running;
  setScriptMode(running);
  if (!running && leaveAfterScript_)
    QMetaObject::invokeMethod(this, [this] { leave(false); }, Qt::QueuedConnection);
}

void CManualMode::setScriptMode(bool running) {
  for (QWidget* w : std::initializer_list<QWidget*>{command_, send_, clear_, log_, edit_, stopMsg_,
                                                    disconnectButton_, exit_, scroll_})
    w->setEnabled(!running);
  load_->setText(running ? "Stop script" : "Load script");
}

QString CManualMode::repliesText() const {
  return replies_->toPlainText();
}

QString CManualMode::statusText() const {
  return status_->text();
}

void CManualMode::sendCommand(const QString& typed) {
  const QString text = typed.trimmed();
  if (text.isEmpty()) return;
  if (const int at = command_->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive); at >= 0)
    command_->removeItem(at);
  command_->insertItem(0, text);
  command_->setCurrentIndex(0);
  while (command_->count() > commands_) command_->removeItem(command_->count() - 1);
  if (text.startsWith('@')) {
    waitForQuiet();
    interpreter_->setScriptDir(scriptDir_.toStdString());
    interpreter_->run(text.mid(1).toStdString(), 0);
    registerOutput();
    return;
  }
  std::string reply;
  replySeparator_.expectReply();
  sender_->SendCommand(text.toStdString(), 0, reply, &session::CallbackRegistry::OnCommandOutput);
  if (reply != "RE000") {  // the reply came back itself, not as output
    replySeparator_.replyTaken();
    appendLine(reply);
  }
}
