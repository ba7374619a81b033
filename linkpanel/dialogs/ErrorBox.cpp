#include "dialogs/ErrorBox.h"

#include <QMessageBox>

namespace Kestrel {

void ShowErrorBox(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"), text, QMessageBox::Ok, parent);
  box.setObjectName(QStringLiteral("msgError"));
  box.exec();
}

}  // namespace Kestrel
