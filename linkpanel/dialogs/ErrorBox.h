#pragma once
// The library's modal error box: title "ERROR", error icon, one OK button. It is a plain
// modal QMessageBox (objectName "msgError"), so a test finds it as the active modal widget.
class QString;
class QWidget;

namespace Kestrel {

void ShowErrorBox(QWidget* parent, const QString& text);

}  // namespace Kestrel
