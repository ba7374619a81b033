#include "messages/CMessage.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cstdio>

#include <atomic>

#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"
#include "messages/CSelectFileDlg.h"
#include "messages/MessageText.h"
#include "session/CallbackRegistry.h"

namespace {

constexpr int kInlineLimit = 1025;  // shorter messages come back in the reply itself
enum Column { kName, kData, kSize, kFrom, kSubject };

QString fromLocal(const char* s) {
  return QString::fromLocal8Bit(s);
}

}  // namespace

CMessage::CMessage(CConnection* conn, QWidget* parent) : QDialog(parent), m_Conn(conn) {
  setObjectName("CMessage");
  setWindowTitle("Message");
  setModal(false);
  setAttribute(Qt::WA_DeleteOnClose);

  m_ToUser = new QComboBox;
  m_ToUser->setObjectName("toUser");
  m_Subject = new QLineEdit;
  m_Subject->setObjectName("subject");
  m_Message = new QPlainTextEdit;
  m_Message->setObjectName("message");
  m_Message->setMaximumHeight(fontMetrics().lineSpacing() * 5);
  m_Path = new QLineEdit;
  m_Path->setObjectName("pathFile");
  const auto button = [this](const char* text, const char* name) {
    auto* b = new QPushButton(text);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
  };
  m_Send = button("Send", "send");
  m_GetList = button("Get list", "getList");
  m_Get = button("Get", "get");
  m_Delete = button("Delete", "delete");
  m_Browse = button("...", "browse");
  m_Browse->setMaximumWidth(m_Browse->fontMetrics().horizontalAdvance("....") * 3);
  m_Cancel = button("Cancel", "cancel");

  m_List = new QTreeWidget;
  m_List->setObjectName("list");
  m_List->setRootIsDecorated(false);
  m_List->setSelectionMode(QAbstractItemView::ExtendedSelection);
  m_List->setHeaderLabels({"Name", "Data", "Size", "From User", "Subject"});
  const double widest = fontMetrics().maxWidth();
  const double widths[] = {3.7, 5.8, 3, 4.2, 4.3};
  for (int c = 0; c < 5; ++c) m_List->setColumnWidth(c, static_cast<int>(widths[c] * widest));

  m_Progress = new QProgressBar;
  m_Progress->setObjectName("progress");
  m_Progress->setRange(0, 100);
  m_Progress->hide();
  m_Status = new QLabel;
  m_Status->setObjectName("status");
  m_Status->setMinimumWidth(fontMetrics().averageCharWidth() * 40);

  auto* fields = new QFormLayout;
  fields->addRow("To User :", m_ToUser);
  fields->addRow("Subject :", m_Subject);
  fields->addRow("Message :", m_Message);
  auto* path = new QHBoxLayout;
  path->addWidget(m_Path, 1);
  path->addWidget(m_Browse);
  fields->addRow("Path/File:", path);

  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {m_Send, m_GetList, m_Get, m_Delete}) buttons->addWidget(b);
  buttons->addStretch(1);

  auto* top = new QHBoxLayout;
  top->addLayout(fields, 1);
  top->addLayout(buttons);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_Status, 1);
  bottom->addWidget(m_Progress);
  bottom->addWidget(m_Cancel);
  auto* all = new QVBoxLayout(this);
  all->addLayout(top);
  all->addWidget(m_List, 1);
  all->addLayout(bottom);

  connect(m_Send, &QPushButton::clicked, this, &CMessage::send);
  connect(m_GetList, &QPushButton::clicked, this, &CMessage::getList);
  connect(m_Get, &QPushButton::clicked, this, &CMessage::get);
  connect(m_Delete, &QPushButton::clicked, this, &CMessage::remove);
  connect(m_Browse, &QPushButton::clicked, this, &CMessage::browse);
  connect(m_Cancel, &QPushButton::clicked, this, &CMessage::cancel);

  int listWidth = 0;
  for (int c = 0; c < 5; ++c) listWidth += m_List->columnWidth(c);
  resize(listWidth + 40, sizeHint().height() + fontMetrics().lineSpacing() * 6);
  if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());

  loadUsers();
  getList();
}

CMessage::~CMessage() {
}

QString CMessage::statusText() const {
  return m_Status->text();
}

void CMessage::setStatus(const QString& text) {
  m_Status->setText(text);
}

void CMessage::showConnectionText() {
  setStatus(fromLocal(m_Conn->GetReplyString().c_str()));
}

void CMessage::loadUsers() {
  if (!m_Conn->GetUsrList()) {
    showConnectionText();
    return;
  }
  for (const std::string& user : Messages::recipients(m_Conn->GetReplyString()))
    m_ToUser->addItem(fromLocal(user.c_str()));
  if (m_ToUser->count() > 0) m_ToUser->setCurrentIndex(0);
}

void CMessage::getList() {
  m_List->clear();
  int count = 0;
  REMOTE_MSG* list = m_Conn->GetMsgList(count);
  if (!list) {
    setStatus(QString());
    return;
  }
  for (int i = 0; i < count; ++i) {
    auto* row = new QTreeWidgetItem(m_List);
    row->setText(kName, fromLocal(list[i].name));
    row->setText(kData, fromLocal(list[i].dateTime));
    row->setText(kSize, fromLocal(list[i].size));
    row->setText(kFrom, fromLocal(list[i].fromUser));
    row->setText(kSubject, fromLocal(list[i].subject));
  }
  delete[] list;
  // Names are the server's: widen the column rather than clip them.
  const int width = m_List->columnWidth(kName);
  m_List->resizeColumnToContents(kName);
  if (m_List->columnWidth(kName) < width) m_List->setColumnWidth(kName, width);
}

