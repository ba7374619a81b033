#include "logging/RtlPages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "gridlink/CProfile.h"

namespace logging {

CMessageRTL::CMessageRTL(MessageCatalogue& catalogue, QWidget* parent) : QWidget(parent), catalogue_(catalogue) {
  setObjectName("pageMessage");
  formatBox = new QComboBox(this);
  formatBox->setObjectName("msgFormat");
  formatBox->addItems({"ZRX", "CMR", "NMEA", "RTCM"});
  CProfile profile;
  intervalEdit = new QLineEdit(profile.Read("RealTime", "RecordingIntervalTerm", "1.00"), this);
  intervalEdit->setObjectName("recInterval");
  maskEdit = new QLineEdit("-90", this);
  maskEdit->setObjectName("elvMask");
  list = new QTreeWidget(this);
  list->setObjectName("msgList");
  list->setHeaderLabels({"Name", "Description"});
  list->setRootIsDecorated(false);
  list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  auto* all = new QPushButton("Select all", this);
  all->setObjectName("msgAll");
  auto* none = new QPushButton("Clear all", this);
  none->setObjectName("msgNone");
  auto setAll = [this](bool on) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      list->topLevelItem(i)->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
  };
  connect(all, &QPushButton::clicked, this, [setAll] { setAll(true); });
  connect(none, &QPushButton::clicked, this, [setAll] { setAll(false); });
  connect(formatBox, &QComboBox::currentIndexChanged, this, [this](int f) { showFormat(f); });
  auto* top = new QFormLayout;
  top->addRow("Type Msg :", formatBox);
  top->addRow("Rec. interval(s):", intervalEdit);
  top->addRow(QString::fromUtf8("Elv. mask(\u00B0):"), maskEdit);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(all);
  buttons->addWidget(none);
  buttons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(list, 1);
  layout->addLayout(buttons);
}

int CMessageRTL::format() const { return formatBox->currentIndex(); }
QString CMessageRTL::interval() const { return intervalEdit->text().trimmed(); }
QString CMessageRTL::elevationMask() const { return maskEdit->text().trimmed(); }

void CMessageRTL::setListEnabled(bool on) {
  list->setEnabled(on);
  findChild<QPushButton*>("msgAll")->setEnabled(on);
  findChild<QPushButton*>("msgNone")->setEnabled(on);
}

void CMessageRTL::takeChoices() {
  auto& entries = catalogue_.entries(shown_);
  for (int i = 0; i < list->topLevelItemCount() && i < static_cast<int>(entries.size()); ++i)
    entries[static_cast<std::size_t>(i)].chosen = list->topLevelItem(i)->checkState(0) == Qt::Checked;
}

void CMessageRTL::showFormat(int format) {
  takeChoices();
  shown_ = format;
  list->clear();
  for (const CatalogueEntry& e : catalogue_.entries(format)) {
    auto* item = new QTreeWidgetItem(list, {QString::fromStdString(e.name), QString::fromStdString(e.description)});
    item->setCheckState(0, e.chosen ? Qt::Checked : Qt::Unchecked);
  }
}

CMultipleFile::CMultipleFile(QWidget* parent) : QWidget(parent) {
  setObjectName("pageLogFile");
  CProfile profile;
  single = new QRadioButton("Single file", this);
  several = new QRadioButton("Multiple Files", this);
  several->setChecked(true);
  fileName = new QLineEdit("Site.zrx", this);
  fileName->setObjectName("singleName");
  prefix = new QLineEdit(profile.Read("RealTime", "Prefix", "Site"), this);
  prefix->setObjectName("prefix");
  startCount = new QLineEdit("1", this);
  startCount->setObjectName("startCount");
  interval = new QLineEdit(profile.Read("RealTime", "IntervalBetweenFiles", "10"), this);
  interval->setObjectName("newFileEvery");
  unit = new QComboBox(this);
  unit->setObjectName("unit");
  unit->addItems({"minutes", "hours", "days"});
  unit->setCurrentIndex(std::clamp(profile.Read("RealTime", "GranularityBetweenFiles", 0), 0, 2));
  ascending = new QRadioButton("Ascending Count", this);
  dateTime = new QRadioButton("Date && Time", this);
  dateTime->setChecked(true);
  // Two independent choices: one file or several, and how several are named.
  auto* fileMode = new QButtonGroup(this);
  fileMode->addButton(single);
  fileMode->addButton(several);
  auto* naming = new QButtonGroup(this);
  naming->addButton(ascending);
  naming->addButton(dateTime);
  several->setChecked(true);
  dateTime->setChecked(true);
  overwrite = new QCheckBox("Overwrite files", this);
  overwrite->setChecked(profile.Read("RealTime", "OverwriteFiles", false));
  convert = new QCheckBox("Autoconvert to RINEX", this);
  convert->setObjectName("autoconvert");
  convert->setChecked(profile.Read("RealTime", "Convert2RINEX", false));
  auto* setup = new QPushButton("Setup convert", this);
  connect(setup, &QPushButton::clicked, this, [this] { CConvert2RINEX(this).exec(); });
  savedTo = new QLineEdit(this);
  savedTo->setReadOnly(true);
  auto* every = new QHBoxLayout;
  every->addWidget(interval);
  every->addWidget(unit);
  auto* numbering = new QHBoxLayout;
  numbering->addWidget(ascending);
  numbering->addWidget(dateTime);
  auto* form = new QFormLayout;
  form->addRow(single, fileName);
  form->addRow(several);
  form->addRow("Prefix:", prefix);
  form->addRow("Start count:", startCount);
  form->addRow("New file every:", every);
  form->addRow("Numbering:", numbering);
  form->addRow(overwrite);
  auto* conv = new QHBoxLayout;
  conv->addWidget(convert);
  conv->addWidget(setup);
  form->addRow(conv);
  form->addRow("Save to:", savedTo);
  setLayout(form);
}

