#pragma once
// Real-time logging: records the receiver's stream into files on this computer through
// the program's own receiver model, on the port the main view uses. Connecting, starting
// and stopping run on a worker thread, so the window stays live; a one-second timer
// follows the connection and restarts the logger after a reconnect.
#include <QDialog>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

#include "logging/MessageCatalogue.h"
#include "site/SiteSettings.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace Tellus {
class ReceiverModel;
}
namespace Gnss {
class GnssLogger_NS3;
}

namespace logging {

class CMessageRTL;
class CMultipleFile;
class COutputPathRTL;

class CRealTimeLogging : public QDialog {
  Q_OBJECT
 public:
  // `portName`: the receiver string of the main view ("COM/dev/ttyUSB0:115200:1") or a
  // connection string of the receiver model ("/dev/ttyUSB0:115200").
  // `site`: the site description whose events start every run.
  explicit CRealTimeLogging(const QString& portName, const SiteSettings& site = {},
                            QWidget* parent = nullptr);
  ~CRealTimeLogging() override;

  static std::string modelConnection(const std::string& portName);

  // Asked before overwriting; tests replace it. Returns true for Yes.
  std::function<bool(const QString& text)> askOverwrite;

  QString status() const;
  QString progress() const;
  bool running() const { return running_; }
  bool busy() const { return busy_; }
  QPushButton* startButton() const { return start_; }
  CMessageRTL* messagePage() const { return message_; }
  CMultipleFile* filePage() const { return files_; }
  QString outputPath() const { return outputPath_; }
  // The connected receiver's identification and type, as the converter's header takes them.
  std::string receiverId() const { return receiverId_; }
  std::string receiverType() const { return receiverType_; }
  void setOutputPath(const QString& path);

 public slots:
  void startStop();
  void tick();

 protected:
  void done(int r) override;

 private:
  void setStatus(const QString& text);
  void connected(bool ok, const QString& error, const std::vector<std::string>* lists);
  bool configure(QString& refusal);
  bool checkChoices(QString& refusal, double& interval, std::string& set);
  bool confirmOverwrite(QString& refusal);
  void makeLogger(const std::string& set, double interval);
  void attachConverter();
  bool intervalSupported(const std::string& seconds);
  void stopLogging(const QString& why);
  void setRunning(bool on);
  void runOff(std::function<void()> work);
  void saveSettings();

  QString port_;
  SiteSettings site_;
  QString outputPath_;
  std::string receiverId_, receiverType_;
  MessageCatalogue catalogue_;
  Tellus::ReceiverModel* model_ = nullptr;
  std::unique_ptr<Gnss::GnssLogger_NS3> logger_;
  QTabWidget* tabs_;
  CMessageRTL* message_;
  CMultipleFile* files_;
  COutputPathRTL* path_;
  QPushButton *start_, *exit_, *mode_;
  QLabel *status_, *progress_;
  QTimer timer_;
  bool running_ = false;
  bool defaultSet_ = true;
  int closeWhenIdle_ = -1;  // a close asked for while running, done once the run has stopped
  std::atomic<bool> busy_{false};
  std::thread worker_;
};

}  // namespace logging
