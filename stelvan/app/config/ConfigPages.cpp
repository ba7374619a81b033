#include "ConfigPages.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <tuple>

#include "CDatumDlg.h"
#include "ICommandSender.h"
#include "QueryAnswers.h"
#include "SetupPages.h"
#include "gridlink/CProfile.h"

namespace {
QPushButton* addButton(QWidget* page, const QString& text) {
  auto* button = new QPushButton(text, page);
  auto* row = new QHBoxLayout;
  row->addWidget(button);
  row->addStretch();
  static_cast<QBoxLayout*>(page->layout())->insertLayout(page->layout()->count() - 1, row);
  return button;
}
}  // namespace

CGeneralPage::CGeneralPage(QWidget* parent) : CDialogRCV(SetupPages::general(), parent) {}
CMinPadPage::CMinPadPage(QWidget* parent) : CDialogRCV(SetupPages::minPad(), parent) {}
namespace {
constexpr const char* kGloNumberingSection = "Positioning";
constexpr const char* kGloNumberingKey = "GLOEnumeration";

QFormLayout* formOf(QWidget* section) {
  return section ? qobject_cast<QFormLayout*>(section->layout()) : nullptr;
}
}  // namespace

CPositioningPage::CPositioningPage(ICommandSender& sender, QWidget* parent)
    : CDialogRCV(SetupPages::positioning(), parent) {
  // Every satellite list gets its all/none buttons under its boxes.
  const std::pair<const char*, const char*> lists[] = {{"/par/lock/gps/sat", "/par/pos/gps/sat"},
                                                       {"/par/lock/glo/fcn", "/par/pos/glo/fcn"},
                                                       {"/par/lock/gal/sat", "/par/pos/gal/sat"},
                                                       {"/par/lock/sbas/sat", "/par/pos/sbas/sat"}};
  for (const auto& [lock, use] : lists) {
    QFormLayout* form = formOf(sectionOf(lock));
    if (!form) continue;
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    const std::tuple<const char*, const char*, bool> actions[] = {{"All to lock", lock, true},
                                                                  {"None to lock", lock, false},
                                                                  {"All to use", use, true},
                                                                  {"None to use", use, false}};
    for (const auto& [text, path, on] : actions) {
      auto* button = new QPushButton(text, row);
      button->setObjectName(QString(path) + (on ? "#all" : "#none"));
      line->addWidget(button);
      connect(button, &QPushButton::clicked, this,
              [this, p = std::string(path), on = on] { setGroupAll(p, on); });
    }
    line->addStretch();
    row->setObjectName(QString(lock) + "#buttons");
    form->insertRow(0, row);
  }
  if (QFormLayout* glo = formOf(sectionOf("/par/lock/glo/fcn"))) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    auto* byChannel = new QRadioButton("Frequency Channel Number", row);
    auto* bySlot = new QRadioButton("Slot Number", row);
    byChannel->setObjectName("gloByChannel"), bySlot->setObjectName("gloBySlot");
    line->addWidget(byChannel);
    line->addWidget(bySlot);
    line->addStretch();
    glo->insertRow(0, row);
    connect(byChannel, &QRadioButton::clicked, this, [this] { setGloNumbering(0); });
    connect(bySlot, &QRadioButton::clicked, this, [this] { setGloNumbering(1); });
  }
  showGloNumbering();

  if (QFormLayout* datum = formOf(sectionOf("/par/pos/datum/cur"))) {
    auto* button = new QPushButton("Datum Parameters");
    button->setObjectName("datumParameters");
    datum->addRow(button);
    connect(button, &QPushButton::clicked, this, [this, &sender] {
      CDatumDlg dlg(sender, this);
      dlg.read();
      dlg.exec();
    });
  }
}

void CPositioningPage::setGloNumbering(int numbering) {
  CProfile().Write(kGloNumberingSection, kGloNumberingKey, numbering);
  showGloNumbering();
}