void CMessage::setSending(bool sending) {
  m_Sending = sending;
  for (QPushButton* b : {m_Send, m_GetList, m_Get, m_Delete, m_Browse}) b->setEnabled(!sending);
  m_Cancel->setText(sending ? "Stop" : "Cancel");
  m_Progress->setVisible(sending);
  if (sending) m_Progress->setValue(0);
}

bool CMessage::onProgress(std::uint32_t done, std::uint32_t total) {
  const int percent = Messages::percentDone(done, total);
  m_Progress->setValue(percent);
  setStatus(QString("%1%").arg(percent));
  QCoreApplication::processEvents();  // "Stop" must be clickable between blocks
  return m_GoOn;
}

void CMessage::send() {
  const QString to = m_ToUser->currentText().trimmed(), subject = m_Subject->text().trimmed();
  if (to.isEmpty() || subject.isEmpty()) return setStatus("Is void field!");
  const QByteArray toBytes = to.toLocal8Bit(), subjectBytes = subject.toLocal8Bit();
  if (m_Path->text().trimmed().isEmpty()) {
    const QByteArray text = m_Message->toPlainText().toLocal8Bit();
    if (text.isEmpty()) return setStatus("Is void field!");
    if (!m_Conn->SetMsg(toBytes.constData(), subjectBytes.constData(), text.constData()))
      return showConnectionText();
    setStatus(fromLocal(m_Conn->GetReplyString().c_str()));
    return;
  }
  const QByteArray file = m_Path->text().trimmed().toLocal8Bit();
  setSending(true);
  setStatus("Set Msg. to server");
  m_GoOn = true;
  // The upload's param value finds this window again in the progress callback.
  static std::atomic<std::uint32_t> nextUpload{1};
  const std::uint32_t upload = nextUpload++;
  const auto route = session::CallbackRegistry::instance().uploadProgress.add(
      upload, [this](std::uint32_t done, std::uint32_t total) { return onProgress(done, total); });
  const int sent = m_Conn->SetMsg(toBytes.constData(), subjectBytes.constData(), file.constData(),
                                  &session::CallbackRegistry::OnUploadProgress, upload);
  setSending(false);
  showConnectionText();
  (void)sent;
}

void CMessage::get() {
  const QList<QTreeWidgetItem*> chosen = m_List->selectedItems();
  if (chosen.isEmpty()) return setStatus("Select message to read");
  QTreeWidgetItem* row = chosen.front();
  int size = 0;
  std::sscanf(row->text(kSize).toLocal8Bit().constData(), "%d", &size);
  m_Expected = size;
  m_Received = 0;
  m_Progress->setValue(0);
  const QByteArray name = row->text(kName).toLocal8Bit();
  int ok;
  if (size < kInlineLimit) {
    ok = m_Conn->GetMsg(name.constData(), nullptr);
  } else {
    QString folder = m_Path->text().trimmed();
    if (folder.isEmpty()) folder = folderSetting();
    const QByteArray path = QDir(folder).filePath(row->text(kName)).toLocal8Bit();
    m_Progress->show();
    ok = m_Conn->GetMsg(name.constData(), path.constData());
    m_Progress->hide();
  }
  if (!ok) return showConnectionText();
  const Messages::FetchedText f = Messages::fetchedText(m_Conn->GetReplyString());
  m_Subject->setText(fromLocal(f.subject.c_str()));
  m_Message->setPlainText(fromLocal(f.text.c_str()));
  setStatus(fromLocal(m_Conn->GetReplyString().substr(0, m_Conn->GetReplyString().find(' ')).c_str()));
}

void CMessage::remove() {
  const QList<QTreeWidgetItem*> chosen = m_List->selectedItems();
  if (chosen.isEmpty()) return setStatus("Select message to delete");
  for (QTreeWidgetItem* row : chosen)
    if (!m_Conn->DeleteMsg(row->text(kName).toLocal8Bit().constData())) showConnectionText();
  getList();
}

QString CMessage::folderSetting() const {
  CProfile profile;
  return fromLocal(
      profile.Read("FileMSG", "CurFile", QCoreApplication::applicationDirPath().toLocal8Bit().constData()));
}

void CMessage::browse() {
  CSelectFileDlg picker(folderSetting(), this);
  if (picker.exec() != QDialog::Accepted || picker.folder().isEmpty()) return;
  m_Path->setText(picker.folder());
  CProfile profile;
  profile.Write("FileMSG", "CurFile", picker.folder().toLocal8Bit().constData());
}

void CMessage::cancel() {
  if (m_Sending) {
    m_GoOn = false;  // the next block is the last
    setStatus("Aborted by user!");
    return;
  }
  close();
}

void CMessage::progressNotice(const QString& text) {
  if (text.startsWith("RE") || text.startsWith("ER")) {
    m_Progress->hide();
    setStatus(text);
  } else if (text.startsWith("IN")) {
    // "IN:BL=nnnn LN=nnnn": LN is the block's byte count.
    const int ln = text.indexOf("LN=");
    if (ln >= 0) m_Received += text.mid(ln + 3, 4).trimmed().toInt();
    const int percent = Messages::percentDone(m_Received, m_Expected);
    m_Progress->setValue(percent);
    setStatus(QString("%1%").arg(percent));
  }
}

void CMessage::newMessageNotice() {
  getList();
  setStatus("You have new message!!!");
}
