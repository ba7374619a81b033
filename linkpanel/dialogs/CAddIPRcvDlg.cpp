#include "dialogs/CAddIPRcvDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/DialogButtons.h"
#include "list/ReceiverRow.h"

namespace Kestrel {

CAddIPRcvDlg::CAddIPRcvDlg(QWidget* parent)
    : QDialog(parent),
      m_Address(new QLineEdit(this)),
      m_Port(new QLineEdit(QStringLiteral("8002"), this)),
      m_Password(new QLineEdit(this)) {
  setObjectName(QStringLiteral("dlg2000"));
  setWindowTitle(QStringLiteral("Add IP Receiver"));
  m_Address->setObjectName(QStringLiteral("ctl2000"));
  m_Port->setObjectName(QStringLiteral("ctl2003"));
  m_Password->setObjectName(QStringLiteral("ctl2001"));
  m_Address->setMinimumWidth(160);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("IP Address Receiver:"), m_Address);
  form->addRow(QStringLiteral("Port:"), m_Port);
  form->addRow(QStringLiteral("Password:"), m_Password);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(AddOkCancel(this));
}

std::string CAddIPRcvDlg::ReceiverString() const {
  return FormatTcpRow({m_Address->text().trimmed().toStdString(), m_Port->text().trimmed().toStdString(),
                       m_Password->text().toStdString()});
}

}  // namespace Kestrel
