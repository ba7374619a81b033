// The library's exported functions: the two dialogs and the stored server list.
#include "linkpanel/Linkpanel.h"

#include <QApplication>
#include <QThread>
#include <memory>

#include "dialogs/CSelectServerDlg.h"
#include "dialogs/CServerRcvDlg.h"
#include "gridlink/CProfile.h"
#include "list/ServerList.h"

namespace Kestrel {
namespace {

using SettingsPtr = std::unique_ptr<CProfile, void (*)(CProfile*)>;

SettingsPtr dialogSettings() {
  return SettingsPtr(CProfile::Instance(kDialogSettingsKey), [](CProfile* p) { p->Release(); });
}

// The dialogs need a running QApplication and its GUI thread.
bool guiAvailable() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr &&
         QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

bool GetServerAndRcvList(CONNECTION_INFO& info) {
  if (!guiAvailable()) return false;
  CServerRcvDlg dlg(info, QApplication::activeWindow());
  if (dlg.exec() != QDialog::Accepted) return false;
  info = dlg.Info();
  return true;
}

bool GetServer(CONNECTION_INFO& info) {
  if (!guiAvailable()) return false;
  CSelectServerDlg dlg(info, QApplication::activeWindow());
  if (dlg.exec() != QDialog::Accepted) return false;
  info = dlg.Info();
  return true;
}

bool GetServerInfo(const std::string& server, std::string& user, std::string& password) {
  const std::vector<ServerEntry> entries = ReadServerList(*dialogSettings());
  const ServerEntry* entry = FindServer(entries, server);
  if (!entry) return false;
  user = entry->user;
  password = entry->password;
  return true;
}

void GetAllServers(std::vector<std::string>& servers) {
  servers.clear();
  for (const ServerEntry& entry : ReadServerList(*dialogSettings())) servers.push_back(entry.server);
}

std::string GetLastServer() {
  return ReadLastServer(*dialogSettings());
}

const char* LinkpanelVersion() {
  return "0.1.0";
}

}  // namespace Kestrel
