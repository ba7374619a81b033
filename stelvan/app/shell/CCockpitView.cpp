#include "shell/CCockpitView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "gridlink/CProfile.h"
#include "shell/CCockpitApp.h"

namespace {

QString latin1(const std::string& s) {
  return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

QLabel* label(const char* name, QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setObjectName(name);
  return l;
}

// Tab titles, also the tables' object names after "table"; the tab of table t is tab t.
const char* const kTableNames[kSatTables] = {"GPS", "GLONASS", "GALILEO", "SBAS", "BeiDou", "QZSS"};
// The tables a receiver of the four classic systems never fills.
constexpr int kOptionalTables[] = {kBeidou, kQzss};

}  // namespace

CCockpitView::CCockpitView(CCockpitApp& app, QWidget* parent)
    : QWidget(parent), m_App(app), m_Display(app, app.targetChanged) {
  setObjectName("CCockpitView");
  auto* top = new QVBoxLayout(this);
  auto* status = new QGridLayout;
  m_SatCounts = label("satCounts", this);
  m_Solution = label("solution", this);
  m_Rtcm = label("rtcm", this);
  m_EventA = label("eventA", this);
  m_EventB = label("eventB", this);
  m_Stop = new QPushButton("Stop", this);
  m_Stop->setObjectName("stopButton");
  m_Stop->hide();
  connect(m_Stop, &QPushButton::clicked, this, [this] { m_App.session().abortConnect(); });
  status->addWidget(m_SatCounts, 0, 0);
  status->addWidget(m_Solution, 0, 1);
  status->addWidget(m_Rtcm, 1, 0);
  status->addWidget(m_EventA, 1, 1);
  status->addWidget(m_EventB, 2, 1);
  status->addWidget(m_Stop, 2, 0);
  top->addLayout(status);

  m_Tabs = new QTabWidget(this);
  m_Tabs->setObjectName("tabs");
  m_Tabs->setUsesScrollButtons(false);  // every tab stays in sight; the window is as wide as they need
  for (int t = 0; t < kSatTables; ++t) m_Tabs->addTab(buildTable(t), kTableNames[t]);
  m_Tabs->addTab(buildLocationPage(), "Location");
  hideSystemTabs();
  top->addWidget(m_Tabs, 1);
  connect(
      this, &CCockpitView::sessionState, this,
      [this](int, int to) {
        if (static_cast<session::SessionState>(to) == session::SessionState::Idle) hideSystemTabs();
      },
      Qt::QueuedConnection);
  applyTexts(ViewTexts{});
  m_App.session().setObserver(this);
  m_App.session().addRoundListener(this);
}

CCockpitView::~CCockpitView() {
  m_App.session().removeRoundListener(this);
  m_App.session().setObserver(nullptr);
}

// The position's context menu: decimal degrees or degrees, minutes and seconds (kept in the
// settings), and Copy.
void CCockpitView::buildPositionActions() {
  CProfile* p = CProfile::Instance();
  const bool decimal = p->Read("Display", "DecimalDegrees", 0) != 0;
  p->Release();
  m_Display.setDecimalDegrees(decimal);
  auto* decimalAction = new QAction("Decimal degrees", m_Geo);
  decimalAction->setObjectName("actionDecimalDegrees");
  decimalAction->setCheckable(true);
  decimalAction->setChecked(decimal);
  connect(decimalAction, &QAction::toggled, this, [this](bool on) {
    m_Display.setDecimalDegrees(on);
    CProfile* profile = CProfile::Instance();
    profile->Write("Display", "DecimalDegrees", on ? 1 : 0);
    profile->Release();
  });
  auto* copy = new QAction("Copy position", m_Geo);
  copy->setObjectName("actionCopyPosition");
  connect(copy, &QAction::triggered, this, [this] { QApplication::clipboard()->setText(m_Geo->text()); });
  m_Geo->addAction(decimalAction);
  m_Geo->addAction(copy);
  m_Geo->setContextMenuPolicy(Qt::ActionsContextMenu);
}

QTableWidget* CCockpitView::buildTable(int table) {
  const auto& columns = satColumns(table);
  auto* t = new QTableWidget(0, static_cast<int>(columns.size()), this);
  t->setObjectName(QString("table") + kTableNames[table]);
  QStringList headers;
  for (const SatColumn& c : columns) headers << c.header;
  t->setHorizontalHeaderLabels(headers);
  t->verticalHeader()->hide();
  t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 2);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->horizontalHeader()->setMinimumSectionSize(8);
  // Its columns at their set widths (the last one stretches with the window).
  int natural = 2 * t->frameWidth() + t->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
    // Never narrower than its widest cell ("-7--", "00*"), whatever the font.
    const int width =
        columns[static_cast<std::size_t>(c)].width == 0
            ? 0
            : std::max(static_cast<int>(columns[static_cast<std::size_t>(c)].width * m_App.scaleX),
                       t->fontMetrics().horizontalAdvance("-00--") + 6);
    if (width == 0)
      t->setColumnHidden(c, true);
    else
      t->setColumnWidth(c, width);
    natural += width;
  }
  m_TableWidths[static_cast<std::size_t>(table)] = natural;
  t->horizontalHeader()->setStretchLastSection(true);
  connect(t->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this, table](int c) { sortBy(table, c); });
  m_Tables[static_cast<std::size_t>(table)] = t;
  return t;
}

