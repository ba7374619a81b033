#include "dialogs/CAddGsmRcvDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "dialogs/DialogButtons.h"
#include "dialogs/ErrorBox.h"
#include "dialogs/RowEditors.h"
#include "list/ReceiverRow.h"

namespace Kestrel {

CAddGsmRcvDlg::CAddGsmRcvDlg(QWidget* parent)
    : QDialog(parent),
      m_Port(new QComboBox(this)),
      m_Number(new QLineEdit(this)),
      m_Pin(new QLineEdit(QStringLiteral("0"), this)),
      m_Rate(new QComboBox(this)) {
  setObjectName(QStringLiteral("dlgAddGsm"));
  setWindowTitle(QStringLiteral("Add GSM Receiver"));
  m_Port->setObjectName(QStringLiteral("cmbModemPort"));
  m_Number->setObjectName(QStringLiteral("edtNumber"));
  m_Pin->setObjectName(QStringLiteral("edtPin"));
  m_Rate->setObjectName(QStringLiteral("cmbModemRate"));
  FillPortBox(m_Port, "");
  m_Number->setMinimumWidth(160);
  m_Pin->setToolTip(QStringLiteral("The SIM's PIN, 0 for none; sent only when the SIM asks for it"));
  for (int rate : ComRates()) m_Rate->addItem(QString::number(rate));
  m_Rate->setCurrentText(QStringLiteral("115200"));

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Modem port:"), m_Port);
  form->addRow(QStringLiteral("Telephone number:"), m_Number);
  form->addRow(QStringLiteral("SIM PIN:"), m_Pin);
  form->addRow(QStringLiteral("Modem line speed:"), m_Rate);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(AddOkCancel(this));
}

std::string CAddGsmRcvDlg::ReceiverString() const {
  const std::string pin = m_Pin->text().trimmed().toStdString();
  return FormatGsmRow({m_Port->currentText().trimmed().toStdString(),
                       m_Number->text().trimmed().toStdString(), pin.empty() ? "0" : pin,
                       m_Rate->currentText().toInt()});
}

void CAddGsmRcvDlg::accept() {
  if (m_Port->currentText().trimmed().isEmpty()) {
    ShowErrorBox(this, QStringLiteral("Choose the modem's serial port."));
    m_Port->setFocus();
    return;
  }
  const QString number = m_Number->text().trimmed();
  if (number.isEmpty() || number.contains(QLatin1Char(':')) || number.contains(QLatin1Char(' '))) {
    ShowErrorBox(this, QStringLiteral("Invalid telephone number."));
    m_Number->setFocus();
    return;
  }
  QDialog::accept();
}

}  // namespace Kestrel
