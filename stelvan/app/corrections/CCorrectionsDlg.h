#pragma once
// "Corrections input": RTK corrections from an NTRIP caster (over TLS when
// asked) into the receiver through one of its other ports (its own serial
// cable or a TCP port whose input mode takes corrections) or through its own
// link, between the main view's commands. The user picks a mount point from the
// caster's source table, nearest to the receiver first; the dialog shows the
// stream live. Modeless: the main view keeps running and shows what the
// corrections do. GUI thread only; the client runs on its own thread and the
// dialog polls it.
#include <QDialog>
#include <functional>

#include "corrections/CorrectionsRun.h"
#include "corrections/CorrectionsSettings.h"
#include "corrections/OwnLinkDestination.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QTreeWidget;

namespace corrections {

class CCorrectionsDlg : public QDialog {
  Q_OBJECT
 public:
  // The receiver's latest position (degrees, metres) and its solution text, or false.
  using ReceiverState = std::function<bool(Ntrip::GgaPosition& position, QString& solution)>;
  // The destination on the receiver's own link, or null (with the reason) while none is live.
  using OwnLink = std::function<std::unique_ptr<OwnLinkDestination>(std::string& error)>;
  explicit CCorrectionsDlg(ReceiverState receiver, OwnLink ownLink = {}, QWidget* parent = nullptr);
  ~CCorrectionsDlg() override;

  void getSourceTable();
  void start();
  void stop();

 private:
  QWidget* buildCaster();
  QWidget* buildMounts();
  QWidget* buildRun();
  QWidget* buildStatus();
  void load();
  CorrectionsSettings fromControls() const;
  void tick();
  void showTable(const Ntrip::SourceTable& table);
  void showStatus(const Ntrip::ClientStatus& s);
  void showOwnLink();
  void setRunning(bool running);

  Ntrip::CasterRequest casterRequest(const CorrectionsSettings& s, const std::string& mount) const;

  ReceiverState m_Receiver;
  OwnLink m_OwnLinkDestination;
  CorrectionsRun m_Run;
  OwnLinkDestination* m_Own = nullptr;  // m_Run's destination when it is the own link
  SourceTableFetch m_Fetch;
  Ntrip::GgaPosition m_Position;
  bool m_HasPosition = false;
  QTimer* m_Timer;
  QLineEdit *m_Caster, *m_User, *m_Password, *m_Mount, *m_Destination, *m_CaFile, *m_Fingerprint;
  QSpinBox *m_Port, *m_GgaInterval;
  QComboBox* m_Version;
  QCheckBox *m_Gga, *m_OwnLink, *m_Tls;
  QTreeWidget* m_Mounts;
  QPushButton *m_TableButton, *m_Start, *m_Stop;
  QLabel *m_State, *m_Rate, *m_Messages, *m_Age, *m_Reconnects, *m_Solution, *m_Text;
};

}  // namespace corrections
