#include "site/CSiteDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "gridlink/CReceiver.h"

CSiteDialog::CSiteDialog(SiteSettings& site, CReceiver* receiver, QWidget* parent)
    : QDialog(parent), m_Site(site), m_Receiver(receiver) {
  setObjectName("dlgSite");
  setWindowTitle("Site Configuration");
  auto* form = new QFormLayout;
  m_Name = new QLineEdit(QString::fromStdString(site.name), this);
  m_Name->setObjectName("siteName");
  m_Status = new QComboBox(this);
  m_Status->setObjectName("antennaStatus");
  m_Status->addItems({"Fixed", "Moving"});
  m_Status->setCurrentIndex(site.status == 1 ? 1 : 0);
  m_Height = new QLineEdit(QString::fromStdString(site.antennaHeight), this);
  m_Height->setObjectName("antennaHeight");
  m_Slant = new QCheckBox("Slant", this);
  m_Slant->setObjectName("slant");
  m_Slant->setChecked(site.slant);
  m_Type = new QComboBox(this);
  m_Type->setObjectName("antennaType");
  for (const std::string& t : SiteRules::AntennaTypes()) m_Type->addItem(QString::fromStdString(t));
  m_Type->setCurrentIndex(
      std::max(0, m_Type->findText(QString::fromStdString(site.antennaType), Qt::MatchExactly)));
  form->addRow("Site Name", m_Name);
  form->addRow("Antenna Status", m_Status);
  form->addRow("Antenna Height (m)", m_Height);
  form->addRow("", m_Slant);
  form->addRow("Antenna Type", m_Type);

  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QDialogButtonBox::Ok)->setObjectName("ok");
  m_Send = buttons->addButton("Send to receiver", QDialogButtonBox::ActionRole);
  m_Send->setObjectName("sendToReceiver");
  m_Send->setEnabled(receiver != nullptr);
  buttons->addButton(QDialogButtonBox::Cancel)->setObjectName("cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &CSiteDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_Send, &QPushButton::clicked, this, &CSiteDialog::sendToReceiver);
  m_StatusLine = new QLabel(this);
  m_StatusLine->setObjectName("statusLine");

  auto* v = new QVBoxLayout(this);
  v->addLayout(form);
  v->addWidget(m_StatusLine);
  v->addWidget(buttons);
}

bool CSiteDialog::validate() {
  SiteSettings next = m_Site;
  const auto v = SiteRules::Validate(m_Name->text().toStdString(), m_Height->text().toStdString(), next);
  if (!v.error.empty()) {
    m_StatusLine->setText(QString::fromStdString(v.error));
    (v.field == SiteRules::Validation::Name ? m_Name : m_Height)->setFocus();
    return false;
  }
  next.status = m_Status->currentIndex();
  next.slant = m_Slant->isChecked();
  next.antennaType = m_Type->currentText().toStdString();
  m_Site = next;
  SiteRules::Save(m_Site);
  m_StatusLine->clear();
  return true;
}

void CSiteDialog::accept() {
  if (validate()) QDialog::accept();
}

void CSiteDialog::sendToReceiver() {
  if (!validate() || !m_Receiver) return;
  if (!m_Receiver->SendCommand(SiteRules::SiteEventScript(m_Site).c_str()))
    m_StatusLine->setText(QString::fromStdString(m_Receiver->GetReplyString()));
}

QString CSiteDialog::statusText() const {
  return m_StatusLine->text();
}
