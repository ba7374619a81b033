#include "dialogs/CServerPropertiesDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/DialogButtons.h"

namespace Kestrel {

CServerPropertiesDlg::CServerPropertiesDlg(const ServerEntry& entry, QWidget* parent)
    : QDialog(parent),
      m_Host(new QLineEdit(QString::fromStdString(entry.server), this)),
      m_User(new QLineEdit(QString::fromStdString(entry.user), this)),
      m_Password(new QLineEdit(QString::fromStdString(entry.password), this)),
      m_Tls(new QCheckBox(QStringLiteral("TLS (encrypted; the server must offer it)"), this)) {
  setObjectName(QStringLiteral("dlg130"));
  setWindowTitle(QStringLiteral("Server Properties"));
  m_Host->setObjectName(QStringLiteral("ctl1007"));
  m_User->setObjectName(QStringLiteral("ctl1000"));
  m_Password->setObjectName(QStringLiteral("ctl1001"));
  m_Password->setEchoMode(QLineEdit::Password);
  m_Tls->setObjectName(QStringLiteral("ctlTls"));
  m_Tls->setChecked(entry.tls);
  m_Host->setMinimumWidth(220);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Host name or IP address"), m_Host);
  form->addRow(QStringLiteral("User name (login)"), m_User);
  form->addRow(QStringLiteral("Password"), m_Password);
  form->addRow(QString(), m_Tls);
  QDialogButtonBox* buttons = AddOkCancel(this);
  m_Ok = buttons->button(QDialogButtonBox::Ok);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);

  auto updateOk = [this] { m_Ok->setEnabled(!m_Host->text().trimmed().isEmpty()); };
  connect(m_Host, &QLineEdit::textChanged, this, updateOk);
  updateOk();
}

ServerEntry CServerPropertiesDlg::Entry() const {
  return {m_Host->text().trimmed().toStdString(), m_User->text().trimmed().toStdString(),
          m_Password->text().trimmed().toStdString(), m_Tls->isChecked()};
}

}  // namespace Kestrel
