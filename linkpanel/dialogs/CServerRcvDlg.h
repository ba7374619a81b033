#pragma once
// "Select Server and Receivers": the server list, the receivers the chosen server offers and
// the "Manual mode only" choice. A normal modal QDialog; GUI thread only.
//
// The connection-dialog settings are held open for the dialog's life; closing the dialog (OK
// or Cancel) writes the server list and "LastServer" back. Asking a remote server for its
// receivers runs on a worker thread, so the dialog stays live while the server answers.
#include <QDialog>
#include <memory>

#include "linkpanel/Linkpanel.h"
#include "list/ReceiverListFetch.h"

class CProfile;
class QCheckBox;
class QPushButton;

namespace Kestrel {

class ReceiverListView;
class ServerPanel;

class CServerRcvDlg : public QDialog {
 public:
  CServerRcvDlg(const CONNECTION_INFO& info, QWidget* parent = nullptr);
  ~CServerRcvDlg() override;

  // The choice, valid after the dialog was accepted.
  const CONNECTION_INFO& Info() const { return m_Info; }
  // True while a remote server has not answered the receiver list request.
  bool ListPending() const { return m_Fetch != nullptr; }

  void accept() override;
  void done(int result) override;

 private:
  void serverChanged();
  void getReceiverList();
  void showReceiverList(const RcvListResult& result);
  void addIpReceiver();
  void addGsmReceiver();

  CONNECTION_INFO m_Info;
  std::unique_ptr<CProfile, void (*)(CProfile*)> m_Settings;
  ServerPanel* m_Servers;
  QPushButton* m_GetList;
  ReceiverListView* m_Receivers;
  QCheckBox* m_ManualOnly;
  std::unique_ptr<ReceiverListFetch> m_Fetch;
  unsigned m_FetchNumber = 0;  // tells a late answer from the current one
};

}  // namespace Kestrel
