#include "CReceiverCfgDlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <map>
#include <thread>

#include "CCompareSetupDlg.h"
#include "CReceiverSender.h"
#include "ConfigPages.h"
#include "SetupPages.h"
#include "SetupScript.h"
#include "decode/parsers/ZrxBodies.h"
#include "gridlink/CReceiver.h"
#include "gridlink/platform/MessagePump.h"

namespace {
// The dialog each receiver's positions go to.

// Runs `work` on a thread of its own while this one keeps its windows live; the work's own
// time-outs bound it.
bool runPumping(const std::function<bool()>& work) {
  Platform::Event done(Platform::EventReset::Manual);
  bool result = false;
  std::thread worker([&] {
    result = work();
    done.Set();
  });
  while (Platform::WaitPumping(done, 1000) != Platform::WaitResult::Signalled) {
  }
  worker.join();
  return result;
}

// The slot number also names the stream kind of the list: 0, ZRX.
constexpr std::uint8_t kPositionSlot = 0;

void pausePumping(std::uint32_t ms) {
  Platform::Event never(Platform::EventReset::Manual);
  Platform::WaitPumping(never, ms);
}
}  // namespace

CReceiverCfgDlg::CReceiverCfgDlg(CReceiver* receiver, QWidget* parent)
    : QDialog(parent), receiver_(receiver), sender_(std::make_unique<CReceiverSender>(receiver)) {
  setWindowTitle("Receiver configuration");
  setObjectName("ReceiverConfiguration");
  tabs_ = new QTabWidget;
  pages_ = {new CGeneralPage,
            new CMinPadPage,
            new CPositioningPage(*sender_),
            new CBasePage([this](BasePosition::Fix& fix) { return lastPosition(fix); }),
            new CRoverPage(*sender_),
            new CPortsPage,
            new CEventPage(*sender_),
            new CAdvancedPage(*sender_)};
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    tabs_->addTab(pages_[i], SetupPages::kNames[i]);
    connect(pages_[i], &CDialogRCV::edited, this, &CReceiverCfgDlg::pageEdited);
  }
  connect(static_cast<CRoverPage*>(pages_[4]), &CRoverPage::status, this, &CReceiverCfgDlg::setStatus);
  connect(static_cast<CEventPage*>(pages_[6]), &CEventPage::status, this, &CReceiverCfgDlg::setStatus);
  connect(static_cast<CPortsPage*>(pages_[5]), &CPortsPage::resetNeeded, this,
          &CReceiverCfgDlg::resetReceiver);

  auto* ok = new QPushButton("OK");
  auto* exit = new QPushButton("Exit");
  auto* save = new QPushButton("Save");
  auto* defaults = new QPushButton("Set all parameters to defaults");
  auto* refreshButton = new QPushButton("Refresh");
  auto* compare = new QPushButton("Compare with a saved setup");
  apply_ = new QPushButton("Apply");
  apply_->setEnabled(false);
  ok->setObjectName("ok"), exit->setObjectName("exit"), save->setObjectName("save");
  defaults->setObjectName("defaults"), refreshButton->setObjectName("refresh");
  compare->setObjectName("compare"), apply_->setObjectName("apply");
  status_ = new QLabel;
  status_->setObjectName("status");
  status_->setFrameShape(QFrame::Panel);
  status_->setFrameShadow(QFrame::Sunken);

  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {ok, exit, save, defaults, refreshButton, compare, apply_}) buttons->addWidget(b);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_, 1);
  layout->addLayout(buttons);
  layout->addWidget(status_);

  connect(ok, &QPushButton::clicked, this, &CReceiverCfgDlg::onOk);
  connect(exit, &QPushButton::clicked, this, &QDialog::reject);
  connect(save, &QPushButton::clicked, this, &CReceiverCfgDlg::onSave);
  connect(defaults, &QPushButton::clicked, this, &CReceiverCfgDlg::onDefaults);
  connect(refreshButton, &QPushButton::clicked, this, &CReceiverCfgDlg::refresh);
  connect(compare, &QPushButton::clicked, this, &CReceiverCfgDlg::onCompare);
  connect(apply_, &QPushButton::clicked, this, &CReceiverCfgDlg::applyCurrent);
  connect(tabs_, &QTabWidget::currentChanged, this, &CReceiverCfgDlg::onTabChanged);
  attachPosition();
  onTabChanged(0);
}

CReceiverCfgDlg::~CReceiverCfgDlg() {
  if (receiver_) receiver_->Detach(kPositionSlot);
  positionRoute_.reset();
}

void CReceiverCfgDlg::attachPosition() {
  if (!receiver_) return;
  positionRoute_ = session::CallbackRegistry::instance().data.add(
      {receiver_, kPositionSlot}, [this](CReceiver* receiver) { onPosition(receiver); });
  // Without a message thread on the connection there is no delivery: the page then has no
  // position to take, and nothing else changes.
  receiver_->Attach(kPositionSlot, &session::CallbackRegistry::OnData, "PG:1");
}

void CReceiverCfgDlg::onPosition(CReceiver* receiver) {
  if (receiver->getMsgBufSize() <= 0) return;
  const auto pg = engine::zrx::readGeodeticPosition(receiver->getMsgBuf(0),
                                                    static_cast<std::size_t>(receiver->getMsgBufSize()));
  if (!pg || !engine::zrx::hasPosition(*pg)) return;
  const BasePosition::Fix fix{pg->lat, pg->lon, pg->height};
  std::function<void(const BasePosition::Fix&)> sink;
  {
    std::lock_guard p(positionLock_);
    position_ = fix;
    hasPosition_ = true;
    sink = positionSink_;
  }
  if (sink) sink(fix);
}

