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
  return nullptr;
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
  // The ports udev finds, plus the row's own (a pseudo-terminal or a port not plugged in).
  m_Port->setEditable(true);
  m_Port->setInsertPolicy(QComboBox::NoInsert);
  for (const Platform::SerialPortInfo& port : Platform::ListSerialPorts()) {
    m_Port->addItem(QString::fromStdString(port.devicePath));
    m_Port->setItemData(m_Port->count() - 1, QString::fromStdString(port.description), Qt::ToolTipRole);
  }
  const QString current = QString::fromStdString(row.port);
  if (m_Port->findText(current) < 0) m_Port->insertItem(0, current);
  m_Port->setCurrentText(current);
  m_Port->setSizeAdjustPolicy(QComboBox::AdjustToContents);

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
      m_Password(lineEdit("edtPassword", row.password, this)) {
  setObjectName(QStringLiteral("tcpEditor"));
  QHBoxLayout* layout = tightRow(this);
  layout->addWidget(m_Host, 3);
  layout->addWidget(m_Port, 1);
  layout->addWidget(m_Password, 2);
}

std::optional<std::string> TcpRowEditor::Commit() {
  const std::string host = m_Host->text().trimmed().toStdString();
  if (!IsValidIPv4(host)) {
    ShowErrorBox(this, QStringLiteral("Invalid IP address."));
    m_Host->setFocus();
    return std::nullopt;
  }
  return FormatTcpRow({host, m_Port->text().trimmed().toStdString(), m_Password->text().toStdString()});
}

void TcpRowEditor::FocusFirst() {
  m_Host->setFocus();
}

}  // namespace Kestrel
