#include "logging/CRealTimeLogging.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

#include "OutputPeriod.h"
#include "ReceiverModel.h"
#include "gridlink/CProfile.h"
#include "logger/ClosedFileActions.h"
#include "logger/GnssLogger_NS3.h"
#include "logging/RtlPages.h"

namespace logging {

namespace {

Gnss::Zrx2RinSettings converterSettings(const std::string& outputDir, const std::string& receiverId,
                                        const std::string& receiverType) {
  CProfile p;
  Gnss::Zrx2RinSettings s;
  s.receiverId = receiverId;
  s.receiverType = receiverType;
  s.program = p.Read("ZRX2RIN", "Application", "ZRX2RIN.EXE");
  s.outputDir = outputDir;
  s.noGps = p.Read("ZRX2RIN", "NoGPS", false);
  s.noGlo = p.Read("ZRX2RIN", "NoGLO", false);
  s.noL1 = p.Read("ZRX2RIN", "NoL1", false);
  s.noL2 = p.Read("ZRX2RIN", "NoL2", false);
  s.options = p.Read("ZRX2RIN", "Options", "");
  for (const char* key :
       {"RUN BY", "OBSERVER", "AGENCY", "ANT #", "ANT TYPE", "COMMENT", "MARKER NAME", "MARKER NUMBER"})
    s.header.emplace_back(key, p.Read("ZRX2RIN", key, ""));
  return s;
}

// A printed parameter's value: the reply text without a frame header or quotes.
std::string replyValue(std::string r) {
  if (r.size() >= 5 && (r.rfind("RE", 0) == 0 || r.rfind("ER", 0) == 0) &&
      r.find_first_not_of("0123456789ABCDEFabcdef", 2) >= 5)
    r.erase(0, 5);
  while (!r.empty() && (r.back() == ' ' || r.back() == '"')) r.pop_back();
  while (!r.empty() && (r.front() == ' ' || r.front() == '"')) r.erase(0, 1);
  return r;
}

}  // namespace

std::string CRealTimeLogging::modelConnection(const std::string& port) {
  // "COM" + device path + ":rate:flow" -> "/dev/...:rate"; "COMn:rate:flow" -> "COMn:rate".
  // Every other kind stays whole: a modem dials with its number, PIN and line speed, a
  // network receiver logs in with its password.
  std::string s = port;
  if (s.rfind("COM", 0) != 0) return s;
  if (s.rfind("COM/", 0) == 0) s.erase(0, 3);
  const std::size_t first = s.find(':');
  const std::size_t second = first == std::string::npos ? first : s.find(':', first + 1);
  if (second != std::string::npos) s.erase(second);
  return s;
}

CRealTimeLogging::CRealTimeLogging(const QString& portName, const SiteSettings& site, QWidget* parent)
    : QDialog(parent), port_(portName), site_(site) {
  setObjectName("dlgRealTimeLogging");
  setWindowTitle("RTL to : " + portName);
  CProfile profile;
  outputPath_ =
      profile.Read("RealTime", "OutputPath", QCoreApplication::applicationDirPath().toStdString().c_str());
  tabs_ = new QTabWidget(this);
  message_ = new CMessageRTL(catalogue_, this);
  files_ = new CMultipleFile(this);
  path_ = new COutputPathRTL(this);
  tabs_->addTab(message_, "Message");
  tabs_->addTab(files_, "Log File");
  tabs_->addTab(path_, "Output path");
  files_->savedTo->setText(outputPath_);
  path_->setPath(outputPath_);  // the tree opens at the current folder
  connect(path_, &COutputPathRTL::pathChosen, this, &CRealTimeLogging::setOutputPath);
  start_ = new QPushButton("Start", this);
  start_->setObjectName("rtlStart");
  exit_ = new QPushButton("Exit", this);
  exit_->setObjectName("rtlExit");
  mode_ = new QPushButton("Def.Msg.", this);
  mode_->setObjectName("rtlMode");
  status_ = new QLabel(this);
  status_->setObjectName("rtlStatus");
  progress_ = new QLabel(this);
  progress_->setObjectName("rtlProgress");
  connect(start_, &QPushButton::clicked, this, &CRealTimeLogging::startStop);
  connect(exit_, &QPushButton::clicked, this, &QDialog::accept);
  connect(mode_, &QPushButton::clicked, this, [this] {
    defaultSet_ = !defaultSet_;
    mode_->setText(defaultSet_ ? "Def.Msg." : "List Msg.");
    message_->setListEnabled(!defaultSet_);
  });
  message_->setListEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(start_);
  buttons->addWidget(mode_);
  buttons->addStretch();
  buttons->addWidget(exit_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addWidget(status_);
  layout->addWidget(progress_);
  layout->addLayout(buttons);
  timer_.setInterval(1000);
  connect(&timer_, &QTimer::timeout, this, &CRealTimeLogging::tick);
  askOverwrite = [this](const QString& text) {
    return QMessageBox::question(this, "Real-Time Logging", text, QMessageBox::Yes | QMessageBox::No) ==
           QMessageBox::Yes;
  };

  QFile comments(QCoreApplication::applicationDirPath() + "/comment.txt");
  catalogue_.loadDescriptions(comments.open(QIODevice::ReadOnly) ? comments.readAll().toStdString()
                                                                 : MessageCatalogue::builtinDescriptions());
  model_ = Tellus::ReceiverModel::create();
  model_->AddRef();
  logger_ = std::make_unique<Gnss::GnssLogger_NS3>(model_);
  tabs_->setEnabled(false);
  start_->setEnabled(false);
  setStatus("Open receiver : " + port_);
  const std::string connection = modelConnection(port_.toStdString());
  runOff([this, connection] {
    const bool ok = model_->connect(connection, nullptr);
    auto* lists = new std::vector<std::string>;
    if (ok) {
      // The four message lists, then the receiver's identification and type for the converter.
      for (const char* c : {"list,/msg/zrx", "list,/msg/cmr", "list,/msg/nmea", "list,/msg/rtcm",
                            "print,/par/rcvid", "print,/par/rcv/model"}) {
        std::string reply;
        lists->push_back(model_->execute(c, reply, 5000) == Tellus::kExecOk ? reply : std::string());
      }
    }
    const QString error = QString::fromStdString(model_->lastError());
    QMetaObject::invokeMethod(this, [this, ok, error, lists] {
      connected(ok, error, lists);
      delete lists;
    });
  });
}

CRealTimeLogging::~CRealTimeLogging() {
  timer_.stop();
  if (worker_.joinable()) worker_.join();
  logger_.reset();  // stops logging
  if (model_) {
    model_->disconnect();
    model_->Release();
  }
}

void CRealTimeLogging::runOff(std::function<void()> work) {
  if (worker_.joinable()) worker_.join();
  busy_ = true;
  worker_ = std::thread([this, work = std::move(work)] {
    work();
    busy_ = false;
  });
}

void CRealTimeLogging::setStatus(const QString& text) {
  status_->setText(QString::fromStdString(statusText(text.toStdString())));
}
QString CRealTimeLogging::status() const {
  return status_->text();
}
QString CRealTimeLogging::progress() const {
  return progress_->text();
}

void CRealTimeLogging::setOutputPath(const QString& path) {
  if (path == outputPath_ && files_->savedTo->text() == path) return;
  outputPath_ = path;
  path_->setPath(path);
  files_->savedTo->setText(path);
  CProfile().Write("RealTime", "OutputPath", path.toStdString().c_str());
}

void CRealTimeLogging::connected(bool ok, const QString& error, const std::vector<std::string>* lists) {
  if (!ok) {
    setStatus(error.isEmpty() ? "Can't open " + port_ : error);
    return;
  }
  bool any = false;
  CProfile profile;
  for (int f = 0; f < MessageCatalogue::kFormats; ++f) {
    const std::string& answer = (*lists)[static_cast<std::size_t>(f)];
    any |= !answer.empty();
    // The reply text carries its "RE" header; the list starts at the brace.
    const std::size_t brace = answer.find('{');
    catalogue_.setNames(
        f, MessageCatalogue::parseList(brace == std::string::npos ? "" : answer.substr(brace), f == 3),
        profile.Read("RealTime", MessageCatalogue::settingsName(f), "ALL"));
  }
  if (lists->size() > MessageCatalogue::kFormats + 1) {
    receiverId_ = replyValue((*lists)[MessageCatalogue::kFormats]);
    receiverType_ = replyValue((*lists)[MessageCatalogue::kFormats + 1]);
  }
  message_->showFormat(0);
  setStatus(any ? port_ : QString("Error reading MSG info."));
  tabs_->setEnabled(true);
  start_->setEnabled(true);
}

bool CRealTimeLogging::configure(QString& refusal) {
  double interval = 0;
  std::string set;
  if (!checkChoices(refusal, interval, set) || !confirmOverwrite(refusal)) return false;
  makeLogger(set, interval);
  attachConverter();
  return true;
}

// The elevation mask goes to the receiver; the interval and the message set are checked here.
bool CRealTimeLogging::checkChoices(QString& refusal, double& interval, std::string& set) {
  std::string reply;
  if (model_->execute("set,/par/out/elm/cur/term," + message_->elevationMask().toStdString(), reply, 3000) !=
      Tellus::kExecOk)
    return refusal = "Invalid elevation mask", false;
  bool number = false;
  interval = message_->interval().toDouble(&number);
  if (!number || !(interval >= 0.05) || interval > 86400 ||
      std::fabs(interval * 20 - std::round(interval * 20)) > 1e-6)
    return refusal = "Invalid recording interval", false;
  if (!intervalSupported(message_->interval().trimmed().toStdString())) {
    QMessageBox::warning(this, OutputPeriod::kCaption, OutputPeriod::kWarning);
    return refusal = "Invalid recording interval", false;
  }
  message_->takeChoices();
  set = catalogue_.messageSet(message_->format(), defaultSet_, message_->interval().toStdString());
  if (set.empty()) return refusal = "No messages chosen", false;
  return true;
}

bool CRealTimeLogging::confirmOverwrite(QString& refusal) {
  const bool multiple = files_->multiple();
  const bool byCount = files_->ascending->isChecked();
  if (!multiple && QFile::exists(outputPath_ + "/" + files_->fileName->text()) &&
      !askOverwrite("The file " + files_->fileName->text() +
                    " already exists.\nDo you wish to overwrite it?"))
    return refusal = "Aborted by user!", false;
  if (multiple && byCount && files_->overwrite->isChecked() &&
      !askOverwrite("All the files with names like " + files_->prefix->text() + "000.zrx, " +
                    files_->prefix->text() + "001.zrx etc. in the folder\n" + outputPath_ +
                    "\nwill be overwritten without a warning. Continue?"))
    return refusal = "Aborted by user!", false;
  return true;
}

void CRealTimeLogging::makeLogger(const std::string& set, double interval) {
  const int format = message_->format();
  const bool multiple = files_->multiple();
  const bool byCount = files_->ascending->isChecked();
  logger_ = std::make_unique<Gnss::GnssLogger_NS3>(model_);
  logger_->SetDirectory(outputPath_.toStdString());
  // Earlier files are overwritten only where the user agreed to it above.
  logger_->SetKeepEarlierFiles(!(multiple && byCount && files_->overwrite->isChecked()));
  if (!multiple) {
    logger_->SetNamingMode(0);
    logger_->SetFixedName(files_->fileName->text().toStdString());
    logger_->SetPeriod(-1);
  } else {
    logger_->SetPrefix(files_->prefix->text().toStdString());
    logger_->SetSuffix(MessageCatalogue::extension(format));
    logger_->SetPeriod(files_->periodSeconds());
    logger_->SetNamingMode(byCount ? 2 : 1);
    if (byCount) logger_->SetFirstIndex(std::max(0, files_->startCount->text().toInt()));
  }
  logger_->AddMessage(format, set);
  // The site events are stamped into the stream when logging starts.
  std::vector<std::string> events;
  SiteRules::AppendSiteEvents(site_, events);
  logger_->SetInitCommands(events);
  logger_->SetOffset(interval);
}

// ZRX files go through the RINEX converter; RTCM 3 logs through the system's own when installed.
void CRealTimeLogging::attachConverter() {
  const int format = message_->format();
  if (!files_->convert->isChecked()) return;
  if (format == 0) {
    const std::string out = outputPath_.toStdString(), id = receiverId_, type = receiverType_;
    const bool deleteZrx = CProfile().Read("ZRX2RIN", "DeleteZRX", false);
    logger_->SetFileClosed([this, out, id, type, deleteZrx](const std::string& file) {
      std::string error;
      const auto argv = Gnss::Zrx2RinCommand(converterSettings(out, id, type), file, error);
      const int code = Gnss::RunProgram(argv, out, error);
      QString text;
      if (code != 0)
        text = QString::fromStdString(code == -1 && !error.empty() ? error : Gnss::Zrx2RinExitText(code));
      else if (deleteZrx)
        QFile::remove(QString::fromStdString(file));
      if (!text.isEmpty()) QMetaObject::invokeMethod(this, [this, text] { setStatus(text); });
    });
  }
  const QString convbin = QStandardPaths::findExecutable("convbin");
  if (format == 3 && !convbin.isEmpty()) {
    const std::string out = outputPath_.toStdString(), program = convbin.toStdString();
    logger_->SetFileClosed([this, out, program](const std::string& file) {
      std::string error;
      const int code = Gnss::RunProgram({program, "-r", "rtcm3", "-d", out, file}, out, error);
      if (code != 0) {
        const QString text =
            "convbin: " + (code < 0 ? QString::fromStdString(error) : "exit code " + QString::number(code));
        QMetaObject::invokeMethod(this, [this, text] { setStatus(text); });
      }
    });
  }
}

// The receiver's current raw-data and position update intervals bound the recording interval.
bool CRealTimeLogging::intervalSupported(const std::string& seconds) {
  std::string raw, pos;
  if (model_->execute("print,/par/raw/curmsint", raw, 3000) != Tellus::kExecOk) raw.clear();
  const bool posAnswered = model_->execute("print,/par/pos/curmsint", pos, 3000) == Tellus::kExecOk;
  return OutputPeriod::fits(seconds, replyValue(raw),
                            posAnswered ? std::optional<std::string>(replyValue(pos)) : std::nullopt);
}

void CRealTimeLogging::setRunning(bool on) {
  running_ = on;
  start_->setText(on ? "Stop" : "Start");
  exit_->setEnabled(!on);
  tabs_->setEnabled(!on);
  mode_->setEnabled(!on);
}

void CRealTimeLogging::startStop() {
  if (busy_) return;
  if (running_) {
    stopLogging("Aborted by user!");
    return;
  }
  QString refusal;
  if (!configure(refusal)) {
    setStatus(refusal);
    return;
  }
  setRunning(true);
  start_->setEnabled(false);
  runOff([this] {
    const bool ok = logger_->Start();
    QMetaObject::invokeMethod(this, [this, ok] {
      start_->setEnabled(true);
      if (!ok) {
        setRunning(false);
        // The receiver's own text when it refused the messages.
        const std::string why = logger_->LastError();
        setStatus(QString::fromStdString(why.empty() ? model_->lastError() : why));
        return;
      }
      setStatus(port_);
      timer_.start();
    });
  });
}

void CRealTimeLogging::stopLogging(const QString& why) {
  setStatus(why);
  timer_.stop();
  progress_->clear();
  start_->setEnabled(false);
  runOff([this] {
    logger_->Stop();
    QMetaObject::invokeMethod(this, [this] {
      start_->setEnabled(true);
      setRunning(false);
    });
  });
}

void CRealTimeLogging::tick() {
  if (busy_ || !running_) return;
  const int state = model_->state();
  if (state == 2 && logger_->IsOpen()) {
    if (!logger_->DataArriving(5000)) {
      progress_->clear();
      setStatus("Disconnected!");
      runOff([this] {
        logger_->Stop();
        model_->disconnect();
      });
    } else if (logger_->FileOpen()) {  // logging only once a file is being written
      if (status_->text() != port_) setStatus(port_);
      QString name = QString::fromStdString(logger_->CurrentFileTitle());
      if (name.size() > 9) name = "..." + name.right(9);
      progress_->setText(QString::asprintf(" %s/%d/%d", name.toLocal8Bit().constData(),
                                           static_cast<int>(logger_->BytesLogged()),
                                           static_cast<int>(logger_->EpochsLogged())));
    } else {
      progress_->clear();
    }
  } else if (state == 2) {
    // Back after a reconnect: logging again once the receiver took the messages and data come.
    progress_->clear();
    setStatus("Waiting for data from : " + port_);
    runOff([this] {
      if (logger_->Start()) return;
      const QString why = QString::fromStdString(logger_->LastError());
      model_->disconnect();
      QMetaObject::invokeMethod(this, [this, why] { setStatus(why); });
    });
  } else if (state == 0) {
    setStatus("Reconnecting to : " + port_);
    runOff([this] { model_->reconnect(nullptr); });
  }
}

void CRealTimeLogging::saveSettings() {
  CProfile p;
  p.Write("RealTime", "OutputPath", outputPath_.toStdString().c_str());
  p.Write("RealTime", "Convert2RINEX", files_->convert->isChecked());
  p.Write("RealTime", "OverwriteFiles", files_->overwrite->isChecked());
  p.Write("RealTime", "Prefix", files_->prefix->text().toStdString().c_str());
  p.Write("RealTime", "GranularityBetweenFiles", files_->unit->currentIndex());
  p.Write("RealTime", "IntervalBetweenFiles", files_->interval->text().toStdString().c_str());
  p.Write("RealTime", "RecordingIntervalTerm", message_->interval().toStdString().c_str());
  message_->takeChoices();
  for (int f = 0; f < MessageCatalogue::kFormats; ++f)
    if (!catalogue_.entries(f).empty())
      p.Write("RealTime", MessageCatalogue::settingsName(f),
              MessageCatalogue::storeChosen(catalogue_.entries(f)).c_str());
}

void CRealTimeLogging::done(int r) {
  // Closed while a run goes on (the window's close box, Escape): the run stops first, its last
  // file is closed, then the window goes.
  if (running_ || busy_) {
    closeWhenIdle_ = r;
    if (running_ && !busy_) stopLogging("Aborted by user!");
    QTimer::singleShot(100, this, [this] {
      if (closeWhenIdle_ >= 0) done(closeWhenIdle_);
    });
    return;
  }
  closeWhenIdle_ = -1;
  saveSettings();
  QDialog::done(r);
}

}  // namespace logging
