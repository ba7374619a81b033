#include "CCompareSetupDlg.h"

#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "CDialogRCV.h"
#include "SetupScript.h"

CCompareSetupDlg::CCompareSetupDlg(std::vector<CDialogRCV*> pages, ICommandSender& sender, QWidget* parent)
    : QDialog(parent), pages_(std::move(pages)), sender_(sender) {
  setWindowTitle("Compare with a saved setup");
  setObjectName("CompareSetup");
  table_ = new QTableWidget(0, 4);
  table_->setHorizontalHeaderLabels({"Page", "Parameter", "Receiver", "Script"});
  table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  status_ = new QLabel;
  auto* apply = new QPushButton("Apply");
  auto* close = new QPushButton("Close");
  apply->setObjectName("apply");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(apply);
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(table_, 1);
  layout->addLayout(buttons);
  layout->addWidget(status_);
  connect(apply, &QPushButton::clicked, this, [this] {
    if (applyTicked().isEmpty()) accept();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::reject);
  resize(640, 360);
}

bool CCompareSetupDlg::load(const QString& file) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = in.readAll();
  std::vector<const CPageModel*> models;
  for (CDialogRCV* p : pages_) models.push_back(&p->model());
  differences_ = SetupCompare::differences(models, SetupScript::values(bytes.toStdString()));
  table_->setRowCount(static_cast<int>(differences_.size()));
  for (std::size_t r = 0; r < differences_.size(); ++r) {
    const SetupDifference& d = differences_[r];
    const int row = static_cast<int>(r);
    auto* page = new QTableWidgetItem(QString::fromStdString(d.pageName));
    page->setFlags(page->flags() | Qt::ItemIsUserCheckable);
    page->setCheckState(Qt::Unchecked);
    table_->setItem(row, 0, page);
    table_->setItem(row, 1, new QTableWidgetItem(QString::fromStdString(d.label).replace('\n', ' ')));
    table_->setItem(row, 2, new QTableWidgetItem(QString::fromStdString(d.receiverValue)));
    table_->setItem(row, 3, new QTableWidgetItem(QString::fromStdString(d.scriptValue)));
  }
  return true;
}

QString CCompareSetupDlg::applyTicked() {
  std::vector<SetupDifference> ticked;
  for (std::size_t r = 0; r < differences_.size(); ++r)
    if (table_->item(static_cast<int>(r), 0)->checkState() == Qt::Checked) ticked.push_back(differences_[r]);
  std::vector<CPageModel*> models;
  for (CDialogRCV* p : pages_) models.push_back(&p->model());
  SetupCompare::take(models, ticked);
  for (CDialogRCV* p : pages_) {
    p->showValues();
    if (!p->changed()) continue;
    const QString error = p->apply(sender_);
    if (!error.isEmpty()) {
      status_->setText(error);
      return error;
    }
  }
  return {};
}
