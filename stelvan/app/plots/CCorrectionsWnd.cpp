#include "plots/CCorrectionsWnd.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "gridlink/platform/Clock.h"
#include "plots/PositionTrack.h"

namespace plots {

namespace {

constexpr int kRefreshMs = 500;
constexpr const char* kNone = "-";

QString metres(double v, int decimals = 4) {
  return QString::number(v, 'f', decimals) + " m";
}

// 38.80475943° N: degrees with the hemisphere, as a surveyor reads a station sheet.
QString degrees(double v, char positive, char negative) {
  return QString::number(std::abs(v), 'f', 8) + QChar(0x00B0) + " " + QChar(v < 0 ? negative : positive);
}

QTableWidget* table(QWidget* parent, const char* name, const QStringList& headers) {
  auto* t = new QTableWidget(0, headers.size(), parent);
  t->setObjectName(name);
  t->setHorizontalHeaderLabels(headers);
  t->verticalHeader()->hide();
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionMode(QAbstractItemView::NoSelection);
  t->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  return t;
}

void setRow(QTableWidget* t, int row, const QStringList& cells) {
  for (int c = 0; c < cells.size(); ++c) {
    auto* item = t->item(row, c);
    if (!item) {
      item = new QTableWidgetItem;
      item->setTextAlignment(Qt::AlignCenter);
      t->setItem(row, c, item);
    }
    item->setText(cells[c]);
  }
}

}  // namespace

CCorrectionsWnd::CCorrectionsWnd(QWidget* parent) : LiveViewBase(parent) {
  setObjectName("correctionsWnd");
  auto* top = new QHBoxLayout;
  top->addWidget(buildStation(), 3);
  top->addWidget(buildDescriptors(), 2);
  content()->addLayout(top);
  content()->addLayout(buildTables(), 1);
  content()->addLayout(buildButtons());
  refresh_.setInterval(kRefreshMs);
  connect(&refresh_, &QTimer::timeout, this, &CCorrectionsWnd::refresh);
  refresh_.start();
  refresh();
}

QLayout* CCorrectionsWnd::buildTables() {
  messages_ = table(this, "messageTable", {"Message", "Count", "Rate", "Age"});
  systems_ = table(this, "systemTable", {"System", "Message", "Satellites", "Signals"});
  auto* satBox = new QGroupBox("Latest MSM epoch", this);
  (new QVBoxLayout(satBox))->addWidget(systems_);
  auto* msgBox = new QGroupBox("Messages", this);
  (new QVBoxLayout(msgBox))->addWidget(messages_);
  auto* tables = new QHBoxLayout;
  tables->addWidget(msgBox, 1);
  tables->addWidget(satBox, 1);
  return tables;
}

QLayout* CCorrectionsWnd::buildButtons() {
  auto* clear = new QPushButton("Clear", this);
  clear->setObjectName("clearButton");
  connect(clear, &QPushButton::clicked, this, [this] {
    model_.clear();
    refresh();
  });
  auto* bottom = new QHBoxLayout;
  bottom->addStretch(1);
  bottom->addWidget(clear);
  return bottom;
}

QWidget* CCorrectionsWnd::buildStation() {
  auto* box = new QGroupBox("Reference station", this);
  auto* form = new QFormLayout(box);
  const char* labels[] = {"Station ID:", "X / Y / Z:", "Lat / Lon / h:", "Antenna height:", "Distance:"};
  for (int i = 0; i < 5; ++i) {
    stationText_[i] = new QLabel(box);
    stationText_[i]->setObjectName(QString("station%1").arg(i));
    stationText_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(labels[i], stationText_[i]);
  }
  return box;
}

QWidget* CCorrectionsWnd::buildDescriptors() {
  auto* box = new QGroupBox("Antenna and receiver", this);
  auto* form = new QFormLayout(box);
  const char* labels[] = {
      "Antenna:", "Setup ID:", "Antenna serial:", "Receiver:", "Firmware:", "Receiver serial:"};
  for (int i = 0; i < 6; ++i) {
    descriptorText_[i] = new QLabel(box);
    descriptorText_[i]->setObjectName(QString("descriptor%1").arg(i));
    descriptorText_[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(labels[i], descriptorText_[i]);
  }
  return box;
}

void CCorrectionsWnd::begin() {
  model_.clear();
  refresh();
}

void CCorrectionsWnd::feed(const std::vector<std::string>& messages) {
  noteEpochs(messages);
  for (const std::string& m : messages) {
    if (auto fix = PositionTrack::decodePG(reinterpret_cast<const unsigned char*>(m.data()),
                                           static_cast<int>(m.size()))) {
      double xyz[3];
      engine::rtcm3::geodeticToEcef({fix->lat * 180 / M_PI, fix->lon * 180 / M_PI, fix->height}, xyz);
      model_.setOwnPosition(xyz);
    }
  }
}

void CCorrectionsWnd::addRtcm(const unsigned char* bytes, int count) {
  if (count > 0 && bytes[0] == 0xD3)
    model_.addBytes(bytes, static_cast<std::size_t>(count), Platform::GetTickCount());
}

void CCorrectionsWnd::refresh() {
  const CorrectionsSnapshot s = model_.snapshot(Platform::GetTickCount());
  showStation(s);
  showDescriptors(s);
  showMessages(s);
  showSystems(s);
}

void CCorrectionsWnd::showStation(const CorrectionsSnapshot& s) {
  if (!s.station) {
    for (QLabel* l : stationText_) l->setText(kNone);
    return;
  }
  const auto& a = *s.station;
  stationText_[0]->setText(QString::number(a.station));
  stationText_[1]->setText(metres(a.x) + "\n" + metres(a.y) + "\n" + metres(a.z));
  stationText_[2]->setText(degrees(s.stationGeo.latDeg, 'N', 'S') + "\n" +
                           degrees(s.stationGeo.lonDeg, 'E', 'W') + "\n" + metres(s.stationGeo.h));
  stationText_[3]->setText(a.hasHeight ? metres(a.antennaHeight) : QString(kNone));
  stationText_[4]->setText(s.distance ? metres(*s.distance, 3) + " from the receiver" : QString(kNone));
}

void CCorrectionsWnd::showDescriptors(const CorrectionsSnapshot& s) {
  const auto text = [](bool present, const std::string& v) {
    return present && !v.empty() ? QString::fromLatin1(v.c_str()) : QString(kNone);
  };
  const auto& d = s.descriptor;
  descriptorText_[0]->setText(text(d.has_value(), d ? d->antenna : ""));
  descriptorText_[1]->setText(d ? QString::number(d->setup) : QString(kNone));
  descriptorText_[2]->setText(text(d && d->hasSerial, d ? d->antennaSerial : ""));
  descriptorText_[3]->setText(text(d && d->hasReceiver, d ? d->receiver : ""));
  descriptorText_[4]->setText(text(d && d->hasReceiver, d ? d->firmware : ""));
  descriptorText_[5]->setText(text(d && d->hasReceiver, d ? d->receiverSerial : ""));
}

void CCorrectionsWnd::showMessages(const CorrectionsSnapshot& s) {
  messages_->setRowCount(static_cast<int>(s.messages.size()));
  int row = 0;
  for (const auto& m : s.messages) {
    const QString rate = m.rateHz ? QString::number(*m.rateHz, 'f', 2) + " Hz" : QString(kNone);
    setRow(messages_, row++,
           {QString::number(m.type), QString::number(m.count), rate,
            QString::number(static_cast<double>(m.ageMs) / 1000.0, 'f', 1) + " s"});
  }
}

void CCorrectionsWnd::showSystems(const CorrectionsSnapshot& s) {
  systems_->setRowCount(static_cast<int>(s.systems.size()));
  int row = 0;
  for (const auto& sys : s.systems)
    setRow(systems_, row++,
           {QString::fromStdString(sys.name), QString::number(sys.type), QString::number(sys.satellites),
            QString::fromStdString(sys.signalNames)});
}

}  // namespace plots
