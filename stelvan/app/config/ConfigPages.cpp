#include "ConfigPages.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

#include "ICommandSender.h"
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
CPositioningPage::CPositioningPage(QWidget* parent) : CDialogRCV(SetupPages::positioning(), parent) {}
CBasePage::CBasePage(QWidget* parent) : CDialogRCV(SetupPages::base(), parent) {}
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

CAdvancedPage::CAdvancedPage(QWidget* parent) : CDialogRCV(SetupPages::advanced(), parent) {}

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
