#include "dialogs/DialogButtons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace Kestrel {

QDialogButtonBox* AddOkCancel(QDialog* dialog) {
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QPushButton* ok = box->button(QDialogButtonBox::Ok);
  QPushButton* cancel = box->button(QDialogButtonBox::Cancel);
  ok->setText(QStringLiteral("OK"));
  ok->setObjectName(QStringLiteral("ctl1"));
  cancel->setText(QStringLiteral("Cancel"));
  cancel->setObjectName(QStringLiteral("ctl2"));
  QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return box;
}

}  // namespace Kestrel
