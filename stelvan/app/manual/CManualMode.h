#pragma once
// "Manual Mode": the program's terminal on the receiver. Typed commands and their replies, the
// receiver's own output, a command history kept in the settings, a traffic log, a script editor
// and the script interpreter. Runs as a modal tool on the program's open CReceiver (the caller
// owns it; "Disconnect" closes it and says so through disconnectRequested()). GUI thread only;
// the receiver's output arrives on Gridlink's thread and is posted here.
#include <QDialog>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "IScriptHost.h"
#include "manual/ReplyLines.h"
#include "session/CallbackRegistry.h"

class CReceiver;
class CReceiverSender;
class CScriptInterpreter;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

class CManualMode : public QDialog, public IScriptHost {
  Q_OBJECT
 public:
  static constexpr int kMaxCommands = 20;
  static constexpr int kMaxReplies = 550;

  explicit CManualMode(CReceiver* receiver, QWidget* parent = nullptr);
  ~CManualMode() override;

  // What "Send command" does with the command line's text.
  void sendCommand(const QString& text);
  QString repliesText() const;
  QString statusText() const;
  bool startLog(const QString& file);
  void stopLog();
  bool editScript(const QString& file);
  bool saveScript();
  void closeEditor();
  bool disconnectRequested() const { return disconnect_; }

  // IScriptHost
  void appendLine(const std::string& text) override;
  void clearReplies() override;
  void showStatus(const std::string& text) override;
  void showProgress(const std::string& text) override;
  void scriptRunning(bool running) override;
  void pump() override;

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void outputArrived(const char* data, int length);  // Gridlink's reading thread
  void appendOutput(const QByteArray& raw);
  void registerOutput();
  // Lets the replies of typed commands arrive before a script starts (bounded).
  void waitForQuiet();
  // From now on the receiver's output is dropped.
  void detachOutput();
  void writeLog(const QByteArray& bytes);
  void setScriptMode(bool running);
  void setEditorMode(bool editing);
  void leave(bool disconnect);
  // Escape, the close box and Exit: leave the editor (asking about unsaved edits), or stop a
  // running script and leave once it has stopped, or leave.
  void requestLeave();
  void readSettings();
  void writeSettings();
  void onLoad();
  void onLog();
  void onEdit();

  CReceiver* receiver_;
  std::unique_ptr<CReceiverSender> sender_;
  session::CallbackChannel<int, void(const char*, int)>::Registration output_;
  std::atomic<std::int64_t> lastOutputMs_{0};
  std::unique_ptr<CScriptInterpreter> interpreter_;
  ReplyLines replySeparator_;
  QPlainTextEdit* replies_;
  QComboBox* command_;
  QLabel* status_;
  QCheckBox* scroll_;
  QPushButton *send_, *clear_, *load_, *log_, *edit_, *stopMsg_, *disconnectButton_, *exit_;
  std::FILE* logFile_ = nullptr;
  QString editorFile_;
  bool editorChanged_ = false, editing_ = false, disconnect_ = false, closing_ = false;
  bool scriptRunning_ = false, leaveAfterScript_ = false;
  int commands_ = kMaxCommands, replyLines_ = kMaxReplies;
  QString scriptDir_;
};
