#include "CDatumDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CDatumDlg::CDatumDlg(ICommandSender& sender, QWidget* parent) : QDialog(parent), sender_(sender) {
  setWindowTitle("Datum Parameters");
  setObjectName("DatumParameters");
  auto* form = new QFormLayout;
  current_ = new QLabel;
  current_->setObjectName("current");
  form->addRow("Current Datum:", current_);
  const auto edit = [form](const QString& label, const QString& name) {
    auto* e = new QLineEdit;
    e->setObjectName(name);
    form->addRow(label, e);
    return e;
  };
  ellipsoid_ = edit("Ellipsoid ID:", "ellipsoid");
  ellipsoid_->setReadOnly(true);  // a user datum is always on the user ellipsoid
  axis_ = edit("Axis(m):", "axis");
  inverseFlat_ = edit("Inv.Flat.", "inverseFlat");
  reference_ = edit("Ref.Datum", "reference");
  const char* labels[] = {
      "d X(m):", "d Y(m):", "d Z(m):", "Rot. X(arc s):", "Rot. Y(arc s):", "Rot. Z(arc s):", "Scale:"};
  for (std::size_t k = 0; k < shift_.size(); ++k) shift_[k] = edit(labels[k], QString("shift%1").arg(k));
  status_ = new QLabel;
  status_->setObjectName("status");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  layout->addWidget(status_);
  connect(buttons, &QDialogButtonBox::accepted, this, &CDatumDlg::onOk);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CDatumDlg::read() {
  setEnabled(false);
  DatumParams::Datum d;
  DatumParams::read(sender_, d);  // without an answer every field stays empty and disabled
  setEnabled(true);
  show(d);
  status_->clear();
}

void CDatumDlg::show(const DatumParams::Datum& d) {
  datum_ = d;
  current_->setText(QString::fromStdString(d.current));
  ellipsoid_->setText(QString::fromStdString(d.ellipsoid));
  axis_->setText(QString::fromStdString(d.axis));
  inverseFlat_->setText(QString::fromStdString(d.inverseFlat));
  reference_->setText(d.editable() ? QString::number(d.reference) : QString());
  for (std::size_t k = 0; k < shift_.size(); ++k) {
    shift_[k]->setText(QString::fromStdString(d.shift[k]));
    shift_[k]->setEnabled(d.editable());
  }
  for (QLineEdit* e : {ellipsoid_, axis_, inverseFlat_}) e->setEnabled(d.hasEllipsoid());
  reference_->setEnabled(d.hasEllipsoid());
}

QString CDatumDlg::applyFields() {
  DatumParams::Datum d = datum_;
  d.axis = axis_->text().toStdString();
  d.inverseFlat = inverseFlat_->text().toStdString();
  d.reference = reference_->text().toInt();
  for (std::size_t k = 0; k < shift_.size(); ++k) d.shift[k] = shift_[k]->text().toStdString();
  setEnabled(false);
  const QString error = QString::fromStdString(DatumParams::apply(sender_, d));
  setEnabled(true);
  status_->setText(error);
  if (error.isEmpty()) datum_ = d;
  return error;
}

QString CDatumDlg::statusText() const {
  return status_->text();
}

void CDatumDlg::onOk() {
  if (applyFields().isEmpty()) accept();
}
