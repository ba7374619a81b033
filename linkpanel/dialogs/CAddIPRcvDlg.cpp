#include "dialogs/CAddIPRcvDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/DialogButtons.h"
#include "dialogs/ErrorBox.h"
#include "list/ReceiverRow.h"

namespace Kestrel {

CAddIPRcvDlg::CAddIPRcvDlg(QWidget* parent)
    : QDialog(parent),
      m_Kind(new QComboBox(this)),
      m_Address(new QLineEdit(this)),
      m_Port(new QLineEdit(QStringLiteral("8002"), this)),
      m_Password(new QLineEdit(this)) {
  setObjectName(QStringLiteral("dlg2000"));
  setWindowTitle(QStringLiteral("Add IP Receiver"));
  m_Address->setObjectName(QStringLiteral("ctl2000"));
  m_Port->setObjectName(QStringLiteral("ctl2003"));
  m_Password->setObjectName(QStringLiteral("ctl2001"));
  m_Password->setEchoMode(QLineEdit::Password);
  m_Address->setMinimumWidth(160);
  m_Address->setPlaceholderText(QStringLiteral("address or host name"));
  m_Kind->setObjectName(QStringLiteral("cmbLink"));
  m_Kind->addItem(QStringLiteral("Network port (login)"));
  m_Kind->addItem(QStringLiteral("Wi-Fi port"));
  // The Wi-Fi port listens on 8000 unless set otherwise; the network port's preset stays.
  connect(m_Kind, &QComboBox::currentIndexChanged, this, [this](int wifi) {
    const QString wanted = wifi ? QStringLiteral("8000") : QStringLiteral("8002");
    const QString other = wifi ? QStringLiteral("8002") : QStringLiteral("8000");
    if (m_Port->text() == other) m_Port->setText(wanted);
  });

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Link:"), m_Kind);
  form->addRow(QStringLiteral("IP Address Receiver:"), m_Address);
  form->addRow(QStringLiteral("Port:"), m_Port);
  form->addRow(QStringLiteral("Password:"), m_Password);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(AddOkCancel(this));
}

std::string CAddIPRcvDlg::ReceiverString() const {
  return FormatTcpRow({m_Address->text().trimmed().toStdString(), m_Port->text().trimmed().toStdString(),
                       m_Password->text().toStdString(), m_Kind->currentIndex() == 1});
}

void CAddIPRcvDlg::accept() {
  if (!IsValidHost(m_Address->text().trimmed().toStdString())) {
    ShowErrorBox(this, QStringLiteral("Invalid IP address."));
    m_Address->setFocus();
    return;
  }
  if (!IsValidPort(m_Port->text().trimmed().toStdString())) {
    ShowErrorBox(this, QStringLiteral("Invalid port number."));
    m_Port->setFocus();
    return;
  }
  QDialog::accept();
}

}  // namespace Kestrel
