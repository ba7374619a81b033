#include "site/CTargetDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "site/SiteSettings.h"

CTargetDialog::CTargetDialog(double lat, double lon, bool sessionOpen, QWidget* parent)
    : QDialog(parent), m_Lat(lat), m_Lon(lon) {
  setObjectName("dlgTarget");
  setWindowTitle("Target position");
  auto* grid = new QGridLayout;
  m_LatEdit = makeCoordinate("lat", "N", "S");
  m_LonEdit = makeCoordinate("lon", "E", "W");
  int row = 0;
  for (const auto& [title, c] : {std::pair{"Latitude", m_LatEdit}, std::pair{"Longitude", m_LonEdit}}) {
    grid->addWidget(new QLabel(title, this), row, 0);
    grid->addWidget(c.degrees, row, 1);
    grid->addWidget(c.minutes, row, 2);
    grid->addWidget(c.seconds, row, 3);
    grid->addWidget(c.hemisphere, row, 4);
    ++row;
  }
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QDialogButtonBox::Ok)->setObjectName("ok");
  buttons->addButton(QDialogButtonBox::Cancel)->setObjectName("cancel");
  m_Get = buttons->addButton("Get from receiver", QDialogButtonBox::ActionRole);
  m_Get->setObjectName("getFromReceiver");
  m_Get->setEnabled(sessionOpen);
  connect(buttons, &QDialogButtonBox::accepted, this, &CTargetDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_Get, &QPushButton::clicked, this, &CTargetDialog::positionWanted);
  auto* v = new QVBoxLayout(this);
  v->addLayout(grid);
  v->addWidget(buttons);
  setPosition(lat, lon);
}

CTargetDialog::Coordinate CTargetDialog::makeCoordinate(const char* prefix, const char* positive,
                                                        const char* negative) {
  Coordinate c;
  const QString p(prefix);
  c.degrees = new QLineEdit(this);
  c.degrees->setObjectName(p + "Degrees");
  c.minutes = new QLineEdit(this);
  c.minutes->setObjectName(p + "Minutes");
  c.seconds = new QLineEdit(this);
  c.seconds->setObjectName(p + "Seconds");
  c.hemisphere = new QComboBox(this);
  c.hemisphere->setObjectName(p + "Hemisphere");
  c.hemisphere->addItems({positive, negative});
  return c;
}

void CTargetDialog::show(const Coordinate& c, double radians) {
  const SiteRules::DmsText d = SiteRules::FromRadians(radians);
  c.degrees->setText(QString::number(d.degrees));
  c.minutes->setText(QString::number(d.minutes));
  c.seconds->setText(QString::fromStdString(d.seconds));
  c.hemisphere->setCurrentIndex(d.negative ? 1 : 0);
}

void CTargetDialog::setPosition(double lat, double lon) {
  show(m_LatEdit, lat);
  show(m_LonEdit, lon);
}

double CTargetDialog::read(const Coordinate& c, double modulo) {
  // A field that is not a number reads as 0.
  const float degrees = c.degrees->text().trimmed().toFloat();
  const float minutes = c.minutes->text().trimmed().toFloat();
  const double seconds = c.seconds->text().trimmed().toDouble();
  return SiteRules::ToRadians(degrees, minutes, seconds, c.hemisphere->currentIndex() != 0, modulo);
}

void CTargetDialog::accept() {
  m_Lat = read(m_LatEdit, 90);
  m_Lon = read(m_LonEdit, 180);
  QDialog::accept();
}
