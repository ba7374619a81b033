#include "corrections/CCorrectionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace corrections {

namespace {

constexpr int kTickMs = 250;

template <typename W>
W* named(W* w, const char* name) {
  w->setObjectName(name);
  return w;
}

// "1004:12 1006:1 ...", eight to a line: a label that wraps by itself gets clipped in a form.
QString messageLines(const std::map<unsigned, std::uint64_t>& messages) {
  if (messages.empty()) return "none";
  QString out;
  int n = 0;
  for (const auto& [type, count] : messages)
    out += (n == 0 ? "" : n % 8 == 0 ? "\n" : " ") + QString("%1:%2").arg(type).arg(count), ++n;
  return out;
}

QString age(std::int64_t ms) {
  return ms < 0 ? QString("-") : QString("%1 s").arg(static_cast<double>(ms) / 1000.0, 0, 'f', 1);
}

}  // namespace

CCorrectionsDlg::CCorrectionsDlg(ReceiverState receiver, OwnLink ownLink, QWidget* parent)
    : QDialog(parent),
      m_Receiver(std::move(receiver)),
      m_OwnLinkDestination(std::move(ownLink)),
      m_Timer(new QTimer(this)) {
  setObjectName("dlgCorrections");
  setWindowTitle("Corrections input");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(buildCaster());
  layout->addWidget(buildMounts(), 1);
  layout->addWidget(buildRun());
  layout->addWidget(buildStatus());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  load();
  setRunning(false);
  connect(m_Timer, &QTimer::timeout, this, &CCorrectionsDlg::tick);
  m_Timer->start(kTickMs);
  resize(640, 640);
}

CCorrectionsDlg::~CCorrectionsDlg() {
  m_Fetch.Cancel();
  m_Run.Stop();
}

QWidget* CCorrectionsDlg::buildCaster() {
  auto* box = new QGroupBox("Caster", this);
  auto* form = new QFormLayout(box);
  auto* hostRow = new QHBoxLayout;
  m_Caster = named(new QLineEdit(box), "ntripCaster");
  m_Port = named(new QSpinBox(box), "ntripPort");
  m_Port->setRange(1, 65535);
  hostRow->addWidget(m_Caster, 1);
  hostRow->addWidget(new QLabel("Port:", box));
  hostRow->addWidget(m_Port);
  form->addRow("Caster:", hostRow);
  m_User = named(new QLineEdit(box), "ntripUser");
  form->addRow("User:", m_User);
  m_Password = named(new QLineEdit(box), "ntripPassword");
  m_Password->setEchoMode(QLineEdit::Password);
  form->addRow("Password:", m_Password);
  m_Version = named(new QComboBox(box), "ntripVersion");
  m_Version->addItems({"NTRIP 2.0", "NTRIP 1.0"});
  m_TableButton = named(new QPushButton("Get source table", box), "ntripSourceTable");
  connect(m_TableButton, &QPushButton::clicked, this, &CCorrectionsDlg::getSourceTable);
  auto* versionRow = new QHBoxLayout;
  versionRow->addWidget(m_Version);
  m_Tls = named(new QCheckBox("TLS (ntrips)", box), "ntripTls");
  m_Tls->setToolTip("The caster over TLS; its certificate is checked against the system's trusted roots");
  versionRow->addWidget(m_Tls);
  versionRow->addStretch(1);
  versionRow->addWidget(m_TableButton);
  form->addRow("Protocol:", versionRow);
  auto* trustRow = new QHBoxLayout;
  m_CaFile = named(new QLineEdit(box), "ntripCaFile");
  m_CaFile->setPlaceholderText("system's roots");
  m_CaFile->setToolTip("A file of CA certificates (PEM) that the caster's certificate must chain to");
  m_Fingerprint = named(new QLineEdit(box), "ntripFingerprint");
  m_Fingerprint->setPlaceholderText("SHA-256, AB:CD:...");
  m_Fingerprint->setToolTip(
      "Trust the caster's certificate with this SHA-256 fingerprint (a self-signed one)");
  trustRow->addWidget(m_CaFile, 1);
  trustRow->addWidget(new QLabel("Fingerprint:", box));
  trustRow->addWidget(m_Fingerprint, 1);
  form->addRow("CA file:", trustRow);
  auto trustOn = [this](bool on) {
    m_CaFile->setEnabled(on && m_Start->isEnabled());
    m_Fingerprint->setEnabled(on && m_Start->isEnabled());
  };
  connect(m_Tls, &QCheckBox::toggled, this, trustOn);
  return box;
}

