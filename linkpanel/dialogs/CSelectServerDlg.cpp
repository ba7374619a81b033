#include "dialogs/CSelectServerDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

#include "dialogs/DialogButtons.h"
#include "dialogs/ServerPanel.h"
#include "gridlink/CProfile.h"

namespace Kestrel {

CSelectServerDlg::CSelectServerDlg(const CONNECTION_INFO& info, QWidget* parent)
    : QDialog(parent),
      m_Info(info),
      m_Settings(CProfile::Instance(kDialogSettingsKey), [](CProfile* p) { p->Release(); }),
      m_Servers(new ServerPanel(false, this)) {
  setObjectName(QStringLiteral("dlg131"));
  setWindowTitle(QStringLiteral("Select Server"));
  setMinimumWidth(360);
  auto* label = new QLabel(QStringLiteral("Select Server"), this);
  label->setBuddy(m_Servers->List());
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(m_Servers);
  layout->addStretch(1);
  layout->addWidget(AddOkCancel(this));
  m_Servers->Load(*m_Settings, m_Info.server);
}

void CSelectServerDlg::accept() {
  const ServerEntry* entry = m_Servers->Selected();
  if (!entry) return;
  m_Info.server = entry->server;
  m_Info.user = entry->user;
  m_Info.password = entry->password;
  QDialog::accept();
}

void CSelectServerDlg::done(int result) {
  m_Servers->Save(*m_Settings);
  QDialog::done(result);
}

}  // namespace Kestrel