QWidget* CCockpitView::buildLocationPage() {
  auto* page = new QWidget(this);
  page->setObjectName("locationPage");
  const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const auto make = [&](const char* name) {
    QLabel* l = label(name, page);
    l->setFont(fixed);
    return l;
  };
  const auto group = [&](const char* title, std::initializer_list<QLabel*> labels) {
    auto* g = new QGroupBox(title, page);
    g->setObjectName(title);
    auto* gl = new QVBoxLayout(g);
    gl->setContentsMargins(4, 2, 4, 2);
    gl->setSpacing(0);
    for (QLabel* l : labels) gl->addWidget(l);
    return g;
  };
  m_Geo = make("geo");
  m_Xyz = make("xyz");
  m_Vel = make("vel");
  m_RmsPos = make("rmsPos");
  m_RmsVel = make("rmsVel");
  m_Pdop = make("pdop");
  m_Hdop = make("hdop");
  m_RcvTime = make("rcvTime");
  m_RcvDate = make("rcvDate");
  m_ClockOffset = make("clockOffset");
  m_OscOffset = make("oscOffset");
  m_TrackTime = make("trackTime");
  m_TargetLat = make("targetLat");
  m_TargetLon = make("targetLon");
  m_TargetOffsets = make("targetOffsets");

  auto* v = new QVBoxLayout(page);
  v->setContentsMargins(4, 4, 4, 4);
  v->setSpacing(2);
  v->addWidget(group("Geo", {m_Geo}));
  v->addWidget(group("XYZ", {m_Xyz}));
  auto* values = new QGridLayout;
  values->setSpacing(0);
  QLabel* const cells[] = {m_Vel,     m_RmsPos,  m_RmsVel,      m_Pdop,      m_Hdop,
                           m_RcvTime, m_RcvDate, m_ClockOffset, m_OscOffset, m_TrackTime};
  for (int i = 0; i < 10; ++i) values->addWidget(cells[i], i, 0);
  v->addLayout(values);
  v->addWidget(group("Target", {m_TargetLat, m_TargetLon, m_TargetOffsets}));
  v->addStretch(1);
  buildPositionActions();
  return page;
}

int CCockpitView::TablesMinimumWidth() const {
  const int widest = std::max(m_Tabs->minimumSizeHint().width(),
                              *std::max_element(m_TableWidths.begin(), m_TableWidths.end()));
  const QMargins m = layout()->contentsMargins();
  return widest + m.left() + m.right() + 8;
}

void CCockpitView::ClearDisplay() {
  applyTexts(ViewTexts{});
}

bool CCockpitView::LastPosition(double& lat, double& lon) const {
  lat = m_Texts.lat;
  lon = m_Texts.lon;
  return m_Texts.hasPosition;
}

void CCockpitView::ShowStopButton(bool show) {
  m_Stop->setVisible(show);
}

