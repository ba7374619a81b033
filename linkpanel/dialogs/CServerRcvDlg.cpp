#include "dialogs/CServerRcvDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/CAddGsmRcvDlg.h"
#include "dialogs/CAddIPRcvDlg.h"
#include "dialogs/DialogButtons.h"
#include "dialogs/ErrorBox.h"
#include "dialogs/PortWatcher.h"
#include "dialogs/ReceiverListView.h"
#include "dialogs/ServerPanel.h"
#include "gridlink/CConnection.h"
#include "gridlink/CProfile.h"

namespace Kestrel {
namespace {

void releaseProfile(CProfile* profile) {
  if (profile) profile->Release();
}

// While the local server answers on this thread, the program's pump hook may dispatch events;
// the user's clicks and keys must wait, or a second request would start inside the first.
class UserInputHold : public QObject {
 public:
  UserInputHold() { qApp->installEventFilter(this); }
  ~UserInputHold() override { qApp->removeEventFilter(this); }
  bool eventFilter(QObject*, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Shortcut:
      case QEvent::Wheel:
      case QEvent::Close:
        return true;
      default:
        return false;
    }
  }
};

bool readManualModeOnly() {
  return CConnection::getProfile().Read("ManualMode", "ManModeOnly", 0) != 0;
}

}  // namespace

CServerRcvDlg::CServerRcvDlg(const CONNECTION_INFO& info, QWidget* parent)
    : QDialog(parent),
      m_Info(info),
      m_Settings(CProfile::Instance(kDialogSettingsKey), releaseProfile),
      m_Servers(new ServerPanel(true, this)),
      m_GetList(new QPushButton(QStringLiteral("&2 - Get list of receivers from Server-GPS"), this)),
      m_Receivers(new ReceiverListView(this)),
      m_ManualOnly(new QCheckBox(QStringLiteral("Manual mode only"), this)) {
  setObjectName(QStringLiteral("dlg102"));
  setWindowTitle(QStringLiteral("Select Server and Receivers"));
  m_GetList->setObjectName(QStringLiteral("ctl1002"));
  m_GetList->setAutoDefault(false);
  m_ManualOnly->setObjectName(QStringLiteral("ctl2002"));

  auto* selectLabel = new QLabel(QStringLiteral("&1 - Select Server"), this);
  selectLabel->setBuddy(m_Servers->List());
  auto* receiversLabel = new QLabel(QStringLiteral(" &3 - Select Receivers or press OK to connect"), this);
  receiversLabel->setBuddy(m_Receivers);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(m_ManualOnly);
  bottom->addStretch(1);
  bottom->addWidget(AddOkCancel(this));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(selectLabel);
  layout->addWidget(m_Servers);
  layout->addSpacing(6);
  layout->addWidget(m_GetList);
  layout->addSpacing(6);
  layout->addWidget(receiversLabel);
  layout->addWidget(m_Receivers, 1);
  layout->addLayout(bottom);
  resize(480, 400);

  m_ManualOnly->setChecked(readManualModeOnly());
  connect(m_ManualOnly, &QCheckBox::toggled, this,
          [](bool on) { CConnection::getProfile().Write("ManualMode", "ManModeOnly", on ? 1 : 0); });
  connect(m_GetList, &QPushButton::clicked, this, [this] { getReceiverList(); });
  m_Servers->onServerChanged = [this] { serverChanged(); };
  m_Servers->onAddIpReceiver = [this] { addIpReceiver(); };
  m_Servers->onAddGsmReceiver = [this] { addGsmReceiver(); };

  // Receivers plugged in or pulled out while the dialog is open.
  new PortWatcher(
      [this](const std::string& row) { m_Receivers->AddPortRow(row); },
      [this](const std::string& node, const std::string& byId) { m_Receivers->RemovePortRows(node, byId); },
      this);
  m_Servers->Load(*m_Settings, m_Info.server);
  serverChanged();
}

