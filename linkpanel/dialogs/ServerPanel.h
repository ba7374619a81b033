#pragma once
// The server drop-down list (sorted by name, each line carrying its entry) and the three
// server buttons, shared by "Select Server and Receivers" and "Select Server". GUI thread only.
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "list/ServerList.h"

class CProfile;
class QComboBox;
class QPushButton;

namespace Kestrel {

class ServerPanel : public QWidget {
 public:
  // offersIpReceiver: button 1003 becomes "Add IP RCV" on the local server (there is a
  // receiver list to add to); otherwise it is disabled there.
  ServerPanel(bool offersIpReceiver, QWidget* parent);

  // Fills the list from the settings; an empty store gives the local server alone.
  // Selects `preferred`, else the "LastServer" value.
  void Load(CProfile& settings, const std::string& preferred);
  // Writes the entries in list order and "LastServer".
  void Save(CProfile& settings) const;

  const std::vector<ServerEntry>& Entries() const { return m_Entries; }
  const ServerEntry* Selected() const;
  bool LocalSelected() const;
  // Selects without running the server-changed step; false when there is no such line.
  bool Select(const std::string& server);
  // Relabels and shows the buttons for the selected server.
  void UpdateButtons();

  QComboBox* List() const { return m_List; }

  // The user picked another server, or added one.
  std::function<void()> onServerChanged;
  // "Add IP RCV" was pressed (local server only).
  std::function<void()> onAddIpReceiver;
  // "Add GSM RCV" was pressed (local server only, beside "Add IP RCV").
  std::function<void()> onAddGsmReceiver;

 private:
  int insertSorted(const ServerEntry& entry);
  void addServer();
  void editServer();
  void deleteServer();

  bool m_OffersIpReceiver;
  std::vector<ServerEntry> m_Entries;  // in the list's order
  QComboBox* m_List;
  QPushButton* m_Add;
  QPushButton* m_Edit;
  QPushButton* m_Delete;
  QPushButton* m_AddGsm;
};

}  // namespace Kestrel
