#pragma once
// "Corrections input": RTK corrections from an NTRIP caster into the receiver
// through one of its other ports (its own serial cable or a TCP port whose
// input mode takes corrections). The user picks a mount point from the
// caster's source table, nearest to the receiver first; the dialog shows the
// stream live. Modeless: the main view keeps running and shows what the
// corrections do. GUI thread only; the client runs on its own thread and the
// dialog polls it.
#include <QDialog>
#include <functional>

#include "corrections/CorrectionsRun.h"
#include "corrections/CorrectionsSettings.h"

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
  explicit CCorrectionsDlg(ReceiverState receiver, QWidget* parent = nullptr);
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
  void setRunning(bool running);

  ReceiverState m_Receiver;
  CorrectionsRun m_Run;
  SourceTableFetch m_Fetch;
  Ntrip::GgaPosition m_Position;
  bool m_HasPosition = false;
  QTimer* m_Timer;
  QLineEdit *m_Caster, *m_User, *m_Password, *m_Mount, *m_Destination;
  QSpinBox *m_Port, *m_GgaInterval;
  QComboBox* m_Version;
  QCheckBox* m_Gga;
  QTreeWidget* m_Mounts;
  QPushButton *m_TableButton, *m_Start, *m_Stop;
  QLabel *m_State, *m_Rate, *m_Messages, *m_Age, *m_Reconnects, *m_Solution, *m_Text;
};

}  // namespace corrections