CServerRcvDlg::~CServerRcvDlg() {
  // Before anything else goes: a worker still asking its server must not post to us.
  m_Fetch.reset();
}

void CServerRcvDlg::serverChanged() {
  const bool local = m_Servers->LocalSelected();
  m_Servers->UpdateButtons();
  m_ManualOnly->setVisible(local);
  m_Receivers->Reset(local);
  getReceiverList();
}

void CServerRcvDlg::getReceiverList() {
  if (!m_Receivers->CommitEdit()) return;
  m_Fetch.reset();
  ++m_FetchNumber;
  m_GetList->setEnabled(true);
  m_Receivers->unsetCursor();
  if (m_ManualOnly->isChecked() && !m_Servers->LocalSelected() && m_Servers->Select(kLocalServer)) {
    m_Servers->UpdateButtons();
    m_ManualOnly->setVisible(true);
  }
  m_Receivers->Reset(m_Servers->LocalSelected());
  const ServerEntry* entry = m_Servers->Selected();
  if (!entry) return;
  if (entry->IsLocal()) {
    RcvListResult result;
    {
      UserInputHold hold;
      result = FetchReceiverList(*entry);  // in-process, answers at once
    }
    showReceiverList(result);
    return;
  }
  m_GetList->setEnabled(false);
  m_Receivers->setCursor(Qt::BusyCursor);
  const unsigned number = m_FetchNumber;
  // Runs on the worker, while this dialog is alive (the destructor abandons the request first).
  m_Fetch = std::make_unique<ReceiverListFetch>(*entry, [this, number](RcvListResult result) {
    QMetaObject::invokeMethod(
        this,
        [this, number, result = std::move(result)] {
          if (number != m_FetchNumber) return;
          m_Fetch.reset();
          m_GetList->setEnabled(true);
          m_Receivers->unsetCursor();
          showReceiverList(result);
        },
        Qt::QueuedConnection);
  });
  if (!m_Fetch->Started()) {
    m_Fetch.reset();
    m_GetList->setEnabled(true);
    m_Receivers->unsetCursor();
    ShowErrorBox(this, QStringLiteral("ERDLL:TCPThread aborted!"));
  }
}

void CServerRcvDlg::showReceiverList(const RcvListResult& result) {
  if (!result.ok) {
    ShowErrorBox(this, QString::fromStdString(result.reply));
    return;
  }
  m_Receivers->AddRows(result.receivers);
  const std::string lastRcv = ReadLastRcv(*m_Settings);
  if (lastRcv.empty()) return;
  if (QTreeWidgetItem* row = m_Receivers->FindRow(lastRcv)) m_Receivers->ChooseRow(row);
}

void CServerRcvDlg::addIpReceiver() {
  CAddIPRcvDlg dlg(this);
  if (dlg.exec() == QDialog::Accepted) m_Receivers->AddRows({dlg.ReceiverString()});
}

void CServerRcvDlg::addGsmReceiver() {
  CAddGsmRcvDlg dlg(this);
  if (dlg.exec() == QDialog::Accepted) m_Receivers->AddRows({dlg.ReceiverString()});
}

void CServerRcvDlg::accept() {
  m_Info.receivers.clear();
  const ServerEntry* entry = m_Servers->Selected();
  if (!entry) return;
  QTreeWidgetItem* edited = m_Receivers->EditedRow();
  if (!m_Receivers->CommitEdit()) return;
  m_Info.server = entry->server;
  m_Info.user = entry->user;
  m_Info.password = entry->password;
  m_Info.manualModeOnly = m_ManualOnly->isChecked();
  m_Info.receivers = m_Receivers->ChosenReceivers(edited);
  QDialog::accept();
}

void CServerRcvDlg::done(int result) {
  m_Fetch.reset();
  ++m_FetchNumber;
  m_Servers->Save(*m_Settings);
  QDialog::done(result);
}

}  // namespace Kestrel
