#pragma once
// "Receiver configuration": the eight pages on tabs, read on first visit, applied page by page,
// saved as a setup script and compared with one. Runs as a modal tool on the program's open
// CReceiver (the caller keeps it open and owns it); GUI thread only. Every exchange waits
// through the message pump.
#include <QDialog>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "BasePosition.h"
#include "session/CallbackRegistry.h"

class CDialogRCV;
class CReceiver;
class CReceiverSender;
class QLabel;
class QPushButton;
class QTabWidget;

class CReceiverCfgDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CReceiverCfgDlg(CReceiver* receiver, QWidget* parent = nullptr);
  ~CReceiverCfgDlg() override;

  CDialogRCV* page(int index) const { return pages_[static_cast<std::size_t>(index)]; }
  int pageCount() const { return static_cast<int>(pages_.size()); }
  QTabWidget* tabs() const { return tabs_; }
  QString statusText() const;

  // The actions behind the buttons, without their questions and file choosers.
  bool applyCurrent();
  bool applyAll();  // OK without closing
  void refresh();
  // Writes the setup script; "" on success, else the text shown.
  QString saveSetup(const QString& file);
  bool initialise();
  // Reads every page not read yet.
  // Reads every page not read yet; the first failure, also shown in the status line.
  QString readAll();
  CReceiverSender& sender() { return *sender_; }
  // The receiver's latest position from its "PG" output, false before the first one.
  bool lastPosition(BasePosition::Fix& out) const;
  // Also hands every position to `sink` (the main view keeps the last one); any thread.
  void setPositionSink(std::function<void(const BasePosition::Fix&)> sink);
  // What opens the receiver again after a reset (the caller knows its connection and port);
  // without it a reset ends with the receiver closed.
  void setReopen(std::function<bool()> reopen) { reopen_ = std::move(reopen); }
  // "%%set,reset,yes", then the receiver closed and reopened (up to 10 tries 899 ms apart);
  // the "Reset Receiver" box tells how it went. True when the receiver is open again.
  bool resetReceiver();

 private:
  void onTabChanged(int index);
  void onSave();
  void onDefaults();
  void onCompare();
  void onOk();
  void setStatus(const QString& text);
  void pageEdited();

  CReceiver* receiver_;
  std::unique_ptr<CReceiverSender> sender_;
  std::vector<CDialogRCV*> pages_;
  QTabWidget* tabs_;
  QLabel* status_;
  QPushButton* apply_;
  void attachPosition();
  void onPosition(CReceiver* receiver);  // the receiver's delivery thread

  std::function<bool()> reopen_;
  mutable std::mutex positionLock_;  // between the receiver's delivery thread and this one
  BasePosition::Fix position_;
  bool hasPosition_ = false;
  std::function<void(const BasePosition::Fix&)> positionSink_;
  session::CallbackChannel<session::CallbackRegistry::DataKey, void(CReceiver*)>::Registration positionRoute_;
};