QWidget* CCorrectionsDlg::buildMounts() {
  auto* box = new QGroupBox("Mount points (nearest to the receiver first)", this);
  auto* v = new QVBoxLayout(box);
  m_Mounts = named(new QTreeWidget(box), "ntripMounts");
  m_Mounts->setHeaderLabels({"Mount point", "Identifier", "Format", "Distance", "GGA"});
  m_Mounts->setRootIsDecorated(false);
  m_Mounts->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_Mounts->setMinimumHeight(m_Mounts->fontMetrics().height() * 9);
  connect(m_Mounts, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!item) return;
    m_Mount->setText(item->text(0));
    if (item->text(4) == "yes") m_Gga->setChecked(true);
  });
  v->addWidget(m_Mounts, 1);
  auto* form = new QFormLayout;
  m_Mount = named(new QLineEdit(box), "ntripMount");
  form->addRow("Mount point:", m_Mount);
  v->addLayout(form);
  return box;
}

QWidget* CCorrectionsDlg::buildRun() {
  auto* box = new QGroupBox("Corrections", this);
  auto* form = new QFormLayout(box);
  auto* ggaRow = new QHBoxLayout;
  m_Gga = named(new QCheckBox("Send the receiver's position (GGA) every", box), "ntripGga");
  m_GgaInterval = named(new QSpinBox(box), "ntripGgaInterval");
  m_GgaInterval->setRange(1, 3600);
  m_GgaInterval->setSuffix(" s");
  ggaRow->addWidget(m_Gga);
  ggaRow->addWidget(m_GgaInterval);
  ggaRow->addStretch(1);
  form->addRow(ggaRow);
  m_Destination = named(new QLineEdit(box), "ntripDestination");
  m_Destination->setPlaceholderText("COM/dev/ttyUSB1:115200 or TCP:host:port");
  m_Destination->setToolTip(
      "The receiver's port that takes the corrections: a serial port on its own cable "
      "(COM + device + : + rate) or a TCP port (TCP:host:port)");
  form->addRow("Destination:", m_Destination);
  m_OwnLink =
      named(new QCheckBox("Through the receiver's own link, between its commands", box), "ntripOwnLink");
  m_OwnLink->setToolTip(
      "The corrections go to the receiver on the link the main view uses; the input mode of that "
      "port must take corrections as well as commands (e.g. omni)");
  connect(m_OwnLink, &QCheckBox::toggled, this,
          [this](bool on) { m_Destination->setEnabled(!on && m_Start->isEnabled()); });
  form->addRow(m_OwnLink);
  auto* buttons = new QHBoxLayout;
  m_Start = named(new QPushButton("Start", box), "ntripStart");
  m_Stop = named(new QPushButton("Stop", box), "ntripStop");
  connect(m_Start, &QPushButton::clicked, this, &CCorrectionsDlg::start);
  connect(m_Stop, &QPushButton::clicked, this, &CCorrectionsDlg::stop);
  buttons->addStretch(1);
  buttons->addWidget(m_Start);
  buttons->addWidget(m_Stop);
  form->addRow(buttons);
  return box;
}

QWidget* CCorrectionsDlg::buildStatus() {
  auto* box = new QGroupBox("Status", this);
  auto* form = new QFormLayout(box);
  m_State = named(new QLabel("idle", box), "ntripState");
  m_Rate = named(new QLabel("-", box), "ntripRate");
  m_Messages = named(new QLabel("-", box), "ntripMessages");
  m_Age = named(new QLabel("-", box), "ntripAge");
  m_Reconnects = named(new QLabel("0", box), "ntripReconnects");
  m_Solution = named(new QLabel("-", box), "ntripSolution");
  m_Text = named(new QLabel(box), "ntripText");
  m_Text->setWordWrap(true);
  form->addRow("State:", m_State);
  form->addRow("Rate:", m_Rate);
  form->addRow("Messages:", m_Messages);
  form->addRow("Age of the last message:", m_Age);
  form->addRow("Reconnects:", m_Reconnects);
  form->addRow("Receiver solution:", m_Solution);
  form->addRow(m_Text);
  return box;
}