bool CReceiverCfgDlg::lastPosition(BasePosition::Fix& out) const {
  std::lock_guard l(positionLock_);
  out = position_;
  return hasPosition_;
}

void CReceiverCfgDlg::setPositionSink(std::function<void(const BasePosition::Fix&)> sink) {
  std::lock_guard l(positionLock_);
  positionSink_ = std::move(sink);
}

QString CReceiverCfgDlg::statusText() const {
  return status_->text();
}

void CReceiverCfgDlg::setStatus(const QString& text) {
  status_->setText(text);
}

void CReceiverCfgDlg::pageEdited() {
  apply_->setEnabled(page(tabs_->currentIndex())->changed());
}

void CReceiverCfgDlg::onTabChanged(int index) {
  if (index < 0) return;
  setStatus({});
  if (!page(index)->loaded()) refresh();  // which shows why, when the page could not be read
  apply_->setEnabled(page(index)->changed());
}

void CReceiverCfgDlg::refresh() {
  CDialogRCV* p = page(tabs_->currentIndex());
  setEnabled(false);  // no second request while this one waits
  const QString error = p->read(*sender_);
  setEnabled(true);
  apply_->setEnabled(false);
  setStatus(error);
}

bool CReceiverCfgDlg::applyCurrent() {
  const int index = tabs_->currentIndex();
  CDialogRCV* p = page(index);
  if (p->changed()) {
    setEnabled(false);
    const QString error = p->apply(*sender_);
    setEnabled(true);
    if (!error.isEmpty()) {
      setStatus(error);
      return false;
    }
  }
  apply_->setEnabled(false);
  return true;
}

bool CReceiverCfgDlg::applyAll() {
  for (int i = 0; i < pageCount(); ++i) {
    if (!page(i)->changed()) continue;
    setEnabled(false);
    const QString error = page(i)->apply(*sender_);
    setEnabled(true);
    if (!error.isEmpty()) {
      tabs_->setCurrentIndex(i);
      setStatus(error);
      return false;
    }
  }
  apply_->setEnabled(false);
  return true;
}

void CReceiverCfgDlg::onOk() {
  if (applyAll()) accept();
}

QString CReceiverCfgDlg::readAll() {
  setEnabled(false);
  QString error;
  for (CDialogRCV* p : pages_)
    if (!p->loaded() && error.isEmpty()) error = p->read(*sender_);
  setEnabled(true);
  if (!error.isEmpty()) setStatus(error);
  return error;
}

QString CReceiverCfgDlg::saveSetup(const QString& file) {
  // A setup with pages left unread would lose their settings when replayed.
  if (const QString error = readAll(); !error.isEmpty()) return error;
  std::vector<const CPageModel*> models;
  for (CDialogRCV* p : pages_) {
    if (p->changed())
      return "One or more parameter were changed but not applied.\nPlease apply the changes to be sure that\n"
             "the receiver accepts current settings.";
    models.push_back(&p->model());
  }
  const CPageModel& general = page(0)->model();
  const std::string model = general.at(static_cast<std::size_t>(general.indexOf("/par/rcv/model"))).value;
  QFile out(file);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return "Can't open file!";
  const std::string text = SetupScript::compose(models, model);
  if (out.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
    return "Can't open file!";
  return {};
}

void CReceiverCfgDlg::onSave() {
  readAll();
  for (CDialogRCV* p : pages_)
    if (p->changed()) {
      QMessageBox::critical(this, "Saving configuration", saveSetup(QString()));
      return;
    }
  const QString file = QFileDialog::getSaveFileName(this, "Save setup to a script",
                                                    QApplication::applicationDirPath(), "Script file(*.zrc)");
  if (file.isEmpty()) return;
  if (const QString error = saveSetup(file); !error.isEmpty())
    QMessageBox::warning(this, windowTitle(), error);
}

bool CReceiverCfgDlg::resetReceiver() {
  constexpr int kTries = 10;
  constexpr std::uint32_t kTryGapMs = 899;
  setEnabled(false);
  std::string reply;
  sender_->SendCommand("%%set,reset,yes", 0, reply);
  CReceiver* rcv = receiver_;
  runPumping([rcv] { return rcv->Close(false) != 0; });
  bool opened = false;
  for (int attempt = 0; attempt < kTries && !opened && reopen_; ++attempt) {
    pausePumping(kTryGapMs);
    opened = runPumping(reopen_);
  }
  if (opened) attachPosition();
  setEnabled(true);
  auto* box = new QMessageBox(QMessageBox::Information, "Reset Receiver",
                              opened ? "The receiver has been reset!" : "", QMessageBox::Ok, this);
  box->setObjectName("resetReceiver");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
  return opened;
}

bool CReceiverCfgDlg::initialise() {
  std::string reply;
  if (!sender_->SendCommand("%%init,/par/", 0, reply)) {
    setStatus(QString::fromStdString(reply));
    return false;
  }
  for (CDialogRCV* p : pages_) p->forget();
  onTabChanged(tabs_->currentIndex());
  return true;
}

void CReceiverCfgDlg::onDefaults() {
  if (QMessageBox::question(this, "Initialize Receiver", "The receiver parameters will be initialized.\n") ==
      QMessageBox::Yes)
    initialise();
}

void CReceiverCfgDlg::onCompare() {
  const QString file = QFileDialog::getOpenFileName(this, "Compare with a saved setup",
                                                    QApplication::applicationDirPath(), "Script file(*.zrc)");
  if (file.isEmpty()) return;
  readAll();
  CCompareSetupDlg dlg(pages_, *sender_, this);
  if (!dlg.load(file)) {
    setStatus("Can't open file!");
    return;
  }
  dlg.exec();
}