bool CMultipleFile::multiple() const { return several->isChecked(); }

int CMultipleFile::periodSeconds() const {
  static const int units[] = {60, 3600, 86400};
  const int count = std::max(1, interval->text().trimmed().toInt());
  return count * units[std::clamp(unit->currentIndex(), 0, 2)];
}

COutputPathRTL::COutputPathRTL(QWidget* parent) : QWidget(parent) {
  setObjectName("pageOutputPath");
  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  model_->setRootPath("/");
  tree_ = new QTreeView(this);
  tree_->setModel(model_);
  for (int c = 1; c < model_->columnCount(); ++c) tree_->hideColumn(c);
  (new QVBoxLayout(this))->addWidget(tree_);
  // A folder chosen with the mouse or the keyboard: whatever becomes current.
  connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& i) {
    if (i.isValid() && !settingPath_) emit pathChosen(model_->filePath(i));
  });
}

void COutputPathRTL::setPath(const QString& path) {
  const QModelIndex i = model_->index(path);
  if (!i.isValid()) return;
  settingPath_ = true;
  for (QModelIndex p = i.parent(); p.isValid(); p = p.parent()) tree_->expand(p);
  tree_->setCurrentIndex(i);
  tree_->scrollTo(i, QAbstractItemView::PositionAtCenter);
  settingPath_ = false;
}

QString COutputPathRTL::currentPath() const { return model_->filePath(tree_->currentIndex()); }

CConvert2RINEX::CConvert2RINEX(QWidget* parent) : QDialog(parent) {
  setObjectName("dlgConvert2RINEX");
  setWindowTitle("RINEX Converter");
  CProfile profile;
  auto* form = new QFormLayout;
  const std::pair<const char*, const char*> fields[] = {
      {"Run by:", "RUN BY"},         {"Observer:", "OBSERVER"},       {"Agency:", "AGENCY"},
      {"Antenna#:", "ANT #"},        {"Comment:", "COMMENT"},         {"Marker name:", "MARKER NAME"},
      {"Marker number:", "MARKER NUMBER"}, {"Antenna type:", "ANT TYPE"}, {"Application:", "Application"},
      {"Additional options:", "Options"}};
  for (const auto& [label, key] : fields) {
    auto* e = new QLineEdit(profile.Read("ZRX2RIN", key, key == std::string("Application") ? "ZRX2RIN.EXE" : ""),
                            this);
    edits_.emplace_back(key, e);
    if (key == std::string("Application")) {
      auto* browse = new QPushButton("Browse", this);
      connect(browse, &QPushButton::clicked, this, [this, e] {
        const QString f = QFileDialog::getOpenFileName(this, "Find Converter to RINEX", e->text(),
                                                       "Application files(*.exe);;All files (*)");
        if (!f.isEmpty()) e->setText(f);
      });
      auto* row = new QHBoxLayout;
      row->addWidget(e);
      row->addWidget(browse);
      form->addRow(label, row);
    } else {
      form->addRow(label, e);
    }
  }
  auto box = [&](const char* text, const char* key) {
    auto* c = new QCheckBox(text, this);
    c->setChecked(profile.Read("ZRX2RIN", key, false));
    form->addRow(c);
    return c;
  };
  noGps = box("Exclude GPS", "NoGPS");
  noGlo = box("Exclude GLONASS", "NoGLO");
  noL1 = box("Exclude L1", "NoL1");
  noL2 = box("Exclude L2", "NoL2");
  deleteZrx = box("Delete ZRX files after convertation", "DeleteZRX");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &CConvert2RINEX::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
}

QString CConvert2RINEX::check() const {
  return noGps->isChecked() && noGlo->isChecked() ? "At least one satellite system must be enabled!" : QString();
}

void CConvert2RINEX::accept() {
  if (!check().isEmpty()) {
    QMessageBox::critical(this, "RINEX Converter", check());
    return;
  }
  CProfile profile;
  for (const auto& [key, e] : edits_) profile.Write("ZRX2RIN", key, e->text().toStdString().c_str());
  profile.Write("ZRX2RIN", "NoGPS", noGps->isChecked());
  profile.Write("ZRX2RIN", "NoGLO", noGlo->isChecked());
  profile.Write("ZRX2RIN", "NoL1", noL1->isChecked());
  profile.Write("ZRX2RIN", "NoL2", noL2->isChecked());
  profile.Write("ZRX2RIN", "DeleteZRX", deleteZrx->isChecked());
  QDialog::accept();
}

}  // namespace logging