void CCockpitView::applyTexts(const ViewTexts& t) {
  m_Texts = t;
  const std::pair<QLabel*, const std::string*> labels[] = {{m_SatCounts, &t.satCounts},
                                                           {m_Solution, &t.solution},
                                                           {m_Rtcm, &t.rtcm},
                                                           {m_EventA, &t.eventA},
                                                           {m_EventB, &t.eventB},
                                                           {m_Geo, &t.geo},
                                                           {m_Xyz, &t.xyz},
                                                           {m_Vel, &t.vel},
                                                           {m_RmsPos, &t.rmsPos},
                                                           {m_RmsVel, &t.rmsVel},
                                                           {m_Pdop, &t.pdop},
                                                           {m_Hdop, &t.hdop},
                                                           {m_RcvTime, &t.rcvTime},
                                                           {m_RcvDate, &t.rcvDate},
                                                           {m_ClockOffset, &t.clockOffset},
                                                           {m_OscOffset, &t.oscOffset},
                                                           {m_TrackTime, &t.trackTime},
                                                           {m_TargetLat, &t.targetLat},
                                                           {m_TargetLon, &t.targetLon},
                                                           {m_TargetOffsets, &t.targetOffsets}};
  for (const auto& [l, text] : labels) l->setText(latin1(*text));
  for (int table = 0; table < kSatTables; ++table) fillTable(table);
  showSystemTabs(t);
  emit displayUpdated();
}

void CCockpitView::showSystemTabs(const ViewTexts& texts) {
  bool changed = false;
  for (int table : kOptionalTables)
    if (!texts.tables[static_cast<std::size_t>(table)].empty() && !m_Tabs->isTabVisible(table)) {
      m_Tabs->setTabVisible(table, true);
      changed = true;
    }
  if (changed) emit pagesChanged();
}

void CCockpitView::hideSystemTabs() {
  bool changed = false;
  for (int table : kOptionalTables)
    if (m_Tabs->isTabVisible(table)) {
      m_Tabs->setTabVisible(table, false);
      changed = true;
    }
  if (changed) emit pagesChanged();
}

void CCockpitView::fillTable(int table) {
  const auto idx = static_cast<std::size_t>(table);
  std::vector<SatelliteTables::Row> rows = m_Texts.tables[idx];
  const int column = m_SortColumn[idx], direction = m_SortDirection[idx];
  std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
    return SatelliteTables::compare(table, column, direction, a, b) < 0;
  });
  QTableWidget* t = m_Tables[idx];
  t->setUpdatesEnabled(false);
  t->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const auto& row = rows[static_cast<std::size_t>(r)];
    for (int c = 0; c < static_cast<int>(row.size()) && c < t->columnCount(); ++c) {
      QTableWidgetItem* item = t->item(r, c);
      if (!item) t->setItem(r, c, item = new QTableWidgetItem);
      item->setText(latin1(row[static_cast<std::size_t>(c)]));
    }
  }
  t->setUpdatesEnabled(true);
}

void CCockpitView::sortBy(int table, int column) {
  const auto idx = static_cast<std::size_t>(table);
  m_SortDirection[idx] = -m_SortDirection[idx];
  m_SortColumn[idx] = column;
  fillTable(table);
}

void CCockpitView::stateChanged(session::SessionState from, session::SessionState to) {
  emit sessionState(static_cast<int>(from), static_cast<int>(to));
}
void CCockpitView::statusText(const std::string& text) {
  emit statusTextPosted(latin1(text));
}
void CCockpitView::titleText(const std::string& title) {
  emit titlePosted(latin1(title));
}
void CCockpitView::serverEvent(std::uint8_t code, const std::string& text) {
  emit serverEventPosted(code, latin1(text));
}

void CCockpitView::begin() {
  m_Display.clear();
  m_App.targetChanged = true;
}

void CCockpitView::round(const std::vector<std::string>& fresh) {
  for (const std::string& message : fresh)
    if (!message.empty()) m_Display.handle(message);
  postTexts(m_Display.snapshot());
}

void CCockpitView::silence() {
  m_Display.clear();
  m_App.targetChanged = true;
  postTexts(m_Display.snapshot());
}

void CCockpitView::postTexts(const ViewTexts& texts) {
  QMetaObject::invokeMethod(
      this, [this, texts] { applyTexts(texts); }, Qt::QueuedConnection);
}