void CCorrectionsDlg::load() {
  CorrectionsSettings s;
  s.Load();
  m_Caster->setText(QString::fromStdString(s.caster));
  m_Port->setValue(s.port);
  m_User->setText(QString::fromStdString(s.user));
  m_Password->setText(QString::fromStdString(s.password));
  m_Mount->setText(QString::fromStdString(s.mount));
  m_Version->setCurrentIndex(s.version == 1 ? 1 : 0);
  m_Gga->setChecked(s.sendGga);
  m_GgaInterval->setValue(s.ggaInterval);
  m_Destination->setText(QString::fromStdString(s.destination));
  m_OwnLink->setChecked(s.ownLink);
  m_Tls->setChecked(s.tls);
  m_CaFile->setText(QString::fromStdString(s.tlsCaFile));
  m_Fingerprint->setText(QString::fromStdString(s.tlsFingerprint));
}

CorrectionsSettings CCorrectionsDlg::fromControls() const {
  CorrectionsSettings s;
  s.caster = m_Caster->text().trimmed().toStdString();
  s.port = m_Port->value();
  s.user = m_User->text().toStdString();
  s.password = m_Password->text().toStdString();
  s.mount = m_Mount->text().trimmed().toStdString();
  s.version = m_Version->currentIndex() == 1 ? 1 : 2;
  s.sendGga = m_Gga->isChecked();
  s.ggaInterval = m_GgaInterval->value();
  s.destination = m_Destination->text().trimmed().toStdString();
  s.ownLink = m_OwnLink->isChecked();
  s.tls = m_Tls->isChecked();
  s.tlsCaFile = m_CaFile->text().trimmed().toStdString();
  s.tlsFingerprint = m_Fingerprint->text().trimmed().toStdString();
  return s;
}

Ntrip::CasterRequest CCorrectionsDlg::casterRequest(const CorrectionsSettings& s,
                                                    const std::string& mount) const {
  Ntrip::CasterRequest r{s.caster, s.port, mount, s.user, s.password, s.version, ""};
  r.tls = s.tls;
  if (s.tls) {
    r.tlsCaFile = s.tlsCaFile;
    r.tlsFingerprint = s.tlsFingerprint;
  }
  return r;
}

void CCorrectionsDlg::getSourceTable() {
  const CorrectionsSettings s = fromControls();
  if (s.caster.empty()) {
    m_Text->setText("Enter the caster's host name or address.");
    return;
  }
  m_Fetch.Begin(casterRequest(s, ""));
  m_TableButton->setEnabled(false);
  m_Text->setText("Asking " + QString::fromStdString(s.caster) + " for its source table...");
}

void CCorrectionsDlg::start() {
  const CorrectionsSettings s = fromControls();
  if (s.caster.empty() || s.mount.empty() || (s.destination.empty() && !s.ownLink)) {
    m_Text->setText("Enter the caster, a mount point and the destination.");
    return;
  }
  s.Save();
  Ntrip::ClientSettings c;
  c.caster = casterRequest(s, s.mount);
  c.ggaIntervalSec = s.sendGga ? s.ggaInterval : 0;
  std::string error;
  std::unique_ptr<OwnLinkDestination> own;
  if (s.ownLink && m_OwnLinkDestination) own = m_OwnLinkDestination(error);
  if (s.ownLink && !own) {
    m_Text->setText("Cannot use the receiver's own link: " +
                    QString::fromStdString(error.empty() ? std::string("not available here") : error));
    return;
  }
  m_Own = nullptr;
  OwnLinkDestination* ownLink = own.get();
  if (own ? !m_Run.Start(c, std::move(own), true, error) : !m_Run.Start(c, s.destination, error)) {
    m_Text->setText("Cannot open the destination: " + QString::fromStdString(error));
    return;
  }
  m_Own = ownLink;
  setRunning(true);
}

void CCorrectionsDlg::stop() {
  m_Own = nullptr;
  m_Run.Stop();
  setRunning(false);
  m_State->setText("stopped");
}