void CPositioningPage::showGloNumbering() {
  // The channel pairs and the slot list are two views of the same satellites; one at a time.
  const bool bySlot = CProfile().Read(kGloNumberingSection, kGloNumberingKey, 0) == 1;
  if (auto* b = findChild<QRadioButton*>(bySlot ? "gloBySlot" : "gloByChannel")) b->setChecked(true);
  QFormLayout* form = formOf(sectionOf("/par/lock/glo/fcn"));
  if (!form) return;
  for (const char* name : {"/par/lock/glo/fcn", "/par/pos/glo/fcn", "/par/lock/glo/fcn#buttons"})
    if (auto* w = findChild<QWidget*>(name)) form->setRowVisible(w, !bySlot);
  if (auto* w = findChild<QWidget*>("/par/pos/glo/sat")) form->setRowVisible(w, bySlot);
}
namespace {
constexpr const char* kGpsGeo = "/par/ref/pos/gps/geo";
constexpr const char* kGloGeo = "/par/ref/pos/glo/geo";
}  // namespace

CBasePage::CBasePage(PositionSource lastPosition, QWidget* parent)
    : CDialogRCV(SetupPages::base(), parent), lastPosition_(std::move(lastPosition)) {
  if (QFormLayout* form = formOf(sectionOf(kGpsGeo))) {
    auto* row = new QWidget;
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    auto* together = new QRadioButton("GPS/GLO at one time", row);
    auto* apart = new QRadioButton("GPS/GLO separately", row);
    auto* get = new QPushButton("Get from receiver", row);
    together->setObjectName("atOneTime"), apart->setObjectName("separately"),
        get->setObjectName("getPosition");
    line->addWidget(together);
    line->addWidget(apart);
    line->addStretch();
    line->addWidget(get);
    form->addRow(row);
    const bool atOneTime = CProfile().Read("Base", "GPSGLNAtOneTime", true);
    (atOneTime ? together : apart)->setChecked(true);
    connect(together, &QRadioButton::clicked, this, [this] { setAtOneTime(true); });
    connect(apart, &QRadioButton::clicked, this, [this] { setAtOneTime(false); });
    connect(get, &QPushButton::clicked, this, &CBasePage::takeLastPosition);
  }
  for (QLineEdit* e : findChildren<QLineEdit*>())
    if (e->objectName().startsWith(QString(kGpsGeo) + "#"))
      connect(e, &QLineEdit::textEdited, this, &CBasePage::followGps);
}

void CBasePage::setAtOneTime(bool atOneTime) {
  CProfile().Write("Base", "GPSGLNAtOneTime", atOneTime);
  followGps();
}

void CBasePage::followGps() {
  if (!CProfile().Read("Base", "GPSGLNAtOneTime", true)) return;
  const int gps = model().indexOf(kGpsGeo), glo = model().indexOf(kGloGeo);
  if (gps < 0 || glo < 0 || !model().at(static_cast<std::size_t>(glo)).enabled) return;
  model().setValue(static_cast<std::size_t>(glo), model().at(static_cast<std::size_t>(gps)).value);
  showValues();
  emit edited();
}

bool CBasePage::takeLastPosition() {
  BasePosition::Fix fix;
  if (!lastPosition_ || !lastPosition_(fix)) return false;
  for (const char* path : {kGpsGeo, kGloGeo}) {
    const int at = model().indexOf(path);
    if (at < 0 || !model().at(static_cast<std::size_t>(at)).enabled) continue;
    const auto i = static_cast<std::size_t>(at);
    model().setValue(i, BasePosition::groupValue(model().groupTexts(i)[0], fix));
  }
  showValues();
  emit edited();
  return true;
}
CPortsPage::CPortsPage(QWidget* parent) : CDialogRCV(SetupPages::ports(), parent) {
  auto* warning =
      new QLabel("Warning, Newly applied setting will be activated only after receiver reset.", this);
  warning->setWordWrap(true);
  static_cast<QBoxLayout*>(layout())->insertWidget(0, warning);
}

