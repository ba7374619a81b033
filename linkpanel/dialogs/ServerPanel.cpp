#include "dialogs/ServerPanel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QPushButton>

#include "dialogs/CServerPropertiesDlg.h"

namespace Kestrel {
namespace {

QPushButton* button(const char* text, const char* name, QWidget* parent) {
  auto* b = new QPushButton(QString::fromLatin1(text), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

bool before(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) < 0;
}

}  // namespace

ServerPanel::ServerPanel(bool offersIpReceiver, QWidget* parent)
    : QWidget(parent),
      m_OffersIpReceiver(offersIpReceiver),
      m_List(new QComboBox(this)),
      m_Add(button("Add Server...", "ctl1005", this)),
      m_Edit(button("Edit Server...", "ctl1003", this)),
      m_Delete(button("Delete Server", "ctl1017", this)),
      m_AddGsm(button("Add GSM RCV", "btnAddGsm", this)) {
  m_List->setObjectName(QStringLiteral("ctl1000"));
  m_List->setMinimumContentsLength(24);
  auto* layout = new QGridLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_List, 0, 0, 1, 3);
  layout->addWidget(m_Add, 1, 0);
  layout->addWidget(m_Edit, 1, 1);
  layout->addWidget(m_Delete, 1, 2);
  layout->addWidget(m_AddGsm, 1, 2);  // the local server has no "Delete Server" in that place

  // Only a choice by the user runs the server-changed step, never a selection made in code.
  connect(m_List, &QComboBox::activated, this, [this] {
    UpdateButtons();
    if (onServerChanged) onServerChanged();
  });
  connect(m_Add, &QPushButton::clicked, this, [this] { addServer(); });
  connect(m_Edit, &QPushButton::clicked, this, [this] {
    if (LocalSelected()) {
      if (m_OffersIpReceiver && onAddIpReceiver) onAddIpReceiver();
    } else {
      editServer();
    }
  });
  connect(m_Delete, &QPushButton::clicked, this, [this] { deleteServer(); });
  connect(m_AddGsm, &QPushButton::clicked, this, [this] {
    if (LocalSelected() && onAddGsmReceiver) onAddGsmReceiver();
  });
}

void ServerPanel::Load(CProfile& settings, const std::string& preferred) {
  m_Entries.clear();
  m_List->clear();
  for (const ServerEntry& entry : ReadServerList(settings)) insertSorted(entry);
  if (m_Entries.empty()) {
    m_List->setCurrentIndex(insertSorted({kLocalServer, "*", "*"}));
  } else {
    const std::string wanted = preferred.empty() ? ReadLastServer(settings) : preferred;
    if (!Select(wanted)) m_List->setCurrentIndex(-1);
  }
  UpdateButtons();
}

void ServerPanel::Save(CProfile& settings) const {
  WriteServerList(settings, m_Entries);
  const ServerEntry* selected = Selected();
  WriteLastServer(settings, selected ? selected->server : std::string());
}

const ServerEntry* ServerPanel::Selected() const {
  const int index = m_List->currentIndex();
  if (index < 0 || index >= static_cast<int>(m_Entries.size())) return nullptr;
  return &m_Entries[static_cast<std::size_t>(index)];
}

bool ServerPanel::LocalSelected() const {
  return m_List->currentText() == QLatin1String(kLocalServer);
}

bool ServerPanel::Select(const std::string& server) {
  const int index =
      m_List->findText(QString::fromStdString(server), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) return false;
  m_List->setCurrentIndex(index);
  return true;
}

void ServerPanel::UpdateButtons() {
  const bool local = LocalSelected();
  const bool any = Selected() != nullptr;
  m_Edit->setText(local && m_OffersIpReceiver ? QStringLiteral("Add IP RCV")
                                              : QStringLiteral("Edit Server..."));
  m_Edit->setEnabled(any && (!local || m_OffersIpReceiver));
  m_Delete->setVisible(!local);
  m_Delete->setEnabled(any);
  m_AddGsm->setVisible(local && m_OffersIpReceiver);
}

int ServerPanel::insertSorted(const ServerEntry& entry) {
  std::size_t at = 0;
  while (at < m_Entries.size() && !before(entry.server, m_Entries[at].server)) ++at;
  m_Entries.insert(m_Entries.begin() + static_cast<std::ptrdiff_t>(at), entry);
  m_List->insertItem(static_cast<int>(at), QString::fromStdString(entry.server));
  return static_cast<int>(at);
}

void ServerPanel::addServer() {
  CServerPropertiesDlg dlg(ServerEntry{}, this);
  if (dlg.exec() != QDialog::Accepted || dlg.Entry().server.empty()) return;
  m_List->setCurrentIndex(insertSorted(dlg.Entry()));
  UpdateButtons();
  if (onServerChanged) onServerChanged();
}

void ServerPanel::editServer() {
  const ServerEntry* selected = Selected();
  if (!selected) return;
  CServerPropertiesDlg dlg(*selected, this);
  if (dlg.exec() != QDialog::Accepted || dlg.Entry().server.empty()) return;
  const int index = m_List->currentIndex();
  m_Entries.erase(m_Entries.begin() + index);
  m_List->removeItem(index);
  m_List->setCurrentIndex(insertSorted(dlg.Entry()));
  UpdateButtons();
}

void ServerPanel::deleteServer() {
  const int index = m_List->currentIndex();
  if (index < 0 || LocalSelected()) return;
  m_Entries.erase(m_Entries.begin() + index);
  m_List->removeItem(index);
  m_List->setCurrentIndex(-1);
  UpdateButtons();
}

}  // namespace Kestrel
