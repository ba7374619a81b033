#include "dialogs/RowEditors.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>

#include "dialogs/ErrorBox.h"
#include "gridlink/platform/SerialPortList.h"

namespace Kestrel {
namespace {

QHBoxLayout* tightRow(QWidget* owner) {
  auto* layout = new QHBoxLayout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  owner->setAutoFillBackground(true);  // the row's own text must not show through
  return layout;
}

QLineEdit* lineEdit(const char* name, const std::string& text, QWidget* parent) {
  auto* edit = new QLineEdit(QString::fromStdString(text), parent);
  edit->setObjectName(QString::fromLatin1(name));
  return edit;
}

}  // namespace

RowEditor* CreateRowEditor(const std::string& row, QWidget* parent) {
  if (auto com = ParseComRow(row)) return new ComRowEditor(*com, parent);
  if (auto tcp = ParseTcpRow(row)) return new TcpRowEditor(*tcp, parent);
  if (auto gsm = ParseGsmRow(row)) return new GsmRowEditor(*gsm, parent);
  return nullptr;
}

void FillPortBox(QComboBox* box, const std::string& current) {
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  for (const Platform::SerialPortInfo& port : Platform::ListSerialPorts()) {
    box->addItem(QString::fromStdString(port.PreferredPath()));
    box->setItemData(box->count() - 1, QString::fromStdString(port.description), Qt::ToolTipRole);
  }
  const QString text = QString::fromStdString(current);
  if (!text.isEmpty() && box->findText(text) < 0) box->insertItem(0, text);
  box->setCurrentText(text);
  box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
}

ComRowEditor::ComRowEditor(const ComRow& row, QWidget* parent)
    : RowEditor(parent),
      m_Port(new QComboBox(this)),
      m_Rate(new QComboBox(this)),
      m_RtsCts(new QCheckBox(QStringLiteral("RTS/CTS"), this)),
      m_OriginalPort(row.port) {
  setObjectName(QStringLiteral("comEditor"));
  m_Port->setObjectName(QStringLiteral("cmbPort"));
  m_Rate->setObjectName(QStringLiteral("cmbRate"));
  m_RtsCts->setObjectName(QStringLiteral("chkRtsCts"));
  FillPortBox(m_Port, row.port);

  for (int rate : ComRates()) m_Rate->addItem(QString::number(rate));
  const int rateIndex = m_Rate->findText(QString::number(row.rate));
  m_Rate->setCurrentIndex(rateIndex < 0 ? 0 : rateIndex);
  m_RtsCts->setChecked(row.rtsCts);

  QHBoxLayout* layout = tightRow(this);
  layout->addWidget(m_Port, 1);
  layout->addWidget(m_Rate);
  layout->addWidget(m_RtsCts);
}

std::optional<std::string> ComRowEditor::Commit() {
  std::string port = m_Port->currentText().trimmed().toStdString();
  if (port.empty()) port = m_OriginalPort;  // a cleared box keeps the row's port
  return FormatComRow({port, m_Rate->currentText().toInt(), m_RtsCts->isChecked()});
}

void ComRowEditor::FocusFirst() {
  m_Rate->setFocus();
}

TcpRowEditor::TcpRowEditor(const TcpRow& row, QWidget* parent)
    : RowEditor(parent),
      m_Host(lineEdit("edtHost", row.host, this)),
      m_Port(lineEdit("edtPort", row.port, this)),
      m_Password(lineEdit("edtPassword", row.password, this)),
      m_Wifi(row.wifi) {
  setObjectName(QStringLiteral("tcpEditor"));
  m_Host->setPlaceholderText(QStringLiteral("address or host name"));
  m_Password->setEchoMode(QLineEdit::PasswordEchoOnEdit);
  QHBoxLayout* layout = tightRow(this);
  layout->addWidget(m_Host, 3);
  layout->addWidget(m_Port, 1);
  layout->addWidget(m_Password, 2);
}

std::optional<std::string> TcpRowEditor::Commit() {
  const std::string host = m_Host->text().trimmed().toStdString();
  // A host name is taken as written; it is resolved when the receiver is opened.
  if (!IsValidHost(host)) {
    ShowErrorBox(this, QStringLiteral("Invalid IP address."));
    m_Host->setFocus();
    return std::nullopt;
  }
  const std::string port = m_Port->text().trimmed().toStdString();
  if (!IsValidPort(port)) {
    ShowErrorBox(this, QStringLiteral("Invalid port number."));
    m_Port->setFocus();
    return std::nullopt;
  }
  return FormatTcpRow({host, port, m_Password->text().toStdString(), m_Wifi});
}

void TcpRowEditor::FocusFirst() {
  m_Host->setFocus();
}

GsmRowEditor::GsmRowEditor(const GsmRow& row, QWidget* parent)
    : RowEditor(parent),
      m_Port(new QComboBox(this)),
      m_Number(lineEdit("edtNumber", row.number, this)),
      m_Pin(lineEdit("edtPin", row.pin, this)),
      m_Rate(new QComboBox(this)),
      m_OriginalPort(row.port) {
  setObjectName(QStringLiteral("gsmEditor"));
  m_Port->setObjectName(QStringLiteral("cmbModemPort"));
  m_Rate->setObjectName(QStringLiteral("cmbModemRate"));
  m_Pin->setToolTip(QStringLiteral("The SIM's PIN, 0 for none"));
  m_Pin->setEchoMode(QLineEdit::PasswordEchoOnEdit);
  FillPortBox(m_Port, row.port);
  for (int rate : ComRates()) m_Rate->addItem(QString::number(rate));
  const int rateIndex = m_Rate->findText(QString::number(row.rate > 0 ? row.rate : 115200));
  m_Rate->setCurrentIndex(rateIndex < 0 ? 0 : rateIndex);
  QHBoxLayout* layout = tightRow(this);
  layout->addWidget(m_Port, 2);
  layout->addWidget(m_Number, 2);
  layout->addWidget(m_Pin, 1);
  layout->addWidget(m_Rate);
}

std::optional<std::string> GsmRowEditor::Commit() {
  std::string port = m_Port->currentText().trimmed().toStdString();
  if (port.empty()) port = m_OriginalPort;
  const std::string number = m_Number->text().trimmed().toStdString();
  if (number.empty() || number.find_first_of(": ") != std::string::npos) {
    ShowErrorBox(this, QStringLiteral("Invalid telephone number."));
    m_Number->setFocus();
    return std::nullopt;
  }
  std::string pin = m_Pin->text().trimmed().toStdString();
  if (pin.empty()) pin = "0";
  return FormatGsmRow({port, number, pin, m_Rate->currentText().toInt()});
}

void GsmRowEditor::FocusFirst() {
  m_Number->setFocus();
}

}  // namespace Kestrel