QString CPortsPage::apply(ICommandSender& sender) {
  const CPageModel& m = model();
  const auto changedAt = [&m](const char* path) {
    const int at = m.indexOf(path);
    return at >= 0 && m.changed(static_cast<std::size_t>(at));
  };
  const bool bluetooth = changedAt("/par/blt/name") || changedAt("/par/blt/pin");
  if (QString error = CDialogRCV::apply(sender); !error.isEmpty()) return error;
  const auto value = [&m](const char* path) {
    const int at = m.indexOf(path);
    return at >= 0 && m.at(static_cast<std::size_t>(at)).enabled ? m.at(static_cast<std::size_t>(at)).value
                                                                 : std::string();
  };
  const int wifi = m.indexOf("/par/net/wlan/mode");
  if (wifi >= 0 && m.at(static_cast<std::size_t>(wifi)).enabled &&
      m.checked(static_cast<std::size_t>(wifi))) {
    const std::string link = "WIFI:" + value("/par/net/wlan/ip/addr") + ":" + value("/par/net/tcp/port") +
                             ":" + value("/par/net/passwd") + ",";
    CProfile().Write("LServer", "WIFI", link.c_str());
  }
  if (bluetooth) emit resetNeeded();
  return {};
}

namespace {
// What the external frequency is doing now: read on their own, the rest of the page untouched.
const std::vector<std::string> kFrequencyState = {"/par/frq/in/status", "/par/frq/in/amp",
                                                  "/par/frq/out/frq"};
}  // namespace

CAdvancedPage::CAdvancedPage(ICommandSender& sender, QWidget* parent)
    : CDialogRCV(SetupPages::advanced(), parent), sender_(sender) {
  if (QFormLayout* form = formOf(sectionOf(kFrequencyState[0]))) {
    auto* refresh = new QPushButton("Refresh");
    refresh->setObjectName("refreshFrequency");
    form->addRow(refresh);
    connect(refresh, &QPushButton::clicked, this, &CAdvancedPage::refreshFrequency);
  }
}

void CAdvancedPage::refreshFrequency() {
  std::string reply;
  setEnabled(false);  // no second request while this one waits
  const bool sent = sender_.SendCommand(QueryAnswers::script(kFrequencyState), 0, reply);
  setEnabled(true);
  const std::vector<std::string> answers = sent ? QueryAnswers::parse(reply) : std::vector<std::string>();
  for (std::size_t k = 0; k < kFrequencyState.size(); ++k) {
    const int at = model().indexOf(kFrequencyState[k]);
    if (at >= 0) model().show(static_cast<std::size_t>(at), k < answers.size() ? answers[k] : std::string());
  }
  showValues();
}

CRoverPage::CRoverPage(ICommandSender& sender, QWidget* parent) : CDialogRCV(SetupPages::rover(), parent) {
  QPushButton* reset = addButton(this, "Reset RTK Engine");
  connect(reset, &QPushButton::clicked, this, [this, &sender] {
    std::string reply;
    emit status(sender.SendCommand("set,/par/pos/pd/reset,on", 0, reply) ? QString()
                                                                         : "Can't reset RTK engine");
  });
}

CEventPage::CEventPage(ICommandSender& sender, QWidget* parent) : CDialogRCV(SetupPages::event(), parent) {
  for (const char* x : {"a", "b"}) {
    // The button sits with its event's status.
    auto* statusLabel = findChild<QLabel*>(QString("/par/dev/event/") + x + "/locked");
    auto* form = statusLabel ? qobject_cast<QFormLayout*>(statusLabel->parentWidget()->layout()) : nullptr;
    QPushButton* repeat =
        form ? new QPushButton("Repeat Synchronization") : addButton(this, "Repeat Synchronization");
    if (form) form->addRow(repeat);
    repeat->setObjectName(QString("repeat-") + x);
    const std::string ev = std::string("/par/dev/event/") + x;
    const QString refused = QString("Can't set clock synchronization with Event ") + QChar(x[0]).toUpper();
    connect(repeat, &QPushButton::clicked, this, [this, &sender, ev, refused] {
      std::string reply;
      if (!sender.SendCommand("%%set," + ev + "/lock,on", 0, reply)) {
        emit status(refused);
        return;
      }
      // The status shows what the receiver says about the lock now.
      sender.SendCommand("print," + ev + "/locked", 0, reply);
      const int at = model().indexOf(ev + "/locked");
      if (at >= 0 && reply.rfind("RE", 0) == 0) {
        model().fill(static_cast<std::size_t>(at), reply.substr(5));
        showValues();
      }
      emit status(QString());
    });
  }
}