void CCorrectionsDlg::setRunning(bool running) {
  m_Start->setEnabled(!running);
  m_Stop->setEnabled(running);
  for (QWidget* w : std::initializer_list<QWidget*>{m_Caster, m_Port, m_User, m_Password, m_Version, m_Mount,
                                                    m_Destination, m_Gga, m_GgaInterval, m_Mounts, m_OwnLink,
                                                    m_Tls, m_CaFile, m_Fingerprint})
    w->setEnabled(!running);
  if (!running) {
    m_Destination->setEnabled(!m_OwnLink->isChecked());
    m_CaFile->setEnabled(m_Tls->isChecked());
    m_Fingerprint->setEnabled(m_Tls->isChecked());
  }
}

void CCorrectionsDlg::tick() {
  QString solution;
  if (m_Receiver && m_Receiver(m_Position, solution)) {
    m_HasPosition = true;
    m_Run.position().Set(m_Position);
  }
  m_Solution->setText(solution.isEmpty() ? QString("-") : solution);
  if (!m_Fetch.Busy() && !m_TableButton->isEnabled()) {
    Ntrip::SourceTable table;
    std::string error;
    if (m_Fetch.Take(table, error))
      showTable(table);
    else
      m_Text->setText(QString::fromStdString(error));
    m_TableButton->setEnabled(true);
  }
  if (m_Run.Running()) {
    showStatus(m_Run.Status());
    if (m_Own) showOwnLink();
    if (m_Run.Ended()) setRunning(false);  // a refusal ends it; the text says why
  }
}

// Through the receiver's own link: paused while the session does not show the receiver, and
// ended with the session, even while the caster sends nothing that would find out.
void CCorrectionsDlg::showOwnLink() {
  const OwnLinkDestination::Notice n = m_Own->now();
  const QString dropped =
      n.dropped == 0 ? QString() : QString("; %1 bytes of corrections dropped").arg(n.dropped);
  if (!n.ended.empty()) {
    const Ntrip::ClientStatus last = m_Run.Status();
    m_Own = nullptr;
    m_Run.Stop();
    setRunning(false);
    // The client may have found the end first, with its own words around the same reason.
    m_State->setText("stopped");
    m_Text->setText(
        QString::fromStdString(last.state == Ntrip::ClientStatus::State::Failed ? last.text : n.ended));
    return;
  }
  if (!n.paused.empty()) {
    m_State->setText("paused");
    m_Text->setText("paused: " + QString::fromStdString(n.paused) + dropped);
  } else if (!dropped.isEmpty()) {
    m_Text->setText(m_Text->text() + dropped);
  }
}

void CCorrectionsDlg::showTable(const Ntrip::SourceTable& table) {
  m_Mounts->clear();
  const auto streams = m_HasPosition
                           ? Ntrip::SortedByDistance(table.streams, m_Position.latitude, m_Position.longitude)
                           : table.streams;
  for (const Ntrip::StreamRecord& s : streams) {
    QString distance = "-";
    if (m_HasPosition && s.hasPosition)
      distance = QString("%1 km").arg(
          Ntrip::DistanceKm(m_Position.latitude, m_Position.longitude, s.latitude, s.longitude), 0, 'f', 1);
    auto* item = new QTreeWidgetItem({QString::fromStdString(s.mount), QString::fromStdString(s.identifier),
                                      QString::fromStdString(s.format), distance, s.needsGga ? "yes" : "no"});
    item->setTextAlignment(3, Qt::AlignRight | Qt::AlignVCenter);
    m_Mounts->addTopLevelItem(item);
  }
  m_Text->setText(QString("%1 mount points").arg(streams.size()) +
                  (m_HasPosition ? QString() : QString(" (no receiver position yet: in table order)")));
}

void CCorrectionsDlg::showStatus(const Ntrip::ClientStatus& s) {
  m_State->setText(Ntrip::StateName(s.state));
  m_Rate->setText(QString("%1 B/s, %2 bytes in all").arg(s.bytesPerSecond, 0, 'f', 0).arg(s.bytes) +
                  (s.dropped ? QString(", %1 dropped while the destination was away").arg(s.dropped) : QString()));
  m_Messages->setText(messageLines(s.messages));
  m_Age->setText(age(s.ageMs));
  m_Reconnects->setText(QString::number(s.reconnects));
  m_Text->setText(QString::fromStdString(s.text));
}

}  // namespace corrections
